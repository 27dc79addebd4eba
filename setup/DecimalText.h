// Decimal numbers of the setup text ("SampleFrequency", "CorrectionFactor") are written with a
// point or a comma, whatever the reading machine's locale is.
#pragma once

#include <string>

namespace tarn {

// Replaces the first "." or "," of text (whichever comes first) by userSeparator and converts the
// result with the locale-aware text-to-double conversion of the user's default locale. False,
// with value 0.0, when the conversion rejects the text.
bool DecimalTextToDouble(std::u16string text, char16_t userSeparator, double& value);

}  // namespace tarn

// Numbers as OLE Automation reads and writes them in text; not part of the port surface.
#pragma once

#include "compat/posix/com.h"

#include <string>

namespace tarn::compat {

struct NumberSeparators {
    char16_t m_Decimal;
    char16_t m_Thousands;
};

// The separators of a locale: a small table of explicit LCIDs; any other LCID (the user and
// system defaults included) takes the user's decimal separator, with '.' as thousands separator
// beside a decimal ',' and ',' otherwise.
NumberSeparators SeparatorsFor(LCID lcid);

// The number a NUL-terminated text stands for (see VarR8FromStr): S_OK, DISP_E_TYPEMISMATCH or
// DISP_E_OVERFLOW. Values too small for a double become 0.
HRESULT ParseNumber(const OLECHAR* text, NumberSeparators separators, double& value);

// value rounded half to even when it lies in [lowest, highest]; DISP_E_OVERFLOW otherwise.
HRESULT RoundToInteger(double value, long long lowest, long long highest, long long& result);

// Text the way VT_R8 (15 significant digits) and VT_R4 (7) are shown: "0.5", "65536", "1E+15",
// "2.5E-10", with the given decimal separator.
std::u16string FormatReal(double value, int significantDigits, char16_t decimal);
std::u16string FormatInteger(long long value);

}  // namespace tarn::compat

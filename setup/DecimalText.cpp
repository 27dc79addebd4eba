#include "setup/DecimalText.h"

#include "setup/BstrText.h"

namespace tarn {

bool DecimalTextToDouble(std::u16string text, char16_t userSeparator, double& value) {
    value = 0.0;
    const std::size_t separator = text.find_first_of(u".,");
    if (separator != std::u16string::npos) text[separator] = userSeparator;

    const UniqueBstr converted(AllocBstr(text));
    if (!converted) return false;
    DOUBLE result = 0.0;
    if (FAILED(VarR8FromStr(converted.get(), LOCALE_USER_DEFAULT, 0, &result))) return false;
    value = result;
    return true;
}

}  // namespace tarn

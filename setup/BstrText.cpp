#include "setup/BstrText.h"

#include <algorithm>

#include <climits>

namespace tarn {

BSTR AllocBstr(std::u16string_view text) {
    if (text.size() > UINT_MAX / sizeof(OLECHAR)) return nullptr;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (result == nullptr) return nullptr;
    for (std::size_t i = 0; i < text.size(); ++i) result[i] = static_cast<OLECHAR>(text[i]);
    return result;
}

std::u16string BstrText(BSTR text) {
    std::u16string result(text == nullptr ? 0 : SysStringLen(text), u'\0');
    for (std::size_t i = 0; i < result.size(); ++i) result[i] = static_cast<char16_t>(text[i]);
    return result;
}

std::u16string BstrTextUpToNul(BSTR text) {
    std::u16string whole = BstrText(text);
    whole.resize(std::min(whole.size(), whole.find(u'\0')));
    return whole;
}

}  // namespace tarn

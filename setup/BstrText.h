// UTF-16 text to and from BSTRs. OLECHAR is char16_t on POSIX and wchar_t on Windows; both are
// 16-bit code units, so the text is copied unit by unit and never reinterpreted.
#pragma once

#include "compat/compat.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarn {

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "BSTR characters are UTF-16 code units");

struct BstrFree {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;

// A new BSTR holding text (embedded NULs included); nullptr when it cannot be allocated.
BSTR AllocBstr(std::u16string_view text);

// The whole content of a BSTR (SysStringLen units); empty for a null BSTR.
std::u16string BstrText(BSTR text);

// A BSTR's text as a C client sees it: up to its first zero character (a null BSTR is empty).
std::u16string BstrTextUpToNul(BSTR text);

}  // namespace tarn

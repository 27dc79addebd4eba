// Helpers for the compat suite: OLE text for assertions.
#pragma once

#include "compat/compat.h"
#include "tests/support/ScopedVariant.h"

#include <string>

namespace tarn::test {

using OleString = std::basic_string<OLECHAR>;

// OLE text as ASCII for assertions; other characters show as '?'.
inline std::string Ascii(const OLECHAR* text, std::size_t length) {
    std::string result;
    for (std::size_t i = 0; i < length; ++i) result.push_back(text[i] < 0x80 ? char(text[i]) : '?');
    return result;
}
inline std::string Ascii(BSTR text) { return Ascii(text, SysStringLen(text)); }
inline BSTR NewBstr(const OLECHAR* text) { return SysAllocStringLen(text, UINT(OleString(text).size())); }

}  // namespace tarn::test

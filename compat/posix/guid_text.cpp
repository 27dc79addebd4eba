// GUIDs in their braced registry form.
#include "compat/posix/com.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kBracedLength = 38;

// Hex digits text[at .. at + digits) as a number; false for anything else.
bool HexField(const OLECHAR* text, int at, int digits, std::uint32_t& value) {
    value = 0;
    for (int i = at; i < at + digits; ++i) {
        const OLECHAR c = text[i];
        const int digit = c >= u'0' && c <= u'9' ? c - u'0'
                        : c >= u'A' && c <= u'F' ? c - u'A' + 10
                        : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                 : -1;
        if (digit < 0) return false;
        value = value * 16 + std::uint32_t(digit);
    }
    return true;
}

bool ParseBraced(const OLECHAR* text, GUID& guid) {
    // Stop at the first NUL, so that a short text is never read past its end.
    int length = 0;
    while (length <= kBracedLength && text[length] != 0) ++length;
    if (length != kBracedLength || text[0] != u'{' || text[37] != u'}') return false;
    for (int dash : {9, 14, 19, 24})
        if (text[dash] != u'-') return false;
    std::uint32_t field = 0;
    if (!HexField(text, 1, 8, guid.Data1) || !HexField(text, 10, 4, field)) return false;
    guid.Data2 = std::uint16_t(field);
    if (!HexField(text, 15, 4, field)) return false;
    guid.Data3 = std::uint16_t(field);
    static constexpr int kBytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!HexField(text, kBytes[i], 2, field)) return false;
        guid.Data4[i] = std::uint8_t(field);
    }
    return true;
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid) return E_INVALIDARG;
    *pclsid = GUID_NULL;
    if (!lpsz) return S_OK;
    GUID parsed{};
    if (!ParseBraced(lpsz, parsed)) return CO_E_CLASSSTRING;
    *pclsid = parsed;
    return S_OK;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < kBracedLength + 1) return 0;
    char text[kBracedLength + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(rguid.Data1),
                  unsigned(rguid.Data2), unsigned(rguid.Data3), rguid.Data4[0], rguid.Data4[1], rguid.Data4[2],
                  rguid.Data4[3], rguid.Data4[4], rguid.Data4[5], rguid.Data4[6], rguid.Data4[7]);
    for (int i = 0; i <= kBracedLength; ++i) lpsz[i] = OLECHAR(text[i]);
    return kBracedLength + 1;
}

// Helpers for the compat suite: readable views of OLE values and a counting interface object.
#pragma once

#include "compat/compat.h"
#include "tests/support/ScopedVariant.h"

#include <cstdio>
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

// "I4:123", "R8:0.5", "BSTR:abc": type and value in one comparable string.
inline std::string Describe(const VARIANT& v) {
    char text[64];
    if (v.vt == VT_BSTR) return "BSTR:" + Ascii(v.bstrVal);
    if (v.vt == VT_I4) std::snprintf(text, sizeof text, "I4:%ld", long(v.lVal));
    else if (v.vt == VT_UI1) std::snprintf(text, sizeof text, "UI1:%u", unsigned(v.bVal));
    else if (v.vt == VT_BOOL) std::snprintf(text, sizeof text, "BOOL:%d", v.boolVal);
    else if (v.vt == VT_R8) std::snprintf(text, sizeof text, "R8:%.17g", v.dblVal);
    else std::snprintf(text, sizeof text, "vt=0x%x", unsigned(v.vt));
    return text;
}

// An IUnknown on the stack that counts its references and is never deleted.
class CountingUnknown : public IUnknown {
public:
    ULONG m_References = 1;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        *ppvObject = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppvObject ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override { return --m_References; }
};

}  // namespace tarn::test

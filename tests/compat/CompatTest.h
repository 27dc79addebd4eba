// Helpers for the compat suite: readable views of OLE values and a counting interface object.
#pragma once

#include "compat/compat.h"
#include "tests/support/ScopedVariant.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The 32-bit length that sits in front of a BSTR's text.
inline std::uint32_t LengthPrefix(BSTR text) {
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<const char*>(text) - sizeof prefix, sizeof prefix);
    return prefix;
}

// "I4:123", "R8:0.5", "BSTR:abc", "EMPTY": type and value in one comparable string.
inline std::string Describe(const VARIANT& v) {
    char number[64] = "";
    switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_BSTR: return "BSTR:" + Ascii(v.bstrVal);
    case VT_I2: std::snprintf(number, sizeof number, "I2:%d", v.iVal); break;
    case VT_I4: std::snprintf(number, sizeof number, "I4:%ld", long(v.lVal)); break;
    case VT_UI1: std::snprintf(number, sizeof number, "UI1:%u", unsigned(v.bVal)); break;
    case VT_BOOL: std::snprintf(number, sizeof number, "BOOL:%d", v.boolVal); break;
    case VT_R8: std::snprintf(number, sizeof number, "R8:%.17g", v.dblVal); break;
    default: std::snprintf(number, sizeof number, "vt=0x%x", unsigned(v.vt)); break;
    }
    return number;
}


// An IDispatch on the stack that counts its references and is never deleted. The methods
// answer with distinct codes so that a test can tell which vtable slot it reached.
class CountingDispatch final : public IDispatch {
public:
    ULONG m_References = 1;

    // Puts a new reference to the object into v as VT_UNKNOWN or VT_DISPATCH.
    void StoreIn(VARIANT& v, VARTYPE vt) {
        V_VT(&v) = vt;
        V_DISPATCH(&v) = this;   // the same pointer serves as IUnknown
        AddRef();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
        const bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch);
        *ppvObject = known ? static_cast<IDispatch*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_References; }
    STDMETHODIMP_(ULONG) Release() override { return --m_References; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return S_FALSE; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

}  // namespace tarn::test

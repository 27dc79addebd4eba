// Late binding as a script host does it: a member called by name through an IDispatch, with its
// arguments in VARIANTs.
#pragma once

#include <string>
#include <vector>

#include "compat/compat.h"
#include "setup/BstrText.h"

namespace tarn::test {

// Calls a member by name through IDispatch: GetIDsOfNames, then Invoke. args in call order;
// they are cleared afterwards.
inline HRESULT Call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    std::u16string text(name);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(text.data())};
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    for (VARIANT& v : args) VariantClear(&v);
    return hr;
}

inline VARIANT Arg(const std::u16string& text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = AllocBstr(text);
    return v;
}

inline VARIANT Arg(LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

}  // namespace tarn::test

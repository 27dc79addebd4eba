// VARIANT life cycle: VariantInit, VariantClear, VariantCopy.
#include "compat/posix/internal.h"

namespace tarn::compat {

UINT ValueSize(VARTYPE base) {
    switch (base) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return sizeof(void*);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

bool IsValidVariantType(VARTYPE vt) {
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;   // VT_VECTOR, VT_RESERVED
    const VARTYPE base = vt & VT_TYPEMASK;
    return base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT);
}

}  // namespace tarn::compat

void VariantInit(VARIANTARG* pvarg) {
    if (pvarg) pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (!tarn::compat::IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if ((pvarg->vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) {
        const HRESULT hr = SafeArrayDestroy(pvarg->parray);
        if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal) {
        pvarg->punkVal->Release();
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc) {
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!tarn::compat::IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    const HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) return hr;

    VARIANT copy = *pvargSrc;   // by-value types and VT_BYREF pointers are done with this
    HRESULT result = S_OK;
    if ((copy.vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY)
        result = tarn::compat::CopyArray(pvargSrc->parray, copy.parray);
    else if (copy.vt == VT_BSTR && !tarn::compat::CopyBstr(pvargSrc->bstrVal, copy.bstrVal))
        result = E_OUTOFMEMORY;
    else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal)
        copy.punkVal->AddRef();
    if (SUCCEEDED(result)) *pvargDest = copy;
    return result;
}

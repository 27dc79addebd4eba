// One-dimensional SAFEARRAYs. The descriptor and the data are two zeroed blocks, so BSTR elements
// start null and VARIANT elements VT_EMPTY.
#include "compat/posix/internal.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Set by SafeArrayCreateVector, as Windows does (no public name in its headers).
constexpr USHORT kCreateVector = 0x2000;

// Windows keeps the element type in the four bytes in front of the descriptor (an IID in the
// sixteen in front of it for arrays of interfaces).
struct ArrayHeader {
    DWORD m_Reserved[3];
    DWORD m_VarType;
    SAFEARRAY m_Array;
};

ArrayHeader* HeaderOf(SAFEARRAY* psa) {
    return reinterpret_cast<ArrayHeader*>(reinterpret_cast<char*>(psa) - offsetof(ArrayHeader, m_Array));
}

VARTYPE ElementType(SAFEARRAY* psa) { return static_cast<VARTYPE>(HeaderOf(psa)->m_VarType); }

// Interface elements would need reference counting, which nothing here calls for.
bool IsElementType(VARTYPE vt) {
    return vt != VT_UNKNOWN && vt != VT_DISPATCH && tarn::compat::ValueSize(vt) != 0;
}

USHORT TypeFeatures(VARTYPE vt) {
    if (vt == VT_BSTR) return FADF_HAVEVARTYPE | FADF_BSTR;
    if (vt == VT_VARIANT) return FADF_HAVEVARTYPE | FADF_VARIANT;
    return FADF_HAVEVARTYPE;
}

SAFEARRAY* CreateOneDimension(VARTYPE vt, LONG lowerBound, ULONG count, USHORT extraFeatures) {
    if (!IsElementType(vt)) return nullptr;
    const ULONG size = tarn::compat::ValueSize(vt);
    const std::uint64_t bytes = std::uint64_t(count) * size;
    if (bytes > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    auto* header = static_cast<ArrayHeader*>(std::calloc(1, sizeof(ArrayHeader)));
    void* data = std::calloc(bytes != 0 ? bytes : 1, 1);
    if (!header || !data) {
        std::free(header);
        std::free(data);
        return nullptr;
    }
    header->m_VarType = vt;
    SAFEARRAY& array = header->m_Array;
    array.cDims = 1;
    array.fFeatures = TypeFeatures(vt) | extraFeatures;
    array.cbElements = size;
    array.pvData = data;
    array.rgsabound[0].cElements = count;
    array.rgsabound[0].lLbound = lowerBound;
    return &array;
}

void* ElementAt(SAFEARRAY* psa, std::uint64_t offset) {
    return static_cast<char*>(psa->pvData) + offset * psa->cbElements;
}

HRESULT LocateElement(SAFEARRAY* psa, const LONG* rgIndices, void*& element) {
    if (!psa || !rgIndices) return E_INVALIDARG;
    const std::int64_t offset = std::int64_t(rgIndices[0]) - psa->rgsabound[0].lLbound;
    if (offset < 0 || offset >= std::int64_t(psa->rgsabound[0].cElements)) return DISP_E_BADINDEX;
    element = ElementAt(psa, std::uint64_t(offset));
    return S_OK;
}

// Copies one element into uninitialised storage: BSTRs and VARIANTs deeply.
HRESULT CopyElementOut(VARTYPE vt, void* element, void* target, ULONG size) {
    if (vt == VT_BSTR)
        return tarn::compat::CopyBstr(*static_cast<BSTR*>(element), *static_cast<BSTR*>(target)) ? S_OK : E_OUTOFMEMORY;
    if (vt == VT_VARIANT) {
        VariantInit(static_cast<VARIANT*>(target));
        return VariantCopy(static_cast<VARIANT*>(target), static_cast<VARIANT*>(element));
    }
    std::memcpy(target, element, size);
    return S_OK;
}

void ReleaseElements(SAFEARRAY* psa) {
    const VARTYPE vt = ElementType(psa);
    if (vt != VT_BSTR && vt != VT_VARIANT) return;
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) {
        if (vt == VT_BSTR)
            SysFreeString(*static_cast<BSTR*>(ElementAt(psa, i)));
        else
            VariantClear(static_cast<VARIANT*>(ElementAt(psa, i)));
    }
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    return CreateOneDimension(vt, lLbound, cElements, kCreateVector);
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    if (cDims != 1 || !rgsabound) return nullptr;
    return CreateOneDimension(vt, rgsabound[0].lLbound, rgsabound[0].cElements, 0);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
    ReleaseElements(psa);
    std::free(psa->pvData);
    std::free(HeaderOf(psa));
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    const VARTYPE vt = ElementType(psa);
    SAFEARRAY* copy = CreateOneDimension(vt, psa->rgsabound[0].lLbound, psa->rgsabound[0].cElements, 0);
    if (!copy) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) {
        const HRESULT hr = CopyElementOut(vt, ElementAt(psa, i), ElementAt(copy, i), psa->cbElements);
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    // Wraps like the 32-bit arithmetic of Windows; an empty array has lLbound - 1.
    const std::uint32_t upper = std::uint32_t(psa->rgsabound[0].lLbound) + psa->rgsabound[0].cElements - 1u;
    *plUbound = static_cast<LONG>(upper);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (!psa || !pvt || !(psa->fFeatures & FADF_HAVEVARTYPE)) return E_INVALIDARG;
    *pvt = ElementType(psa);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == std::numeric_limits<USHORT>::max()) return E_UNEXPECTED;   // Windows' limit
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    if (SUCCEEDED(hr)) *ppvData = psa->pvData;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    void* element = nullptr;
    HRESULT hr = LocateElement(psa, rgIndices, element);
    if (FAILED(hr)) return hr;
    if (!pv) return E_INVALIDARG;
    return CopyElementOut(ElementType(psa), element, pv, psa->cbElements);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    void* element = nullptr;
    HRESULT hr = LocateElement(psa, rgIndices, element);
    if (FAILED(hr)) return hr;
    const VARTYPE vt = ElementType(psa);
    if (vt == VT_BSTR) {   // pv is the BSTR itself, and may be null
        BSTR copy = nullptr;
        if (!tarn::compat::CopyBstr(static_cast<BSTR>(pv), copy)) return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    if (!pv) return E_INVALIDARG;
    if (vt == VT_VARIANT) return VariantCopy(static_cast<VARIANT*>(element), static_cast<VARIANT*>(pv));
    std::memcpy(element, pv, psa->cbElements);
    return S_OK;
}

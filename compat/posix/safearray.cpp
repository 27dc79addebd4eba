// One-dimensional SAFEARRAYs of fixed-size values. The descriptor and the data are two blocks;
// the data starts zeroed.
#include "compat/posix/internal.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Elements that own nothing: a copy is a copy of their bytes, and destroying frees no element.
bool IsElementType(VARTYPE vt) {
    return vt != VT_BSTR && vt != VT_UNKNOWN && vt != VT_DISPATCH && vt != VT_VARIANT &&
           tarn::compat::ValueSize(vt) != 0;
}

SAFEARRAY* CreateOneDimension(ULONG elementBytes, LONG lowerBound, ULONG count) {
    const std::uint64_t bytes = std::uint64_t(count) * elementBytes;
    if (bytes > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
    void* data = std::calloc(bytes != 0 ? bytes : 1, 1);
    if (!array || !data) {
        std::free(array);
        std::free(data);
        return nullptr;
    }
    array->cDims = 1;
    array->cbElements = elementBytes;
    array->pvData = data;
    array->rgsabound[0].cElements = count;
    array->rgsabound[0].lLbound = lowerBound;
    return array;
}

}  // namespace

namespace tarn::compat {

HRESULT CopyArray(SAFEARRAY* source, SAFEARRAY*& copy) {
    copy = nullptr;
    if (!source) return S_OK;
    const SAFEARRAYBOUND bound = source->rgsabound[0];
    copy = CreateOneDimension(source->cbElements, bound.lLbound, bound.cElements);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy->pvData, source->pvData, std::size_t(bound.cElements) * source->cbElements);
    return S_OK;
}

}  // namespace tarn::compat

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    if (!IsElementType(vt)) return nullptr;
    return CreateOneDimension(tarn::compat::ValueSize(vt), lLbound, cElements);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
    std::free(psa->pvData);
    std::free(psa);
    return S_OK;
}

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

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    if (psa->cLocks == std::numeric_limits<USHORT>::max()) return E_UNEXPECTED;   // Windows' limit
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (!psa || !rgIndices) return E_INVALIDARG;
    const std::int64_t offset = std::int64_t(rgIndices[0]) - psa->rgsabound[0].lLbound;
    if (offset < 0 || offset >= std::int64_t(psa->rgsabound[0].cElements)) return DISP_E_BADINDEX;
    if (!pv) return E_INVALIDARG;
    std::memcpy(pv, static_cast<char*>(psa->pvData) + std::uint64_t(offset) * psa->cbElements, psa->cbElements);
    return S_OK;
}

#include "component/com/Dispatch.h"

#ifdef _WIN32
#include <mutex>
#endif

namespace tarn::com {

HRESULT TypeInfoCount(UINT* pctinfo, UINT count) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = count;
    return S_OK;
}

HRESULT NoTypeInfo(UINT index, ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    return index == 0 ? TYPE_E_ELEMENTNOTFOUND : DISP_E_BADINDEX;
}

#ifdef _WIN32
namespace {

// One type library per module; a failed load is tried again on the next call, so a library
// registered later is still found.
struct TypeLibCache {
    std::mutex lock;
    GUID libid{};
    ITypeLib* library = nullptr;
};

TypeLibCache& Cache() {
    static TypeLibCache cache;   // not released: kept until the module unloads
    return cache;
}

}  // namespace

HRESULT RegisteredTypeInfo(const GUID& libid, WORD major, WORD minor, LCID locale, REFIID iid, ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    TypeLibCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (!cache.library) {
        HRESULT hr = LoadRegTypeLib(libid, major, minor, locale, &cache.library);
        if (FAILED(hr)) return hr;
        cache.libid = libid;
    } else if (!IsEqualGUID(cache.libid, libid)) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    return cache.library->GetTypeInfoOfGuid(iid, typeInfo);
}
#endif

}  // namespace tarn::com

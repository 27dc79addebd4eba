#include "component/com/ClassFactory.h"

#include "component/com/Module.h"
#include "component/com/ObjectRoot.h"

namespace tarn::com {

HRESULT ClassFactory::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(clsid, m_Clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return QueryInterface(riid, ppv);
}

HRESULT ClassFactory::RegisterInProcess(DWORD* cookie) {
    return CoRegisterClassObject(m_Clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, cookie);
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    return QuerySingleInterface(this, IID_IClassFactory, riid, ppv);
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() { return ++m_RefCount; }

ULONG STDMETHODCALLTYPE ClassFactory::Release() { return m_RefCount ? --m_RefCount : 0; }

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    return m_Creator(pUnkOuter, riid, ppvObject);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        Module::Lock();
    else
        Module::Unlock();
    return S_OK;
}

}  // namespace tarn::com

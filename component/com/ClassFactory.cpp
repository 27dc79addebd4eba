#include "component/com/ClassFactory.h"

#include "component/com/Module.h"
#include "component/com/ObjectRoot.h"

namespace tarn::com {

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

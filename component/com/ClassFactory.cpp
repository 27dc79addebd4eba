#include "component/com/ClassFactory.h"

#include "component/com/Module.h"

namespace tarn::com {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() { return ++m_refCount; }

ULONG STDMETHODCALLTYPE ClassFactory::Release() { return m_refCount ? --m_refCount : 0; }

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    return m_creator(pUnkOuter, riid, ppvObject);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        Module::Lock();
    else
        Module::Unlock();
    return S_OK;
}

}  // namespace tarn::com

// A class object: IClassFactory for one class over a creation function, for objects made by
// ComObject<T>::CreateInstance. It lives as long as the module (a static object), so its own
// reference count only counts; LockServer holds the module instead.
#pragma once

#include "compat/compat.h"

namespace tarn::com {

class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

    ClassFactory(const CLSID& clsid, Creator creator) : m_Clsid(clsid), m_Creator(creator) {}

    // DllGetClassObject: this object, queried for riid, when clsid is its class; else
    // CLASS_E_CLASSNOTAVAILABLE.
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    // Registers this object with the process's COM (CoRegisterClassObject), so that
    // CoCreateInstance finds the class without a registered module.
    HRESULT RegisterInProcess(DWORD* cookie);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    CLSID m_Clsid;
    Creator m_Creator;
    ULONG m_RefCount = 0;
};

}  // namespace tarn::com

// A class object: IClassFactory over a creation function, for objects made by
// ComObject<T>::CreateInstance. It lives as long as the module (a static object), so its own
// reference count only counts; LockServer holds the module instead.
#pragma once

#include "compat/compat.h"

namespace tarn::com {

class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

    explicit ClassFactory(Creator creator) : m_Creator(creator) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    Creator m_Creator;
    ULONG m_RefCount = 0;
};

}  // namespace tarn::com

#include "component/com/ObjectRoot.h"

namespace tarn::com {

IUnknown* InterfaceMap::Find(ObjectRoot* object, REFIID riid) const {
    if (m_Count == 0) return nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) return m_Entries[0].cast(object);
    for (std::size_t i = 0; i < m_Count; ++i)
        if (IsEqualIID(riid, *m_Entries[i].iid)) return m_Entries[i].cast(object);
    return nullptr;
}

HRESULT QuerySingleInterface(IUnknown* self, REFIID own, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, own)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = self;
    self->AddRef();
    return S_OK;
}

IUnknown* ObjectRoot::ControllingUnknown() {
    return m_Outer ? m_Outer : InterfaceTable().Find(this, IID_IUnknown);
}

HRESULT ObjectRoot::InternalQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    IUnknown* found = InterfaceTable().Find(this, riid);
    *ppv = found;
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}

HRESULT ObjectRoot::OuterQueryInterface(REFIID riid, void** ppv) {
    return m_Outer ? m_Outer->QueryInterface(riid, ppv) : InternalQueryInterface(riid, ppv);
}

ULONG ObjectRoot::OuterAddRef() { return m_Outer ? m_Outer->AddRef() : m_Inner.AddRef(); }

ULONG ObjectRoot::OuterRelease() { return m_Outer ? m_Outer->Release() : m_Inner.Release(); }

HRESULT STDMETHODCALLTYPE ObjectRoot::Inner::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    // Only the inner unknown is the aggregated object's identity; its interfaces answer the outer's.
    if (m_Root.m_Outer && IsEqualIID(riid, IID_IUnknown)) {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    return m_Root.InternalQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE ObjectRoot::Inner::AddRef() { return ++m_Root.m_RefCount; }

ULONG STDMETHODCALLTYPE ObjectRoot::Inner::Release() {
    const ULONG count = --m_Root.m_RefCount;
    if (count == 0) delete &m_Root;
    return count;
}

}  // namespace tarn::com

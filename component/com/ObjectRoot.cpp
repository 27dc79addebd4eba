#include "component/com/ObjectRoot.h"

namespace tarn::com {

IUnknown* InterfaceMap::Find(ObjectRoot* object, REFIID riid) const {
    if (m_count == 0) return nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) return m_entries[0].cast(object);
    for (std::size_t i = 0; i < m_count; ++i)
        if (IsEqualIID(riid, *m_entries[i].iid)) return m_entries[i].cast(object);
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
    return m_outer ? m_outer : InterfaceTable().Find(this, IID_IUnknown);
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
    return m_outer ? m_outer->QueryInterface(riid, ppv) : InternalQueryInterface(riid, ppv);
}

ULONG ObjectRoot::OuterAddRef() { return m_outer ? m_outer->AddRef() : m_inner.AddRef(); }

ULONG ObjectRoot::OuterRelease() { return m_outer ? m_outer->Release() : m_inner.Release(); }

HRESULT STDMETHODCALLTYPE ObjectRoot::Inner::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    // Only the inner unknown is the aggregated object's identity; its interfaces answer the outer's.
    if (m_root.m_outer && IsEqualIID(riid, IID_IUnknown)) {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    return m_root.InternalQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE ObjectRoot::Inner::AddRef() { return ++m_root.m_refCount; }

ULONG STDMETHODCALLTYPE ObjectRoot::Inner::Release() {
    const ULONG count = --m_root.m_refCount;
    if (count == 0) delete &m_root;
    return count;
}

}  // namespace tarn::com

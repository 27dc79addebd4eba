#include "component/com/ConnectionPoint.h"

#include "component/com/Enumerator.h"

#include <new>

namespace tarn::com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& eventIid,
                                 std::size_t maxSlots)
    : m_Container(container), m_EventIid(eventIid), m_MaxSlots(maxSlots) {}

ConnectionPoint::~ConnectionPoint() {
    for (IDispatch*& sink : m_Sinks) {
        IDispatch* released = sink;
        sink = nullptr;
        if (released) released->Release();
    }
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    return QuerySingleInterface(this, IID_IConnectionPoint, riid, ppv);
}

// The connection point lives inside the object: it keeps the object alive, not itself.
ULONG STDMETHODCALLTYPE ConnectionPoint::AddRef() { return m_Container.AddRef(); }
ULONG STDMETHODCALLTYPE ConnectionPoint::Release() { return m_Container.Release(); }

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (!pIID) return E_POINTER;
    *pIID = m_EventIid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) return E_POINTER;
    *ppCPC = &m_Container;
    m_Container.AddRef();
    return S_OK;
}

bool ConnectionPoint::FreeSlot(std::size_t& slot) {
    for (slot = 0; slot < m_Sinks.size(); ++slot)
        if (!m_Sinks[slot]) return true;
    const std::size_t grown = m_Sinks.empty() ? kInitialSlots : m_Sinks.size() * 2;
    if (grown > m_MaxSlots) return false;
    try {
        m_Sinks.resize(grown, nullptr);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;   // slot is the old size: the first new slot
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (!pUnkSink || !pdwCookie) return E_POINTER;
    *pdwCookie = 0;
    void* sink = nullptr;
    const HRESULT hr = pUnkSink->QueryInterface(m_EventIid, &sink);
    if (hr == E_NOINTERFACE) return CONNECT_E_CANNOTCONNECT;
    if (FAILED(hr)) return hr;
    if (!sink) return CONNECT_E_CANNOTCONNECT;
    // An event interface is a dispinterface: its pointer is an IDispatch.
    IDispatch* dispatch = static_cast<IDispatch*>(sink);
    std::size_t slot = 0;
    if (!FreeSlot(slot)) {
        dispatch->Release();
        return CONNECT_E_ADVISELIMIT;
    }
    m_Sinks[slot] = dispatch;
    *pdwCookie = static_cast<DWORD>(slot + 1);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Unadvise(DWORD dwCookie) {
    if (dwCookie == 0 || dwCookie > m_Sinks.size() || !m_Sinks[dwCookie - 1]) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = m_Sinks[dwCookie - 1];
    m_Sinks[dwCookie - 1] = nullptr;   // before Release: the sink may call back
    sink->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<CONNECTDATA> connections;
    try {
        for (std::size_t i = 0; i < m_Sinks.size(); ++i)
            if (m_Sinks[i]) connections.push_back(CONNECTDATA{m_Sinks[i], static_cast<DWORD>(i + 1)});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ConnectionEnumerator::Create(std::move(connections), ppEnum);
}

void ConnectionPoint::Fire(DISPID dispid, VARIANTARG* args, UINT count) {
    const std::size_t slots = m_Sinks.size();
    for (std::size_t i = 0; i < slots; ++i) {
        IDispatch* sink = m_Sinks[i];
        if (!sink) continue;
        sink->AddRef();   // the sink may unadvise itself inside Invoke
        DISPPARAMS params = {args, nullptr, count, 0};
        sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

HRESULT STDMETHODCALLTYPE ConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<IConnectionPoint*> points;
    try {
        points.push_back(&m_Events);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ConnectionPointEnumerator::Create(std::move(points), ppEnum);
}

HRESULT STDMETHODCALLTYPE ConnectionPointContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    if (!IsEqualIID(riid, m_Events.EventIid())) return CONNECT_E_NOCONNECTION;
    *ppCP = &m_Events;
    m_Events.AddRef();
    return S_OK;
}

}  // namespace tarn::com

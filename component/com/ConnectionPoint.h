// Outgoing events: a connection-point container with one connection point, whose sinks sit in a
// growing array of slots (4 at first, doubled whenever none is free). A sink's cookie is its slot
// number counted from 1. Events go to each sink's IDispatch::Invoke in slot order.
#pragma once

#include "compat/compat.h"

#include <cstddef>
#include <vector>

namespace tarn::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    static constexpr std::size_t kInitialSlots = 4;
    static constexpr std::size_t kMaxSlots = 0x7FFFFFFF;   // cookies are 32-bit

    // container supplies the object's identity and reference count; maxSlots bounds the growth.
    ConnectionPoint(IConnectionPointContainer& container, const IID& eventIid,
                    std::size_t maxSlots = kMaxSlots);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    // Calls Invoke(dispid, DISPATCH_METHOD) on every sink, in slot order. args are in DISPPARAMS
    // order (last argument first). Results are ignored: a failing sink does not stop the others,
    // and a sink unadvised meanwhile is skipped.
    void Fire(DISPID dispid, VARIANTARG* args = nullptr, UINT count = 0);

    const IID& EventIid() const { return m_EventIid; }

private:
    // The index of a free slot, growing the array when none is free; false when it cannot grow.
    bool FreeSlot(std::size_t& slot);

    IConnectionPointContainer& m_Container;
    const IID& m_EventIid;
    std::size_t m_MaxSlots;
    std::vector<IDispatch*> m_Sinks;   // one reference each; null = free slot
};

// Base class for an object with one outgoing event interface. Its IUnknown comes from the object
// (ComObject<T>); list IID_IConnectionPointContainer in the object's interface map.
class ConnectionPointContainer : public IConnectionPointContainer {
public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    ConnectionPoint& Events() { return m_Events; }

protected:
    explicit ConnectionPointContainer(const IID& eventIid, std::size_t maxSlots = ConnectionPoint::kMaxSlots)
        : m_Events(*this, eventIid, maxSlots) {}
    ~ConnectionPointContainer() = default;

private:
    ConnectionPoint m_Events;
};

}  // namespace tarn::com

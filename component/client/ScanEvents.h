// The client side of the background scan: an event sink that records OnProgress and
// OnFileScanned, and a wait that dispatches the calling thread's messages until the scan ends.
// Events arrive only while the thread that created the component object dispatches its
// messages; WaitForScan does that.
#pragma once

#include "compat/compat.h"

#include <chrono>
#include <functional>
#include <vector>

namespace tarn::client {

class ScanEvents final : public IDispatch {
public:
    ScanEvents() = default;
    ~ScanEvents();
    ScanEvents(const ScanEvents&) = delete;
    ScanEvents& operator=(const ScanEvents&) = delete;

    // Called with each progress percentage as it arrives.
    std::function<void(LONG)> onProgress;
    // Called when OnFileScanned arrives.
    std::function<void()> onScanned;

    // Connects to the object's event source; S_OK or the failing call's code.
    HRESULT Connect(IUnknown* object);
    void Disconnect();
    // Lets go of the connection point without unadvising: the object alone holds the link, so
    // releasing the object ends it. The sink must outlive the object then.
    void LeaveConnected();

    // Dispatches the calling thread's messages until OnFileScanned has arrived (true) or the
    // timeout has passed (false).
    bool WaitForScan(std::chrono::milliseconds timeout);

    const std::vector<LONG>& Progress() const { return m_Progress; }
    int ScannedCount() const { return m_Scanned; }
    // Every event arrived on the thread that connected the sink.
    bool OnConnectingThread() const { return m_ForeignThreadCalls == 0; }
    void Clear();

    // IUnknown: the sink lives on its owner's stack or heap; references are only counted.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_Refs; }
    // IDispatch: only Invoke is of use to an event source.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

private:
    ULONG m_Refs = 1;
    IConnectionPoint* m_Point = nullptr;
    DWORD m_Cookie = 0;
    DWORD m_Thread = 0;
    std::vector<LONG> m_Progress;
    int m_Scanned = 0;
    int m_ForeignThreadCalls = 0;
};

// Dispatches every message queued for the calling thread; returns how many.
int DispatchPendingMessages();

}  // namespace tarn::client

#include "component/client/ScanEvents.h"

#include "component/TarnInterfaces.h"

namespace tarn::client {

ScanEvents::~ScanEvents() { Disconnect(); }

HRESULT ScanEvents::Connect(IUnknown* object) {
    Disconnect();
    if (object == nullptr) return E_POINTER;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr)) return hr;
    hr = container->FindConnectionPoint(DIID__IQVRecorderFileReaderEvents, &m_Point);
    container->Release();
    if (FAILED(hr)) return hr;
    hr = m_Point->Advise(this, &m_Cookie);
    if (FAILED(hr)) {
        m_Point->Release();
        m_Point = nullptr;
        return hr;
    }
    m_Thread = GetCurrentThreadId();
    return S_OK;
}

void ScanEvents::Disconnect() {
    if (m_Point == nullptr) return;
    m_Point->Unadvise(m_Cookie);
    m_Point->Release();
    m_Point = nullptr;
    m_Cookie = 0;
}

void ScanEvents::LeaveConnected() {
    if (m_Point == nullptr) return;
    m_Point->Release();
    m_Point = nullptr;
    m_Cookie = 0;
}

void ScanEvents::Clear() {
    m_Progress.clear();
    m_Scanned = 0;
    m_ForeignThreadCalls = 0;
}

bool ScanEvents::WaitForScan(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const int before = m_Scanned;
    while (m_Scanned == before) {
        DispatchPendingMessages();
        if (m_Scanned != before) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    }
    return true;
}

HRESULT ScanEvents::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
        !IsEqualIID(riid, DIID__IQVRecorderFileReaderEvents)) {
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT ScanEvents::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT ScanEvents::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT ScanEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT ScanEvents::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*,
                           EXCEPINFO*, UINT*) {
    if (GetCurrentThreadId() != m_Thread) ++m_ForeignThreadCalls;
    if (dispIdMember == DISPID_OnFileScanned) {
        ++m_Scanned;
        if (onScanned) onScanned();
        return S_OK;
    }
    if (dispIdMember != DISPID_OnProgress) return DISP_E_MEMBERNOTFOUND;
    if (pDispParams == nullptr || pDispParams->cArgs != 1 || V_VT(&pDispParams->rgvarg[0]) != VT_I4) {
        return DISP_E_BADPARAMCOUNT;
    }
    const LONG progress = V_I4(&pDispParams->rgvarg[0]);
    m_Progress.push_back(progress);
    if (onProgress) onProgress(progress);
    return S_OK;
}

int DispatchPendingMessages() {
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        ++count;
    }
    return count;
}

}  // namespace tarn::client

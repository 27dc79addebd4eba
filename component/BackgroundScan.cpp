// The background scan: ScanFile starts a worker that walks the block stream, and the worker's
// progress and end come back to the creating thread through the hidden window as events.
#include "component/CQVRecorderFileReader.h"

#include "component/MemberCall.h"
#include "debug/QVDebug.h"
#include "reader/CQVDataRecorderReader.h"

#include <system_error>

namespace tarn {

namespace {

// The position is sampled every this many scan steps, and a progress event is posted only when
// the percentage rose by more than kProgressStep: a scan of any length posts at most 16.
constexpr unsigned kStepsPerProgressCheck = 50;
constexpr std::int32_t kProgressStep = 5;

}  // namespace

HRESULT CQVRecorderFileReader::ScanFile(LONG* pbOk) {
    // While a worker runs the recording counts as not open: never a second worker on one reader.
    return MemberCall("ScanFile", Needs::Recording, {pbOk}, [&]() -> HRESULT {
        *pbOk = 0;
        if (m_Reader->StartError() != FileStartError::None) return E_INVALIDARG;
        if (m_Reader->ScanComplete()) m_Reader->ResetScan();
        StopScan();   // joins the previous worker, which has ended
        m_StopScan.store(false);
        m_ScanRunning.store(true, std::memory_order_release);
        try {
            m_ScanThread = std::thread(&CQVRecorderFileReader::ScanThreadProc, this);
        } catch (const std::system_error& e) {
            m_ScanRunning.store(false, std::memory_order_release);
            QV_TRACE("TARN", 1, "ScanFile: the scan thread cannot be started (%s)", e.what());
            return E_FAIL;
        }
        *pbOk = 1;
        return S_OK;
    });
}

void CQVRecorderFileReader::ScanThreadProc(CQVRecorderFileReader* object) {
    // The worker calls no COM object but this one, directly; it joins the free-threaded
    // apartment as any worker of a COM server does.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        object->ScanToEnd();
        object->StoreScanParameters();
    } catch (...) {
        QV_TRACE("Assert", 1, "ERROR: exception caught in the scan thread");
    }
    // From here the object's thread may use the reader again: the notification comes last.
    object->m_ScanRunning.store(false, std::memory_order_release);
    if (object->m_Window) object->m_Window->Post(WM_FILE_SCANNED);
    if (SUCCEEDED(init)) CoUninitialize();
}

void CQVRecorderFileReader::ScanToEnd() {
    std::int32_t posted = 0;
    for (unsigned step = 0;; ++step) {
        const bool more = m_Reader->ScanFile();
        if (m_StopScan.load()) break;
        if (step % kStepsPerProgressCheck == 0 && m_FileSize > 0) {
            const double percent =
                static_cast<double>(m_Reader->ScanPosition()) * 100.0 / static_cast<double>(m_FileSize);
            const auto progress = static_cast<std::int32_t>(percent);
            if (progress - posted > kProgressStep) {
                if (m_Window) m_Window->Post(WM_SCAN_PROGRESS, static_cast<WPARAM>(progress));
                posted = progress;
            }
        }
        if (!more) break;
    }
    // Also after a stop: the index then describes the part of the file walked.
    m_Reader->SetScanComplete();
}

void CQVRecorderFileReader::StoreScanParameters() {
    if (m_Reader->Has32BitData()) m_Params.SetParameter(0, "DataBitSize", "32");
    // Each channel open counted. A gap before a channel's last block counts too: the latch alone
    // would miss it.
    for (std::int32_t channel = 1; channel <= m_NumberOfChannels; ++channel) {
        const bool gap = m_Reader->IsOverrunLatched(channel) || m_Reader->MetGap(channel);
        m_Params.SetParameter(channel, "OverrunLatched", gap ? "Yes" : "No");
    }
}

void CQVRecorderFileReader::StopScan() {
    if (!m_ScanThread.joinable()) return;
    m_StopScan.store(true);
    m_ScanThread.join();
}

bool CQVRecorderFileReader::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_FILE_SCANNED && message != WM_SCAN_PROGRESS) return false;
    // A sink may release the object's last reference from inside the event: the object stays
    // alive until the firing is over.
    IUnknown* self = ControllingUnknown();
    self->AddRef();
    switch (message) {
        case WM_FILE_SCANNED:
            Fire_OnFileScanned();
            break;
        case WM_SCAN_PROGRESS:
            Fire_OnProgress(static_cast<LONG>(wParam));
            break;
    }
    self->Release();
    return true;
}

void CQVRecorderFileReader::Fire_OnProgress(LONG progress) {
    VARIANTARG argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I4;
    V_I4(&argument) = progress;
    Events().Fire(DISPID_OnProgress, &argument, 1);
}

void CQVRecorderFileReader::Fire_OnFileScanned() { Events().Fire(DISPID_OnFileScanned); }

}  // namespace tarn

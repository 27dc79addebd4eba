#include "component/CQVRecorderFileReader.h"

#include "component/ClientMemory.h"
#include "component/MemberCall.h"
#include "component/RECFileLoader.h"
#include "debug/QVDebug.h"
#include "reader/CQVDataRecorderReader.h"
#include "setup/BstrText.h"
#include "setup/DecimalText.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

namespace tarn {

using component::AllocResultArray;
using component::AnsiToBstr;
using component::I4ListToVariant;
using component::NewBstr;
using component::UniqueTaskMem;

namespace {

// Ranges up to this many samples get a slot for every sample of the range, whatever the channel
// holds there; longer ones get room for what it holds (at least this much).
constexpr std::int64_t kWholeRangeSlots = std::int64_t{1} << 20;

}  // namespace

CQVRecorderFileReader::CQVRecorderFileReader(IUnknown* outer)
    : com::ObjectRoot(outer),
      com::ConnectionPointContainer(DIID__IQVRecorderFileReaderEvents) {}

CQVRecorderFileReader::~CQVRecorderFileReader() {
    // The worker uses the reader, the file and the store: it ends before anything goes. The
    // window goes next, with the worker's last notification still in its queue.
    StopScan();
    m_Window.reset();
    try {
        CloseRecording();
    } catch (...) {
        QV_TRACE("Assert", 1, "ERROR: exception caught in destructor");
    }
}

const com::InterfaceMap& CQVRecorderFileReader::Interfaces() {
    using com::Entry;
    using Self = CQVRecorderFileReader;
    static const com::InterfaceEntry entries[] = {
        Entry<Self, IQVRecorderFileReader>(IID_IQVRecorderFileReader),
        Entry<Self, IConnectionPointContainer>(IID_IConnectionPointContainer),
        Entry<Self, IQVRecorderFileReader2>(IID_IQVRecorderFileReader2),
        Entry<Self, IQVRecorderFileReader>(IID_IDispatch),
        Entry<Self, IQVRecorderFileWriter>(IID_IQVRecorderFileWriter),
    };
    static const com::InterfaceMap map(entries);
    return map;
}

HRESULT CQVRecorderFileReader::FinalConstruct() {
    try {
        component::HiddenWindow::Handler& handler = *this;
        m_Window = std::make_unique<component::HiddenWindow>(handler);
    } catch (...) {
        QV_TRACE("TARN", 1, "the hidden window cannot be created: no events will be delivered");
    }
    return S_OK;
}

bool CQVRecorderFileReader::IsRecordingOpen() const {
    return m_File.IsOpen() && m_Reader != nullptr && !ScanRunning();
}

bool CQVRecorderFileReader::HasSetupText() const {
    return IsRecordingOpen() && m_Reader->SetupText() != nullptr;
}

bool CQVRecorderFileReader::IsIdle() const { return m_Reader == nullptr && m_Writer == nullptr && !m_File.IsOpen(); }

bool CQVRecorderFileReader::AddSignalNameFromRECFile() { return component::LoadRECFile(m_FileName, m_Params); }

// ---- Opening and closing ----------------------------------------------------------------------

HRESULT CQVRecorderFileReader::open(LONG* pbOk) {
    return MemberCall("open", Needs::Nothing, {pbOk}, [&]() -> HRESULT {
        if (!IsIdle()) {
            *pbOk = 0;
            return E_FAIL;
        }
        try {
            return OpenRecording(*pbOk);
        } catch (...) {
            // Half an open is no open: the object goes back to idle before the failure is told.
            CloseRecording();
            throw;
        }
    });
}

HRESULT CQVRecorderFileReader::OpenRecording(LONG& pbOk) {
    if (!m_File.Open(m_FileName, platform::File::Mode::Read)) {
        pbOk = 0;
        return S_OK;
    }
    m_Reader = std::make_unique<CQVDataRecorderReader>(m_File, m_FileName);
    if (m_Reader->EndOfData()) {
        CloseRecording();
        return E_INVALIDARG;
    }
    m_Reader->CreateChannelDescs(m_Mode);
    m_NumberOfChannels = m_Reader->NumberOfChannels();
    m_FileSize = m_Reader->FileLength();
    if (!m_Params.Init(m_NumberOfChannels + 1)) throw std::bad_alloc();
    if (const char* text = m_Reader->SetupText()) {
        // A text that does not parse leaves the store empty; the recording still opens.
        m_Params.ParseSetupSection(std::string_view(text, m_Reader->SetupTextLength()));
    }
    pbOk = 1;
    if (m_EnableLoadRECFile && !AddSignalNameFromRECFile()) {
        for (std::int32_t channel = 1; channel <= m_NumberOfChannels; ++channel) {
            char name[32];
            std::snprintf(name, sizeof name, "Signal%d", static_cast<int>(channel));
            m_Params.SetParameter(channel, "Unit", "");
            m_Params.SetParameter(channel, "OrgSignalName", name);
            m_Params.SetParameter(channel, "SignalName", "");
        }
    }
    return S_OK;
}

HRESULT CQVRecorderFileReader::close() {
    return MemberCall("close", Needs::Nothing, {}, [&]() -> HRESULT {
        // The file being written belongs to the writer until CloseFile.
        if (m_Writer != nullptr) return S_OK;
        StopScan();
        CloseRecording();
        return S_OK;
    });
}

void CQVRecorderFileReader::CloseRecording() {
    // The reader holds the file by reference: it goes first.
    m_Reader.reset();
    if (m_File.IsOpen()) {
        m_File.Close();
        m_FileSize = 0;
        m_NumberOfChannels = 0;
    }
    m_Params.Clear();
}

// ---- Properties -------------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::get_FileName(BSTR* pVal) {
    return MemberCall("get_FileName", Needs::Nothing, {}, [&]() -> HRESULT {
        // The one member that has always refused a null pointer as an invalid argument.
        if (pVal == nullptr) return E_INVALIDARG;
        *pVal = m_FileName.empty() ? nullptr : NewBstr(platform::FileNameToWide(m_FileName));
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::put_FileName(BSTR value) {
    return MemberCall("put_FileName", Needs::Nothing, {}, [&] {
        m_FileName = platform::FileNameFromWide(BstrTextUpToNul(value));
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_FileSize(LONG* pVal) {
    return MemberCall("get_FileSize", Needs::Nothing, {pVal}, [&] {
        // Only the low 32 bits fit the property.
        *pVal = static_cast<LONG>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(m_FileSize)));
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_NumberOfChannels(LONG* pVal) {
    return MemberCall("get_NumberOfChannels", Needs::Nothing, {pVal}, [&] {
        *pVal = m_NumberOfChannels;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_Mode(RFMode* pVal) {
    return MemberCall("get_Mode", Needs::Nothing, {pVal}, [&] {
        *pVal = m_Mode;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::put_Mode(RFMode value) {
    return MemberCall("put_Mode", Needs::Nothing, {}, [&] {
        if (value != RF_Interleaved && value != RF_BlockInterleaved) return E_FAIL;
        m_Mode = value;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_EnableLoadRECFileWithCORAL(LONG* pVal) {
    return MemberCall("get_EnableLoadRECFileWithCORAL", Needs::Nothing, {pVal}, [&] {
        *pVal = m_EnableLoadRECFile ? 1 : 0;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::put_EnableLoadRECFileWithCORAL(LONG value) {
    return MemberCall("put_EnableLoadRECFileWithCORAL", Needs::Nothing, {}, [&] {
        m_EnableLoadRECFile = value != 0;
        return S_OK;
    });
}

// ---- Setup information ------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::get_Description(BSTR* pVal) {
    return MemberCall("get_Description", Needs::Recording, {pVal}, [&] {
        const char* text = m_Reader->SetupText();
        // The text ends at its first zero byte, as the parser sees it.
        *pVal = text == nullptr ? nullptr : AnsiToBstr(std::string_view(text));
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetCorrectionFactor(LONG lChNo, double* pCorr) {
    return MemberCall("GetCorrectionFactor", Needs::SetupText, {pCorr}, [&] {
        double factor = 0.0;
        // A channel outside the store's table has no factor (every channel, after a failed parse).
        if (!m_Params.GetCorrectionFactor(lChNo, factor)) return E_INVALIDARG;
        *pCorr = factor;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::Parameter(const char16_t* name, LONG section, VARIANT* value) {
    VariantInit(value);
    const UniqueBstr key(NewBstr(name));
    return getParameter(key.get(), section, value);
}

HRESULT CQVRecorderFileReader::StringParameter(const char16_t* name, LONG section, BSTR* text) {
    VARIANT value;
    const HRESULT hr = Parameter(name, section, &value);
    if (FAILED(hr)) return hr;
    if (V_VT(&value) != VT_BSTR) {
        VariantClear(&value);
        return E_FAIL;
    }
    // The VARIANT's string is already a copy: it changes hands.
    *text = V_BSTR(&value);
    return S_OK;
}

HRESULT CQVRecorderFileReader::get_SampleFrequency(double* pSamp) {
    return MemberCall("get_SampleFrequency", Needs::SetupText, {pSamp}, [&] {
        BSTR text = nullptr;
        const HRESULT hr = StringParameter(u"SampleFrequency", 0, &text);
        if (FAILED(hr)) return hr;
        const UniqueBstr owned(text);
        double frequency = 0.0;
        if (!DecimalTextToDouble(BstrText(text), platform::UserDecimalSeparator(), frequency)) return E_FAIL;
        *pSamp = frequency;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetUnit(LONG lChNo, BSTR* pVal) {
    return MemberCall("GetUnit", Needs::SetupText, {pVal}, [&] { return StringParameter(u"Unit", lChNo, pVal); });
}

HRESULT CQVRecorderFileReader::getParameter(BSTR parName, LONG lChNo, VARIANT* pVal) {
    return MemberCall("getParameter", Needs::Recording, {pVal}, [&] {
        m_Params.GetParameter(lChNo, platform::WideToAnsi(BstrTextUpToNul(parName)), pVal);
        return S_OK;
    });
}

// ---- Sample retrieval -------------------------------------------------------------------------

bool CQVRecorderFileReader::IsChannel(LONG channel) const { return channel >= 1 && channel <= m_NumberOfChannels; }

HRESULT CQVRecorderFileReader::PrepareRangeRequest(LONG channel, LONG samplestart, LONG samplestop) {
    // Until a full scan has run, each request grows the index by one block.
    if (!m_Reader->ScanComplete()) m_Reader->ScanFile();
    return samplestart <= samplestop && IsChannel(channel) ? S_OK : E_FAIL;
}

template <typename Slot, typename Out>
HRESULT CQVRecorderFileReader::CopySampleRange(
    const char* method, LONG channel, LONG samplestart, LONG samplestop, LONG* lastsampleread, Out** pVal,
    std::int32_t (CQVDataRecorderReader::*copy)(std::int32_t, std::int32_t, std::int32_t, Slot*)) {
    static_assert(sizeof(Slot) == sizeof(Out), "the client's view of the result has the reader's slots");
    return MemberCall(method, Needs::Recording, {pVal, lastsampleread}, [&] {
        const HRESULT hr = PrepareRangeRequest(channel, samplestart, samplestop);
        if (FAILED(hr)) return hr;
        // An empty copy reports samplestart - 1, which the lowest start has no room for.
        if (samplestart == std::numeric_limits<LONG>::min()) return E_FAIL;
        // One slot more than the range holds: clients have always been handed that many. A long
        // range gets room for what the channel holds in it: asking a short recording for samples
        // 0 .. 2^30 would cost 2 GiB otherwise.
        std::int64_t room = std::int64_t{samplestop} - samplestart;
        if (room > kWholeRangeSlots)
            room = std::max(kWholeRangeSlots, m_Reader->CopyBound(channel, samplestart, samplestop));
        const auto slots = static_cast<std::uint64_t>(room) + 1;
        UniqueTaskMem buffer = AllocResultArray(slots, sizeof(Slot));
        if (!buffer) return E_FAIL;
        *lastsampleread = ((*m_Reader).*copy)(channel, samplestart, samplestop, static_cast<Slot*>(buffer.get()));
        *pVal = static_cast<Out*>(buffer.release());
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetSamples(LONG channel, LONG samplestart, LONG samplestop,
                                          LONG* lastsampleread, short** pVal) {
    return CopySampleRange("GetSamples", channel, samplestart, samplestop, lastsampleread, pVal,
                           &CQVDataRecorderReader::CopySamples16);
}

HRESULT CQVRecorderFileReader::GetSamples32Bit(LONG channel, LONG samplestart, LONG samplestop,
                                               LONG* lastsampleread, LONG** pVal) {
    return CopySampleRange("GetSamples32Bit", channel, samplestart, samplestop, lastsampleread, pVal,
                           &CQVDataRecorderReader::CopySamples32);
}

HRESULT CQVRecorderFileReader::GetOverloadStatusInRange(LONG channel, LONG samplestart, LONG samplestop,
                                                        BYTE* overloadStatus) {
    return MemberCall("GetOverloadStatusInRange", Needs::Recording, {overloadStatus}, [&] {
        const HRESULT hr = PrepareRangeRequest(channel, samplestart, samplestop);
        if (FAILED(hr)) return hr;
        *overloadStatus = m_Reader->OverloadStatusInRange(channel, samplestart, samplestop);
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetDCChannelIndexes(LONG samplestart, LONG samplestop, VARIANT* pEntryList) {
    return MemberCall("GetDCChannelIndexes", Needs::Recording, {pEntryList}, [&] {
        std::vector<std::int32_t> pairs;
        m_Reader->DCChannelIndexes(samplestart, samplestop, pairs);
        I4ListToVariant(pairs, pEntryList);
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetDCChannelBlock(LONG channel, LONG Index, LONG* Size, BYTE** Block) {
    return MemberCall("GetDCChannelBlock", Needs::Recording, {Size, Block}, [&] {
        std::int32_t bytes = 0;
        if (!m_Reader->DCBlockLength(channel, Index, bytes) || bytes < 0) return E_FAIL;
        UniqueTaskMem buffer = AllocResultArray(static_cast<std::uint64_t>(bytes), 1);
        if (!buffer || !m_Reader->ReadDCBlock(channel, Index, static_cast<std::uint8_t*>(buffer.get()))) {
            return E_FAIL;
        }
        *Size = bytes;
        *Block = static_cast<BYTE*>(buffer.release());
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::Is32BitData(LONG channelIndex, LONG* pVal) {
    return MemberCall("Is32BitData", Needs::Recording, {pVal}, [&] {
        bool is32Bit = false;
        if (!m_Reader->Is32BitData(channelIndex, is32Bit)) return E_FAIL;
        *pVal = is32Bit ? 1 : 0;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetFirstTriggerSample(LONG* pSampleNo) {
    return MemberCall("GetFirstTriggerSample", Needs::Nothing, {pSampleNo}, [&] {
        // A failed query still answers "no trigger".
        *pSampleNo = -1;
        if (!IsRecordingOpen()) return E_FAIL;
        const std::int32_t sample = m_Reader->FirstTriggerSample();
        if (sample != 0) *pSampleNo = sample;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetFirstSampleNumber(LONG* SampleNumber) {
    return MemberCall("GetFirstSampleNumber", Needs::Recording, {SampleNumber}, [&] {
        *SampleNumber = m_Reader->GetFirstSampleNumber();
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::GetLastSampleNumber(LONG* SampleNumber) {
    return MemberCall("GetLastSampleNumber", Needs::Recording, {SampleNumber}, [&] {
        *SampleNumber = m_Reader->GetLastSampleNumber();
        return S_OK;
    });
}

}  // namespace tarn

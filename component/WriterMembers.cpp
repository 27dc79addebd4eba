// The members of IQVRecorderFileWriter, and the embedded REC info of a recording open for reading.
// Each writer member checks that a writer is open and forwards to CQVDataRecorderWriter, whose
// status WriterStatusCode turns into the member's result.
#include "component/CQVRecorderFileReader.h"

#include "component/ClientMemory.h"
#include "component/ComCall.h"
#include "setup/BstrText.h"
#include "setup/RECInfoSection.h"
#include "writer/CQVDataRecorderWriter.h"
#include "component/WriterStatusCode.h"

#include <memory>
#include <new>
#include <string>

using tarn::component::ComCall;

namespace {

// The frame of the members that need an open writer: E_POINTER without one, else the status of
// op(writer).
template <typename Op>
HRESULT WithWriter(const char* method, tarn::CQVDataRecorderWriter* writer, Op&& op) {
    return ComCall(method, [&]() -> HRESULT {
        if (writer == nullptr) return E_POINTER;
        return tarn::WriterStatusCode(op(*writer));
    });
}

}  // namespace

void CQVRecorderFileReader::WriterDeleter::operator()(tarn::CQVDataRecorderWriter* writer) const { delete writer; }

// ---- Opening and closing ----------------------------------------------------------------------

HRESULT CQVRecorderFileReader::OpenFile() {
    return ComCall("OpenFile", [&]() -> HRESULT {
        // One file per object: a writer, or a recording open for reading, is left as it is.
        if (m_Writer != nullptr || m_Reader != nullptr || m_File.IsOpen()) return E_FAIL;
        if (!m_File.Open(m_FileName, tarn::platform::File::Mode::Create)) return E_FAIL;
        try {
            m_Writer.reset(new tarn::CQVDataRecorderWriter(m_File));
        } catch (const std::bad_alloc&) {
            // Back to idle: a file without a writer could be neither written nor closed.
            m_File.Close();
            return E_OUTOFMEMORY;
        }
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::CloseFile() {
    return ComCall("CloseFile", [&]() -> HRESULT {
        // A recording open for reading is not the writer's to close.
        if (m_Writer == nullptr) return S_OK;
        // A failed flush is not reported: the client has nothing left to do about it.
        m_Writer->CloseStream();
        m_Writer.reset();
        return S_OK;
    });
}

// ---- Setup section ----------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::SetNumberOfChannels(LONG noCh) {
    return WithWriter("SetNumberOfChannels", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.SetNumberOfChannels(noCh);
    });
}

HRESULT CQVRecorderFileReader::SetParameter(BSTR ParameterName, LONG ChNo, BSTR Value) {
    return WithWriter("SetParameter", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.SetParameter(tarn::BstrTextUpToNul(ParameterName), ChNo, tarn::BstrTextUpToNul(Value));
    });
}

HRESULT CQVRecorderFileReader::SetRECInfo(BSTR RECFileName) {
    return WithWriter("SetRECInfo", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.SetRECInfo(tarn::BstrTextUpToNul(RECFileName));
    });
}

HRESULT CQVRecorderFileReader::SetRECInfoArray(LONG Size, BYTE* RECInfo) {
    // The block is handed over with the call: the caller never frees it, so it is freed here on
    // every path, refusals included.
    const std::unique_ptr<BYTE, tarn::component::CoTaskMemDeleter> owned(RECInfo);
    return WithWriter("SetRECInfoArray", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.SetRECInfoArray(Size, RECInfo);
    });
}

HRESULT CQVRecorderFileReader::WriteSetupSection() {
    return WithWriter("WriteSetupSection", m_Writer.get(),
                      [](tarn::CQVDataRecorderWriter& w) { return w.WriteSetupSection(); });
}

// ---- Data section -----------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::InitializeBinaryDataSection(LONG firstSampleNumber) {
    return WithWriter("InitializeBinaryDataSection", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.InitializeBinaryDataSection(firstSampleNumber);
    });
}

HRESULT CQVRecorderFileReader::SetChId(LONG Index, LONG ChId) {
    return WithWriter("SetChId", m_Writer.get(),
                      [&](tarn::CQVDataRecorderWriter& w) { return w.SetChId(Index, ChId); });
}

HRESULT CQVRecorderFileReader::CreateBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) {
    return WithWriter("CreateBinaryDataBlock", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.CreateBinaryDataBlock(Ch, noSamples, data);
    });
}

HRESULT CQVRecorderFileReader::CreateBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples, BYTE* data,
                                                                       BYTE overloadStatus) {
    return WithWriter("CreateBinaryDataBlockWithOverloadStatus", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.CreateBinaryDataBlockWithOverloadStatus(Ch, noSamples, data, overloadStatus);
    });
}

HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) {
    return WithWriter("Create32bitBinaryDataBlock", m_Writer.get(), [&](tarn::CQVDataRecorderWriter& w) {
        return w.Create32bitBinaryDataBlock(Ch, noSamples, data);
    });
}

HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples, BYTE* data,
                                                                            BYTE overloadStatus) {
    return WithWriter("Create32bitBinaryDataBlockWithOverloadStatus", m_Writer.get(),
                      [&](tarn::CQVDataRecorderWriter& w) {
                          return w.Create32bitBinaryDataBlockWithOverloadStatus(Ch, noSamples, data, overloadStatus);
                      });
}

HRESULT CQVRecorderFileReader::CreateDCChannelBlock(LONG, LONG Size, BYTE* data) {
    // The channel argument has never been used: the block names its own channels.
    return WithWriter("CreateDCChannelBlock", m_Writer.get(),
                      [&](tarn::CQVDataRecorderWriter& w) { return w.CreateDCChannelBlock(Size, data); });
}

// ---- Embedded REC info ------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::RECInfoNumber(const char16_t* key, LONG& value) {
    VARIANT text;
    HRESULT hr = Parameter(key, 0, &text);
    if (FAILED(hr)) return hr;
    // A missing key (VT_EMPTY) converts to 0.
    hr = VariantChangeTypeEx(&text, &text, LOCALE_USER_DEFAULT, 0, VT_I4);
    if (SUCCEEDED(hr)) value = V_I4(&text);
    VariantClear(&text);
    return hr;
}

HRESULT CQVRecorderFileReader::GetRECInfoSection(LONG* NoBytes, BYTE** RECSection) {
    return ComCall("GetRECInfoSection", [&]() -> HRESULT {
        if (NoBytes == nullptr || RECSection == nullptr) return E_POINTER;
        if (!HasSetupText()) return E_FAIL;
        LONG position = 0, size = 0;
        HRESULT hr = RECInfoNumber(u"RECInfoSectionPos", position);
        if (SUCCEEDED(hr)) hr = RECInfoNumber(u"RECInfoSectionSize", size);
        if (FAILED(hr)) return hr;
        BYTE* block = nullptr;
        switch (tarn::ReadRECInfoSection(m_File, position, size, block)) {
            case tarn::RECInfoStatus::Ok:
                *NoBytes = size;
                *RECSection = block;
                return S_OK;
            case tarn::RECInfoStatus::OutOfMemory:
                return E_OUTOFMEMORY;
            case tarn::RECInfoStatus::Failed:
                break;
        }
        return E_FAIL;
    });
}

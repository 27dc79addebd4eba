// The members of IQVRecorderFileWriter, and the embedded REC info of a recording open for reading.
// Each writer member forwards to CQVDataRecorderWriter; MemberCall refuses it without an open
// writer and turns the writer's status into the member's result.
#include "component/CQVRecorderFileReader.h"

#include "component/ClientMemory.h"
#include "component/MemberCall.h"
#include "setup/BstrText.h"
#include "setup/RECInfoSection.h"
#include "writer/CQVDataRecorderWriter.h"

#include <memory>
#include <new>
#include <string>

namespace tarn {

void CQVRecorderFileReader::WriterDeleter::operator()(CQVDataRecorderWriter* writer) const { delete writer; }

// ---- Opening and closing ----------------------------------------------------------------------

HRESULT CQVRecorderFileReader::OpenFile() {
    return MemberCall("OpenFile", Needs::Nothing, {}, [&]() -> HRESULT {
        // One file per object: a writer, or a recording open for reading, is left as it is.
        if (!IsIdle()) return E_FAIL;
        if (!m_File.Open(m_FileName, platform::File::Mode::Create)) return E_FAIL;
        try {
            m_Writer.reset(new CQVDataRecorderWriter(m_File));
        } catch (const std::bad_alloc&) {
            // Back to idle: a file without a writer could be neither written nor closed.
            m_File.Close();
            return E_OUTOFMEMORY;
        }
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::CloseFile() {
    return MemberCall("CloseFile", Needs::Nothing, {}, [&] {
        // A recording open for reading is not the writer's to close.
        if (m_Writer == nullptr) return S_OK;
        // A failed write is reported here too: the client learns that the file lacks blocks it
        // was given. The object is idle again either way.
        const bool written = m_Writer->CloseStream();
        m_Writer.reset();
        return written ? S_OK : E_FAIL;
    });
}

// ---- Setup section ----------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::SetNumberOfChannels(LONG noCh) {
    return MemberCall("SetNumberOfChannels", Needs::Writer, {}, [&] { return m_Writer->SetNumberOfChannels(noCh); });
}

HRESULT CQVRecorderFileReader::SetParameter(BSTR ParameterName, LONG ChNo, BSTR Value) {
    return MemberCall("SetParameter", Needs::Writer, {}, [&] {
        return m_Writer->SetParameter(BstrTextUpToNul(ParameterName), ChNo, BstrTextUpToNul(Value));
    });
}

HRESULT CQVRecorderFileReader::SetRECInfo(BSTR RECFileName) {
    return MemberCall("SetRECInfo", Needs::Writer, {}, [&] {
        return m_Writer->SetRECInfo(BstrTextUpToNul(RECFileName));
    });
}

HRESULT CQVRecorderFileReader::SetRECInfoArray(LONG Size, BYTE* RECInfo) {
    // The block is handed over with the call: the caller never frees it, so it is freed here on
    // every path, refusals included.
    const std::unique_ptr<BYTE, component::CoTaskMemDeleter> owned(RECInfo);
    return MemberCall("SetRECInfoArray", Needs::Writer, {}, [&] { return m_Writer->SetRECInfoArray(Size, RECInfo); });
}

HRESULT CQVRecorderFileReader::WriteSetupSection() {
    return MemberCall("WriteSetupSection", Needs::Writer, {}, [&] { return m_Writer->WriteSetupSection(); });
}

// ---- Data section -----------------------------------------------------------------------------

HRESULT CQVRecorderFileReader::InitializeBinaryDataSection(LONG firstSampleNumber) {
    return MemberCall("InitializeBinaryDataSection", Needs::Writer, {}, [&] {
        return m_Writer->InitializeBinaryDataSection(firstSampleNumber);
    });
}

HRESULT CQVRecorderFileReader::SetChId(LONG Index, LONG ChId) {
    return MemberCall("SetChId", Needs::Writer, {}, [&] { return m_Writer->SetChId(Index, ChId); });
}

HRESULT CQVRecorderFileReader::CreateBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) {
    return MemberCall("CreateBinaryDataBlock", Needs::Writer, {}, [&] {
        return m_Writer->CreateBinaryDataBlock(Ch, noSamples, data);
    });
}

HRESULT CQVRecorderFileReader::CreateBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples, BYTE* data,
                                                                       BYTE overloadStatus) {
    return MemberCall("CreateBinaryDataBlockWithOverloadStatus", Needs::Writer, {}, [&] {
        return m_Writer->CreateBinaryDataBlockWithOverloadStatus(Ch, noSamples, data, overloadStatus);
    });
}

HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) {
    return MemberCall("Create32bitBinaryDataBlock", Needs::Writer, {}, [&] {
        return m_Writer->Create32bitBinaryDataBlock(Ch, noSamples, data);
    });
}

HRESULT CQVRecorderFileReader::Create32bitBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples, BYTE* data,
                                                                            BYTE overloadStatus) {
    return MemberCall("Create32bitBinaryDataBlockWithOverloadStatus", Needs::Writer, {}, [&] {
        return m_Writer->Create32bitBinaryDataBlockWithOverloadStatus(Ch, noSamples, data, overloadStatus);
    });
}

HRESULT CQVRecorderFileReader::CreateDCChannelBlock(LONG, LONG Size, BYTE* data) {
    // The channel argument has never been used: the block names its own channels.
    return MemberCall("CreateDCChannelBlock", Needs::Writer, {}, [&] {
        return m_Writer->CreateDCChannelBlock(Size, data);
    });
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
    return MemberCall("GetRECInfoSection", Needs::SetupText, {NoBytes, RECSection}, [&]() -> HRESULT {
        LONG position = 0, size = 0;
        HRESULT hr = RECInfoNumber(u"RECInfoSectionPos", position);
        if (SUCCEEDED(hr)) hr = RECInfoNumber(u"RECInfoSectionSize", size);
        if (FAILED(hr)) return hr;
        BYTE* block = nullptr;
        switch (ReadRECInfoSection(m_File, position, size, block)) {
            case RECInfoStatus::Ok:
                *NoBytes = size;
                *RECSection = block;
                return S_OK;
            case RECInfoStatus::OutOfMemory:
                return E_OUTOFMEMORY;
            case RECInfoStatus::Failed:
                break;
        }
        return E_FAIL;
    });
}

}  // namespace tarn

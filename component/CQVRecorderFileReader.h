// CQVRecorderFileReader: the component object's state and its reading members. Each public
// member has the name and COM signature of the interface member it implements, so that the COM
// shell only has to derive this class from the interfaces. Every member checks its pointers and
// the object's state, forwards to the reader or the parameter store, and turns the outcome into a
// status code; no exception leaves it.
#pragma once

#include "compat/compat.h"
#include "platform/platform.h"
#include "reader/RFMode.h"
#include "setup/ParamList.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarn {
class CQVDataRecorderReader;
}

class CQVRecorderFileReader {
public:
    CQVRecorderFileReader();
    ~CQVRecorderFileReader();
    CQVRecorderFileReader(const CQVRecorderFileReader&) = delete;
    CQVRecorderFileReader& operator=(const CQVRecorderFileReader&) = delete;

    // ---- IQVRecorderFileReader ------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE put_FileName(BSTR value);
    HRESULT STDMETHODCALLTYPE get_FileSize(LONG* pVal);
    HRESULT STDMETHODCALLTYPE get_NumberOfChannels(LONG* pVal);
    HRESULT STDMETHODCALLTYPE open(LONG* pbOk);
    HRESULT STDMETHODCALLTYPE close();
    HRESULT STDMETHODCALLTYPE get_Description(BSTR* pVal);
    HRESULT STDMETHODCALLTYPE GetCorrectionFactor(LONG lChNo, double* pCorr);
    HRESULT STDMETHODCALLTYPE get_SampleFrequency(double* pSamp);
    HRESULT STDMETHODCALLTYPE GetUnit(LONG lChNo, BSTR* pVal);
    HRESULT STDMETHODCALLTYPE getParameter(BSTR parName, LONG lChNo, VARIANT* pVal);
    HRESULT STDMETHODCALLTYPE get_Mode(RFMode* pVal);
    HRESULT STDMETHODCALLTYPE put_Mode(RFMode value);
    HRESULT STDMETHODCALLTYPE Is32BitData(LONG channelIndex, LONG* pVal);
    HRESULT STDMETHODCALLTYPE GetFirstTriggerSample(LONG* pSampleNo);

    // ---- IQVRecorderFileReader2 -----------------------------------------------------------
    HRESULT STDMETHODCALLTYPE GetSamples(LONG channel, LONG samplestart, LONG samplestop,
                                         LONG* lastsampleread, short** pVal);
    HRESULT STDMETHODCALLTYPE GetFirstSampleNumber(LONG* SampleNumber);
    HRESULT STDMETHODCALLTYPE GetLastSampleNumber(LONG* SampleNumber);
    HRESULT STDMETHODCALLTYPE get_EnableLoadRECFileWithCORAL(LONG* pVal);
    HRESULT STDMETHODCALLTYPE put_EnableLoadRECFileWithCORAL(LONG value);
    HRESULT STDMETHODCALLTYPE GetSamples32Bit(LONG channel, LONG samplestart, LONG samplestop,
                                              LONG* lastsampleread, LONG** pVal);
    HRESULT STDMETHODCALLTYPE GetDCChannelIndexes(LONG samplestart, LONG samplestop,
                                                  VARIANT* pEntryList);
    HRESULT STDMETHODCALLTYPE GetDCChannelBlock(LONG channel, LONG Index, LONG* Size, BYTE** Block);
    HRESULT STDMETHODCALLTYPE GetOverloadStatusInRange(LONG channel, LONG samplestart,
                                                       LONG samplestop, BYTE* overloadStatus);

    // The reader of the open recording (nullptr when none), for in-process callers that drive
    // the block scan themselves or show what it indexed.
    tarn::CQVDataRecorderReader* Reader() const { return m_Reader.get(); }

private:
    // Companion .REC file: not read yet, so every open falls back to the default names.
    bool AddSignalNameFromRECFile();

    bool IsRecordingOpen() const;
    bool HasSetupText() const;
    HRESULT OpenRecording(LONG& pbOk);
    // The text stored under name in a section, fetched through getParameter: S_OK with a new
    // BSTR, E_FAIL when the value is absent or no recording is open.
    HRESULT StringParameter(const char16_t* name, LONG section, BSTR* text);
    void CloseRecording();
    // The checks every range request shares: a recording, one scan step while the index is
    // incomplete, then samplestart <= samplestop and a channel of 1 .. N. S_OK or E_FAIL.
    HRESULT PrepareRangeRequest(LONG channel, LONG samplestart, LONG samplestop);
    template <typename Slot, typename Out>
    HRESULT CopySampleRange(LONG channel, LONG samplestart, LONG samplestop, LONG* lastsampleread,
                            Out** pVal,
                            std::int32_t (tarn::CQVDataRecorderReader::*copy)(std::int32_t, std::int32_t,
                                                                              std::int32_t, Slot*));

    std::unique_ptr<tarn::CQVDataRecorderReader> m_Reader;
    platform::File m_File;
    std::string m_FileName;
    std::int64_t m_FileSize = 0;
    std::int32_t m_NumberOfChannels = 0;
    CParamList m_Params;
    bool m_EnableLoadRECFile = false;
    RFMode m_Mode = RF_Interleaved;
};

// CQVRecorderFileReader: the component object. It implements the three dual interfaces and the
// event source, owns the one open file, the reader and the parameter store of the recording
// opened for reading, the hidden window that brings the background scan's notifications to the
// creating thread, and that scan's worker thread.
//
// Every interface member runs inside MemberCall, which checks its out pointers and the object's
// state and turns exceptions into status codes; the member's body forwards to the reader, the
// writer or the parameter store. Objects are created by
// com::ComObject<CQVRecorderFileReader> (component/ClassObject.h), which supplies IUnknown.
#pragma once

#include "compat/compat.h"
#include "component/HiddenWindow.h"
#include "component/TarnInterfaces.h"
#include "component/com/ConnectionPoint.h"
#include "component/com/ObjectRoot.h"
#include "component/com/TarnDispatch.h"
#include "platform/platform.h"
#include "format/RFMode.h"
#include "setup/ParamList.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>

namespace tarn {

class CQVDataRecorderReader;
class CQVDataRecorderWriter;

class CQVRecorderFileReader : public com::ObjectRoot,
                              public com::ConnectionPointContainer,
                              public com::DispatchImpl<IQVRecorderFileReader>,
                              public com::DispatchImpl<IQVRecorderFileReader2>,
                              public com::DispatchImpl<IQVRecorderFileWriter>,
                              private component::HiddenWindow::Handler {
public:
    // Posted by the scan worker to the hidden window.
    static constexpr UINT WM_FILE_SCANNED = WM_USER + 101;
    static constexpr UINT WM_SCAN_PROGRESS = WM_USER + 102;

    static const com::InterfaceMap& Interfaces();

    // Creates the hidden window on the creating thread. Its failure does not fail the creation:
    // the object then works without events.
    HRESULT FinalConstruct();

    // ---- IQVRecorderFileReader (and the FileName property of IQVRecorderFileWriter) ------
    HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_FileName(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_FileSize(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_NumberOfChannels(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE open(LONG* pbOk) override;
    HRESULT STDMETHODCALLTYPE close() override;
    HRESULT STDMETHODCALLTYPE read(LONG* pbOk) override;
    HRESULT STDMETHODCALLTYPE getBlock(VARIANT* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Description(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_BlockSize(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE _getBlock(short** pVal) override;
    HRESULT STDMETHODCALLTYPE GetCorrectionFactor(LONG lChNo, double* pCorr) override;
    HRESULT STDMETHODCALLTYPE get_SampleFrequency(double* pSamp) override;
    HRESULT STDMETHODCALLTYPE GetUnit(LONG lChNo, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE getParameter(BSTR parName, LONG lChNo, VARIANT* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Mode(RFMode* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Mode(RFMode value) override;
    HRESULT STDMETHODCALLTYPE get_SampleNumber(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Overrun(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ChannelSelection(VARIANT* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ChannelSelection(VARIANT value) override;
    HRESULT STDMETHODCALLTYPE clearSelection(LONG lType) override;
    HRESULT STDMETHODCALLTYPE setSampleSelection(LONG lSampleNumberFrom, LONG lSampleNumberTo) override;
    HRESULT STDMETHODCALLTYPE Is32BitData(LONG channelIndex, LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE GetFirstTriggerSample(LONG* pSampleNo) override;
    HRESULT STDMETHODCALLTYPE getBlock32(VARIANT* pVal) override;

    // ---- IQVRecorderFileReader2 ---------------------------------------------------------
    HRESULT STDMETHODCALLTYPE ScanFile(LONG* pbOk) override;
    HRESULT STDMETHODCALLTYPE GetSamples(LONG channel, LONG samplestart, LONG samplestop,
                                         LONG* lastsampleread, short** pVal) override;
    HRESULT STDMETHODCALLTYPE GetFirstSampleNumber(LONG* SampleNumber) override;
    HRESULT STDMETHODCALLTYPE GetLastSampleNumber(LONG* SampleNumber) override;
    HRESULT STDMETHODCALLTYPE GetRECInfoSection(LONG* NoBytes, BYTE** RECSection) override;
    HRESULT STDMETHODCALLTYPE get_EnableLoadRECFileWithCORAL(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_EnableLoadRECFileWithCORAL(LONG value) override;
    HRESULT STDMETHODCALLTYPE GetCompressedSamples(ULONG channel, ULONG startSample, ULONG endSample,
                                                   ULONG* noOfValues, short** pVal) override;
    HRESULT STDMETHODCALLTYPE GetSamples32Bit(LONG channel, LONG samplestart, LONG samplestop,
                                              LONG* lastsampleread, LONG** pVal) override;
    HRESULT STDMETHODCALLTYPE GetDCChannelIndexes(LONG samplestart, LONG samplestop,
                                                  VARIANT* pEntryList) override;
    HRESULT STDMETHODCALLTYPE GetDCChannelBlock(LONG channel, LONG Index, LONG* Size, BYTE** Block) override;
    HRESULT STDMETHODCALLTYPE GetOverloadStatusInRange(LONG channel, LONG samplestart, LONG samplestop,
                                                       BYTE* overloadStatus) override;
    HRESULT STDMETHODCALLTYPE GetCompressed32BitSamples(ULONG channel, ULONG startSample, ULONG endSample,
                                                        ULONG* noOfValues, LONG** pVal) override;

    // ---- IQVRecorderFileWriter (FileName above) -----------------------------------------
    HRESULT STDMETHODCALLTYPE CloseFile() override;
    HRESULT STDMETHODCALLTYPE SetParameter(BSTR ParameterName, LONG ChNo, BSTR Value) override;
    HRESULT STDMETHODCALLTYPE OpenFile() override;
    HRESULT STDMETHODCALLTYPE SetNumberOfChannels(LONG noCh) override;
    HRESULT STDMETHODCALLTYPE WriteSetupSection() override;
    HRESULT STDMETHODCALLTYPE SetRECInfo(BSTR RECFileName) override;
    HRESULT STDMETHODCALLTYPE CreateBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) override;
    HRESULT STDMETHODCALLTYPE InitializeBinaryDataSection(LONG firstSampleNumber) override;
    HRESULT STDMETHODCALLTYPE SetRECInfoArray(LONG Size, BYTE* RECInfo) override;
    HRESULT STDMETHODCALLTYPE SetChId(LONG Index, LONG ChId) override;
    HRESULT STDMETHODCALLTYPE Create32bitBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) override;
    HRESULT STDMETHODCALLTYPE CreateDCChannelBlock(LONG Ch, LONG Size, BYTE* data) override;
    HRESULT STDMETHODCALLTYPE CreateBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples, BYTE* data,
                                                                      BYTE overloadStatus) override;
    HRESULT STDMETHODCALLTYPE Create32bitBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples,
                                                                           BYTE* data,
                                                                           BYTE overloadStatus) override;

    // ---- Events (to every connected sink, on the creating thread) -----------------------
    void Fire_OnProgress(LONG progress);
    void Fire_OnFileScanned();

protected:
    explicit CQVRecorderFileReader(IUnknown* outer);
    ~CQVRecorderFileReader() override;

private:
    // The hidden window's message map.
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Reads the companion .REC file through its server into the store (component/RECFileLoader.h).
    bool AddSignalNameFromRECFile();

    // What a member needs of the object's state before its body runs.
    enum class Needs {
        Nothing,
        // A recording open for reading that no background scan is working on: else E_FAIL.
        Recording,
        // The same, with a setup text: else E_FAIL.
        SetupText,
        // An open writer: else E_POINTER.
        Writer,
    };
    // The frame of every member: E_POINTER when one of outs is null, then the state check, then
    // body(), whose exceptions are traced and turned into status codes.
    template <typename Body>
    HRESULT MemberCall(const char* method, Needs needs, std::initializer_list<const void*> outs, Body&& body);

    bool IsRecordingOpen() const;
    bool HasSetupText() const;
    // Neither a recording nor a writer: the one file of the object is free.
    bool IsIdle() const;
    bool ScanRunning() const { return m_ScanRunning.load(std::memory_order_acquire); }
    HRESULT OpenRecording(LONG& pbOk);
    // The value stored under name in a section, through getParameter (value uninitialised on
    // entry; VT_EMPTY when absent).
    HRESULT Parameter(const char16_t* name, LONG section, VARIANT* value);
    // The text stored under name in a section, fetched through getParameter: S_OK with a new
    // BSTR, E_FAIL when the value is absent or no recording is open.
    HRESULT StringParameter(const char16_t* name, LONG section, BSTR* text);
    void CloseRecording();
    // A channel of 1 .. N.
    bool IsChannel(LONG channel) const;
    // The checks every range request on an open recording shares: one scan step while the index
    // is incomplete, then samplestart <= samplestop and a channel of 1 .. N. S_OK or E_FAIL.
    HRESULT PrepareRangeRequest(LONG channel, LONG samplestart, LONG samplestop);
    template <typename Slot, typename Out>
    HRESULT CopySampleRange(const char* method, LONG channel, LONG samplestart, LONG samplestop, LONG* lastsampleread,
                            Out** pVal,
                            std::int32_t (CQVDataRecorderReader::*copy)(std::int32_t, std::int32_t,
                                                                        std::int32_t, Slot*));

    // GetCompressedSamples (Value short) and GetCompressed32BitSamples (Value LONG).
    template <typename Value>
    HRESULT CompressedSamples(const char* method, ULONG channel, ULONG startSample, ULONG endSample,
                              ULONG* noOfValues, Value** pVal);

    // Background scan.
    static void ScanThreadProc(CQVRecorderFileReader* object);
    void ScanToEnd();
    void StoreScanParameters();
    // Asks a running worker to stop and waits for it; joins a finished one.
    void StopScan();

    std::unique_ptr<CQVDataRecorderReader> m_Reader;
    platform::File m_File;
    std::string m_FileName;
    std::int64_t m_FileSize = 0;
    std::int32_t m_NumberOfChannels = 0;
    CParamList m_Params;
    bool m_EnableLoadRECFile = false;
    RFMode m_Mode = RF_Interleaved;
    std::thread m_ScanThread;
    std::atomic<bool> m_StopScan{false};
    // Set by ScanFile, cleared by the worker before its last message: while set, the worker
    // owns the reader, the file and the parameter store.
    std::atomic<bool> m_ScanRunning{false};
    std::unique_ptr<component::HiddenWindow> m_Window;

    // ---- The writer (WriterMembers.cpp) -------------------------------------------------
    // Set from OpenFile to CloseFile; it writes through m_File. Declared after m_File, so that
    // it goes before the file on destruction (the destructor has closed the file by then).
    struct WriterDeleter {
        void operator()(CQVDataRecorderWriter* writer) const;
    };
    std::unique_ptr<CQVDataRecorderWriter, WriterDeleter> m_Writer;
    // "RECInfoSectionPos" or "RECInfoSectionSize" through getParameter, as a 32-bit integer
    // (0 when absent); the conversion's failure code otherwise.
    HRESULT RECInfoNumber(const char16_t* key, LONG& value);
};

}  // namespace tarn

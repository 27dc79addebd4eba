// The component's interfaces as C++ abstract classes, for both builds: the same members, in the
// same vtable order, as the dual interfaces of component/tarn.idl (tests/com checks the two
// against each other, and against the compiled type library on Windows). Slots 0 to 6 are those
// of IUnknown and IDispatch; each interface's own members start at slot 7.
// Also the identity of the type library, the coclass and the event interface.
#pragma once

#include "compat/compat.h"
#include "format/RFMode.h"

// ---- Identity (fixed for the life of the component; the IDL carries the same values) ---------
inline const GUID LIBID_TARNLib = {
    0xfaaf2cf8, 0x99c0, 0x42da, {0x9c, 0xa5, 0x1d, 0xdd, 0xb5, 0xbd, 0xfa, 0xb1}};
inline const GUID CLSID_QVRecorderFileReader = {
    0xd93dde9b, 0x8d15, 0x4e4c, {0xac, 0x6d, 0x5e, 0x76, 0xb8, 0x1d, 0xcb, 0xc6}};
inline const GUID IID_IQVRecorderFileReader = {
    0xa4de91e5, 0x2ba7, 0x4f05, {0x9d, 0x88, 0xac, 0x3d, 0x96, 0x59, 0x69, 0xaf}};
inline const GUID IID_IQVRecorderFileReader2 = {
    0xfb4779ae, 0xcd08, 0x49e2, {0xb3, 0x2a, 0xa3, 0xe7, 0xdc, 0xa4, 0x8f, 0xbf}};
inline const GUID IID_IQVRecorderFileWriter = {
    0x4c56d152, 0x9d08, 0x446b, {0x81, 0x32, 0x6f, 0x6c, 0x2c, 0xa1, 0x37, 0x2b}};
inline const GUID DIID__IQVRecorderFileReaderEvents = {
    0x1879307a, 0x1de2, 0x4436, {0xac, 0x61, 0x85, 0x11, 0xc3, 0xc4, 0xfe, 0x2e}};

inline constexpr WORD kTARNLibMajorVersion = 1;
inline constexpr WORD kTARNLibMinorVersion = 0;
inline constexpr LCID kTARNLibLocale = 0x409;

// ---- _IQVRecorderFileReaderEvents (a dispinterface: only its DISPIDs exist in C++) ----------
inline constexpr DISPID DISPID_OnProgress = 1;       // [in] long progress
inline constexpr DISPID DISPID_OnFileScanned = 2;    // no arguments

// ---- Dual interfaces ---------------------------------------------------------------------------
struct IQVRecorderFileReader : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FileName(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FileSize(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumberOfChannels(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE open(LONG* pbOk) = 0;
    virtual HRESULT STDMETHODCALLTYPE close() = 0;
    virtual HRESULT STDMETHODCALLTYPE read(LONG* pbOk) = 0;
    virtual HRESULT STDMETHODCALLTYPE getBlock(VARIANT* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BlockSize(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE _getBlock(short** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCorrectionFactor(LONG lChNo, double* pCorr) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SampleFrequency(double* pSamp) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUnit(LONG lChNo, BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE getParameter(BSTR parName, LONG lChNo, VARIANT* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mode(RFMode* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Mode(RFMode value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SampleNumber(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Overrun(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ChannelSelection(VARIANT* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ChannelSelection(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE clearSelection(LONG lType) = 0;
    virtual HRESULT STDMETHODCALLTYPE setSampleSelection(LONG lSampleNumberFrom, LONG lSampleNumberTo) = 0;
    virtual HRESULT STDMETHODCALLTYPE Is32BitData(LONG channelIndex, LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstTriggerSample(LONG* pSampleNo) = 0;
    virtual HRESULT STDMETHODCALLTYPE getBlock32(VARIANT* pVal) = 0;

protected:
    ~IQVRecorderFileReader() = default;
};

struct IQVRecorderFileReader2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE ScanFile(LONG* pbOk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSamples(LONG channel, LONG samplestart, LONG samplestop,
                                                 LONG* lastsampleread, short** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstSampleNumber(LONG* SampleNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastSampleNumber(LONG* SampleNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRECInfoSection(LONG* NoBytes, BYTE** RECSection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EnableLoadRECFileWithCORAL(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_EnableLoadRECFileWithCORAL(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCompressedSamples(ULONG channel, ULONG startSample,
                                                           ULONG endSample, ULONG* noOfValues,
                                                           short** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSamples32Bit(LONG channel, LONG samplestart, LONG samplestop,
                                                      LONG* lastsampleread, LONG** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDCChannelIndexes(LONG samplestart, LONG samplestop,
                                                          VARIANT* pEntryList) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDCChannelBlock(LONG channel, LONG Index, LONG* Size,
                                                        BYTE** Block) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOverloadStatusInRange(LONG channel, LONG samplestart,
                                                               LONG samplestop, BYTE* overloadStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCompressed32BitSamples(ULONG channel, ULONG startSample,
                                                                ULONG endSample, ULONG* noOfValues,
                                                                LONG** pVal) = 0;

protected:
    ~IQVRecorderFileReader2() = default;
};

struct IQVRecorderFileWriter : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE CloseFile() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FileName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FileName(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParameter(BSTR ParameterName, LONG ChNo, BSTR Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenFile() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNumberOfChannels(LONG noCh) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteSetupSection() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRECInfo(BSTR RECFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitializeBinaryDataSection(LONG firstSampleNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRECInfoArray(LONG Size, BYTE* RECInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetChId(LONG Index, LONG ChId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Create32bitBinaryDataBlock(LONG Ch, LONG noSamples, BYTE* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDCChannelBlock(LONG Ch, LONG Size, BYTE* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples,
                                                                              BYTE* data,
                                                                              BYTE overloadStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE Create32bitBinaryDataBlockWithOverloadStatus(LONG Ch, LONG noSamples,
                                                                                   BYTE* data,
                                                                                   BYTE overloadStatus) = 0;

protected:
    ~IQVRecorderFileWriter() = default;
};

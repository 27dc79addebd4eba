// The component's interfaces as C++ abstract classes, for both builds: the same members, in the
// same vtable order, as the dual interfaces of component/tarn.idl (tests/com checks the two
// against each other, and against the compiled type library on Windows). Slots 0 to 6 are those
// of IUnknown and IDispatch; each interface's own members start at slot 7.
// Also the identity of the type library, the coclass and the event interface, and the interface
// of the .REC file server the component calls (IRECImport, in component/tarn.idl too).
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

// ---- IRECImport: the automation server that reads a recorder's companion .REC file ---------
// The component relies on four methods at fixed method-table positions (11, 19, 20, 71, with
// QueryInterface at 0); the slots between them are placeholders that it never calls. The
// project's own server (component/recimport) answers them with E_NOTIMPL.
inline const GUID IID_IRECImport = {
    0xf47e2611, 0x8bed, 0x4cc8, {0x91, 0xd2, 0x50, 0x7a, 0xb0, 0x1b, 0x11, 0xb8}};
// The project's own server: ProgID Tarn.RECImport (component/recimport/recimport.rgs).
inline const GUID CLSID_RECImport = {
    0x2c6af841, 0x627b, 0x4fc6, {0x8c, 0x78, 0xad, 0x37, 0x57, 0x03, 0xfc, 0x90}};

// X(slot) for each placeholder before GetWorkspace, between it and CreateWorkspace, and after
// CloseWorkspace.
#define TARN_REC_IMPORT_SLOTS_BEFORE_GET(X) \
    X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10)
#define TARN_REC_IMPORT_SLOTS_BEFORE_CREATE(X) \
    X(12) X(13) X(14) X(15) X(16) X(17) X(18)
#define TARN_REC_IMPORT_SLOTS_BEFORE_READ(X) \
    X(21) X(22) X(23) X(24) X(25) X(26) X(27) X(28) X(29) X(30) \
    X(31) X(32) X(33) X(34) X(35) X(36) X(37) X(38) X(39) X(40) \
    X(41) X(42) X(43) X(44) X(45) X(46) X(47) X(48) X(49) X(50) \
    X(51) X(52) X(53) X(54) X(55) X(56) X(57) X(58) X(59) X(60) \
    X(61) X(62) X(63) X(64) X(65) X(66) X(67) X(68) X(69) X(70)
#define TARN_REC_IMPORT_DECLARE_SLOT(slot) virtual HRESULT STDMETHODCALLTYPE Placeholder##slot() = 0;

struct IRECImport : public IUnknown {
    TARN_REC_IMPORT_SLOTS_BEFORE_GET(TARN_REC_IMPORT_DECLARE_SLOT)
    // The server's working object, when one exists.
    virtual HRESULT STDMETHODCALLTYPE GetWorkspace(IUnknown** workspace) = 0;
    TARN_REC_IMPORT_SLOTS_BEFORE_CREATE(TARN_REC_IMPORT_DECLARE_SLOT)
    // Creates the working object (create: VT_BOOL, VARIANT_TRUE); the caller closes it.
    virtual HRESULT STDMETHODCALLTYPE CreateWorkspace(VARIANT create, IUnknown** workspace) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseWorkspace(VARIANT close, VARIANT_BOOL* closed) = 0;
    TARN_REC_IMPORT_SLOTS_BEFORE_READ(TARN_REC_IMPORT_DECLARE_SLOT)
    // The channels of a .REC file: names and units one TAB-separated field per channel, aliases
    // as "[" name TAB aliases (TAB-separated) TAB "]" for each channel that has some, and the
    // start time in seconds since 1970-01-01 00:00 UTC.
    virtual HRESULT STDMETHODCALLTYPE ReadRECChannelInfo(BSTR recFile, BSTR dataFile, LONG* channelCount,
                                                         BSTR* signalNames, BSTR* units, BSTR* aliases,
                                                         double* startTime, VARIANT_BOOL* ok) = 0;

protected:
    ~IRECImport() = default;
};

// IRECImport with every placeholder answering E_NOTIMPL: what a server (or a test's stand-in)
// derives from.
#define TARN_REC_IMPORT_DEFINE_SLOT(slot) \
    HRESULT STDMETHODCALLTYPE Placeholder##slot() override { return E_NOTIMPL; }
struct RECImportPlaceholders : public IRECImport {
    TARN_REC_IMPORT_SLOTS_BEFORE_GET(TARN_REC_IMPORT_DEFINE_SLOT)
    TARN_REC_IMPORT_SLOTS_BEFORE_CREATE(TARN_REC_IMPORT_DEFINE_SLOT)
    TARN_REC_IMPORT_SLOTS_BEFORE_READ(TARN_REC_IMPORT_DEFINE_SLOT)

protected:
    ~RECImportPlaceholders() = default;
};

// What every member answers in each state of the object, and with the extreme numbers a client
// can pass: one row per call, one column per state.
#include <gtest/gtest.h>

#include <climits>

#include "tests/component/ComponentFixture.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

using R = CQVRecorderFileReader;

// The object and out values of every kind; what the component hands out is freed with them.
struct Outs {
    explicit Outs(R& object) : c(object) {}
    R& c;
    LONG l = 0;
    ULONG u = 0;
    double d = 0;
    BYTE b = 0;
    VARIANT_BOOL flag = 0;
    ScopedVariant v;
    BSTR s = nullptr;
    short* p16 = nullptr;
    LONG* p32 = nullptr;
    BYTE* bytes = nullptr;
    Bytes samples = SampleBytes({1, 2, 3, 4}, false), dc = DCBlock(0, 1);
    ~Outs() { SysFreeString(s); CoTaskMemFree(p16); CoTaskMemFree(p32); CoTaskMemFree(bytes); }
};
using Call = HRESULT (*)(Outs&);

enum State { Idle, Reading, Scanning, Writing, kStates };
const char* const kStateNames[] = {"idle", "reading", "scanning", "writing"};

struct Row {
    const char* call;
    Call run;
    HRESULT codes[kStates];
};

constexpr HRESULT P = E_POINTER, F = E_FAIL, I = E_INVALIDARG, N = E_NOTIMPL;

// A reading member: served only on a recording that no scan is working on.
Row Reads(const char* name, Call run) { return {name, run, {F, S_OK, F, F}}; }
// An out pointer left null, a member without behaviour, a property: the same in every state.
Row Always(const char* name, Call run, HRESULT code) { return {name, run, {code, code, code, code}}; }
// A writer member, without and with an open writer.
Row Writes(const char* name, Call run, HRESULT code) { return {name, run, {P, P, P, code}}; }

const Row kRows[] = {
    Always("get_FileName null", [](Outs& o) { return o.c.get_FileName(nullptr); }, I),
    Always("get_FileSize", [](Outs& o) { return o.c.get_FileSize(&o.l); }, S_OK),
    Always("get_FileSize null", [](Outs& o) { return o.c.get_FileSize(nullptr); }, P),
    Always("get_NumberOfChannels", [](Outs& o) { return o.c.get_NumberOfChannels(&o.l); }, S_OK),
    Always("get_NumberOfChannels null", [](Outs& o) { return o.c.get_NumberOfChannels(nullptr); }, P),
    Always("get_Mode null", [](Outs& o) { return o.c.get_Mode(nullptr); }, P),
    Always("put_Mode", [](Outs& o) { return o.c.put_Mode(RF_BlockInterleaved); }, S_OK),
    Always("put_Mode 2", [](Outs& o) { return o.c.put_Mode(static_cast<RFMode>(2)); }, F),
    Always("get_EnableLoadRECFileWithCORAL null",
           [](Outs& o) { return o.c.get_EnableLoadRECFileWithCORAL(nullptr); }, P),
    {"open", [](Outs& o) { return o.c.open(&o.l); }, {S_OK, F, F, F}},
    Always("open null", [](Outs& o) { return o.c.open(nullptr); }, P),
    Always("close", [](Outs& o) { return o.c.close(); }, S_OK),
    Always("get_ChannelSelection", [](Outs& o) { return o.c.get_ChannelSelection(o.v.get()); }, N),
    Reads("GetCompressedSamples", [](Outs& o) { return o.c.GetCompressedSamples(1, 0, 4, &o.u, &o.p16); }),
    Always("GetCompressedSamples null", [](Outs& o) { return o.c.GetCompressedSamples(1, 0, 4, &o.u, nullptr); }, P),
    Reads("GetCompressed32BitSamples", [](Outs& o) { return o.c.GetCompressed32BitSamples(2, 0, 4, &o.u, &o.p32); }),
    Always("GetCompressed32BitSamples null count",
           [](Outs& o) { return o.c.GetCompressed32BitSamples(2, 0, 4, nullptr, &o.p32); }, P),
    Always("setSampleSelection", [](Outs& o) { return o.c.setSampleSelection(0, 1); }, N),
    Reads("read", [](Outs& o) { return o.c.read(&o.l); }),
    Always("read null", [](Outs& o) { return o.c.read(nullptr); }, P),
    Always("getBlock before a read", [](Outs& o) { return o.c.getBlock(o.v.get()); }, F),
    Always("getBlock null", [](Outs& o) { return o.c.getBlock(nullptr); }, P),
    Always("getBlock32 before a read", [](Outs& o) { return o.c.getBlock32(o.v.get()); }, F),
    Always("getBlock32 null", [](Outs& o) { return o.c.getBlock32(nullptr); }, P),
    Always("_getBlock before a read", [](Outs& o) { return o.c._getBlock(&o.p16); }, F),
    Always("_getBlock null", [](Outs& o) { return o.c._getBlock(nullptr); }, P),
    Reads("get_BlockSize", [](Outs& o) { return o.c.get_BlockSize(&o.l); }),
    Always("get_BlockSize null", [](Outs& o) { return o.c.get_BlockSize(nullptr); }, P),
    Reads("get_SampleNumber", [](Outs& o) { return o.c.get_SampleNumber(&o.l); }),
    Always("get_SampleNumber null", [](Outs& o) { return o.c.get_SampleNumber(nullptr); }, P),
    Reads("get_Overrun", [](Outs& o) { return o.c.get_Overrun(&o.flag); }),
    Always("get_Overrun null", [](Outs& o) { return o.c.get_Overrun(nullptr); }, P),
    {"put_ChannelSelection not a list", [](Outs& o) { return o.c.put_ChannelSelection(*o.v.get()); }, {F, I, F, F}},
    Reads("clearSelection", [](Outs& o) { return o.c.clearSelection(0); }),
    Reads("get_Description", [](Outs& o) { return o.c.get_Description(&o.s); }),
    Always("get_Description null", [](Outs& o) { return o.c.get_Description(nullptr); }, P),
    Reads("GetCorrectionFactor", [](Outs& o) { return o.c.GetCorrectionFactor(1, &o.d); }),
    Always("GetCorrectionFactor null", [](Outs& o) { return o.c.GetCorrectionFactor(1, nullptr); }, P),
    Reads("get_SampleFrequency", [](Outs& o) { return o.c.get_SampleFrequency(&o.d); }),
    Always("get_SampleFrequency null", [](Outs& o) { return o.c.get_SampleFrequency(nullptr); }, P),
    Reads("GetUnit", [](Outs& o) { return o.c.GetUnit(1, &o.s); }),
    Always("GetUnit null", [](Outs& o) { return o.c.GetUnit(1, nullptr); }, P),
    Reads("getParameter", [](Outs& o) { return o.c.getParameter(Bstr(u"Unit").get(), 1, o.v.get()); }),
    Always("getParameter null", [](Outs& o) { return o.c.getParameter(nullptr, 1, nullptr); }, P),
    Reads("Is32BitData", [](Outs& o) { return o.c.Is32BitData(1, &o.l); }),
    Always("Is32BitData null", [](Outs& o) { return o.c.Is32BitData(1, nullptr); }, P),
    Reads("GetFirstTriggerSample", [](Outs& o) { return o.c.GetFirstTriggerSample(&o.l); }),
    Always("GetFirstTriggerSample null", [](Outs& o) { return o.c.GetFirstTriggerSample(nullptr); }, P),
    {"ScanFile", [](Outs& o) { return o.c.ScanFile(&o.l); }, {F, S_OK, F, F}},
    Always("ScanFile null", [](Outs& o) { return o.c.ScanFile(nullptr); }, P),
    Reads("GetSamples", [](Outs& o) { return o.c.GetSamples(1, 0, 4, &o.l, &o.p16); }),
    Always("GetSamples null", [](Outs& o) { return o.c.GetSamples(1, 0, 4, &o.l, nullptr); }, P),
    Always("GetSamples null last", [](Outs& o) { return o.c.GetSamples(1, 0, 4, nullptr, &o.p16); }, P),
    Reads("GetSamples32Bit", [](Outs& o) { return o.c.GetSamples32Bit(2, 0, 4, &o.l, &o.p32); }),
    Always("GetSamples32Bit null", [](Outs& o) { return o.c.GetSamples32Bit(1, 0, 4, &o.l, nullptr); }, P),
    Reads("GetFirstSampleNumber", [](Outs& o) { return o.c.GetFirstSampleNumber(&o.l); }),
    Always("GetFirstSampleNumber null", [](Outs& o) { return o.c.GetFirstSampleNumber(nullptr); }, P),
    Reads("GetLastSampleNumber", [](Outs& o) { return o.c.GetLastSampleNumber(&o.l); }),
    Always("GetLastSampleNumber null", [](Outs& o) { return o.c.GetLastSampleNumber(nullptr); }, P),
    Reads("GetRECInfoSection", [](Outs& o) { return o.c.GetRECInfoSection(&o.l, &o.bytes); }),
    Always("GetRECInfoSection null", [](Outs& o) { return o.c.GetRECInfoSection(&o.l, nullptr); }, P),
    Reads("GetOverloadStatusInRange", [](Outs& o) { return o.c.GetOverloadStatusInRange(1, 0, 4, &o.b); }),
    Always("GetOverloadStatusInRange null", [](Outs& o) { return o.c.GetOverloadStatusInRange(1, 0, 4, nullptr); }, P),
    Reads("GetDCChannelIndexes", [](Outs& o) { return o.c.GetDCChannelIndexes(0, 20, o.v.get()); }),
    Always("GetDCChannelIndexes null", [](Outs& o) { return o.c.GetDCChannelIndexes(0, 20, nullptr); }, P),
    Reads("GetDCChannelBlock", [](Outs& o) { return o.c.GetDCChannelBlock(0, 0, &o.l, &o.bytes); }),
    Always("GetDCChannelBlock null", [](Outs& o) { return o.c.GetDCChannelBlock(0, 0, nullptr, &o.bytes); }, P),
    {"OpenFile", [](Outs& o) { return o.c.OpenFile(); }, {S_OK, F, F, F}},
    Always("CloseFile", [](Outs& o) { return o.c.CloseFile(); }, S_OK),
    Writes("SetNumberOfChannels", [](Outs& o) { return o.c.SetNumberOfChannels(2); }, S_OK),
    Writes("SetParameter", [](Outs& o) { return o.c.SetParameter(Bstr(u"Unit").get(), 0, nullptr); }, S_OK),
    Writes("WriteSetupSection", [](Outs& o) { return o.c.WriteSetupSection(); }, F),
    Writes("SetRECInfo", [](Outs& o) { return o.c.SetRECInfo(Bstr(u"missing.REC").get()); }, F),
    Writes("SetRECInfoArray", [](Outs& o) { return o.c.SetRECInfoArray(3, TaskCopy(Pattern(3))); }, S_OK),
    Writes("InitializeBinaryDataSection", [](Outs& o) { return o.c.InitializeBinaryDataSection(0); }, S_OK),
    Writes("SetChId", [](Outs& o) { return o.c.SetChId(0, 1); }, F),
    Writes("CreateBinaryDataBlock", [](Outs& o) { return o.c.CreateBinaryDataBlock(1, 4, o.samples.data()); }, I),
    Writes("Create32bitBinaryDataBlockWithOverloadStatus",
           [](Outs& o) { return o.c.Create32bitBinaryDataBlockWithOverloadStatus(1, 2, o.samples.data(), 1); }, I),
    Writes("CreateDCChannelBlock", [](Outs& o) { return o.c.CreateDCChannelBlock(0, 20, o.dc.data()); }, S_OK),
    Writes("CreateDCChannelBlock null", [](Outs& o) { return o.c.CreateDCChannelBlock(0, 20, nullptr); }, P),
};

class States : public ComponentTest {
protected:
    // From a new object: the state entered, true when it holds (a scan may end too soon).
    bool Enter(State state) {
        events.Disconnect();
        object.Reset();
        EXPECT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
        EXPECT_EQ(events.Connect(object.Get()), S_OK);
        SetFileName(state == Writing    ? dir.file("written.dat")
                    : state == Scanning ? dir.file("long.dat")
                                        : TwoChannelRecording().WriteTo(dir, "recording.dat"));
        LONG ok = 0;
        if (state == Idle) return true;
        if (state == Writing) return component().OpenFile() == S_OK;
        if (component().open(&ok) != S_OK || ok != 1) return false;
        if (state == Reading) ScanAll();
        return state == Reading || component().ScanFile(&ok) == S_OK;
    }
    // The scan started by Enter(Scanning) still runs: a second one is refused.
    bool StillScanning() {
        LONG ok = 0;
        return component().ScanFile(&ok) == E_FAIL;
    }
    void SetUp() override { ManyBlocks(20000).WriteTo(dir, "long.dat"); }
};

TEST_F(States, EveryMemberInEveryState) {
    for (const Row& row : kRows) {
        for (int state = Idle; state < kStates; ++state) {
            HRESULT got = S_OK;
            for (int attempt = 0;; ++attempt) {
                ASSERT_TRUE(Enter(static_cast<State>(state))) << kStateNames[state];
                Outs outs(component());
                got = row.run(outs);
                if (state != Scanning || StillScanning() || attempt == 5) break;
            }
            EXPECT_EQ(got, row.codes[state]) << row.call << " " << kStateNames[state];
        }
    }
}

// The extreme numbers a client can pass reach no arithmetic that overflows (the sanitizer
// build aborts on it) and no allocation of their size: each call answers its code.
TEST_F(States, ExtremeNumbers) {
    struct Extreme {
        State state;
        Call run;
        HRESULT code;
    };
    const Extreme rows[] = {
        {Reading, [](Outs& o) { return o.c.GetCorrectionFactor(INT_MAX, &o.d); }, I},
        {Reading, [](Outs& o) { return o.c.GetUnit(INT_MAX, &o.s); }, F},
        {Reading, [](Outs& o) { return o.c.getParameter(Bstr(u"Unit").get(), INT_MIN, o.v.get()); }, S_OK},
        {Reading, [](Outs& o) { return o.c.Is32BitData(INT_MAX, &o.l); }, F},
        {Reading, [](Outs& o) { return o.c.Is32BitData(INT_MIN, &o.l); }, F},
        {Reading, [](Outs& o) { return o.c.GetSamples(INT_MAX, 0, 4, &o.l, &o.p16); }, F},
        {Reading, [](Outs& o) { return o.c.GetSamples(1, INT_MIN, INT_MAX, &o.l, &o.p16); }, F},
        {Reading, [](Outs& o) { return o.c.GetSamples(1, INT_MAX, INT_MIN, &o.l, &o.p16); }, F},
        {Reading, [](Outs& o) { return o.c.GetSamples(1, INT_MIN, INT_MIN, &o.l, &o.p16); }, F},
        {Reading, [](Outs& o) { return o.c.GetSamples(1, INT_MAX, INT_MAX, &o.l, &o.p16); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetSamples32Bit(2, INT_MAX - 1, INT_MAX, &o.l, &o.p32); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetOverloadStatusInRange(1, INT_MIN, INT_MAX, &o.b); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetCompressedSamples(1, UINT_MAX, 0, &o.u, &o.p16); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetCompressed32BitSamples(2, 0, UINT_MAX, &o.u, &o.p32); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetOverloadStatusInRange(INT_MIN, 0, 1, &o.b); }, F},
        {Reading, [](Outs& o) { return o.c.GetDCChannelIndexes(INT_MIN, INT_MAX, o.v.get()); }, S_OK},
        {Reading, [](Outs& o) { return o.c.GetDCChannelBlock(INT_MAX, INT_MAX, &o.l, &o.bytes); }, F},
        {Writing, [](Outs& o) { return o.c.SetNumberOfChannels(INT_MAX); }, I},
        {Writing, [](Outs& o) { return o.c.SetParameter(Bstr(u"Unit").get(), INT_MAX, nullptr); }, I},
        {Writing, [](Outs& o) { return o.c.SetChId(INT_MAX, INT_MIN); }, F},
        {Writing, [](Outs& o) { return o.c.SetRECInfoArray(INT_MIN, TaskCopy(Pattern(3))); }, I},
        {Writing, [](Outs& o) { return o.c.InitializeBinaryDataSection(INT_MIN); }, S_OK},
        {Writing, [](Outs& o) { return o.c.CreateBinaryDataBlock(INT_MIN, INT_MAX, o.samples.data()); }, I},
        {Writing, [](Outs& o) { return o.c.CreateDCChannelBlock(INT_MIN, INT_MAX, o.dc.data()); }, I},
    };
    for (const Extreme& row : rows) {
        ASSERT_TRUE(Enter(row.state));
        Outs outs(component());
        EXPECT_EQ(row.run(outs), row.code) << "row " << &row - rows;
    }
}

}  // namespace
}  // namespace tarn::test

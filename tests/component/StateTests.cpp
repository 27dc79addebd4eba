// What every member answers in each state of the object, and with the extreme numbers a client
// can pass: one row per call, one column per state.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tests/component/ComponentFixture.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

using R = CQVRecorderFileReader;

// Out values of every kind; what the component hands out is freed with them.
struct Outs {
    LONG l = 0;
    ULONG u = 0;
    double d = 0;
    BYTE b = 0;
    RFMode m = RF_Interleaved;
    VARIANT_BOOL vb = 0;
    ScopedVariant v;
    BSTR s = nullptr;
    short* p16 = nullptr;
    LONG* p32 = nullptr;
    BYTE* bytes = nullptr;
    Bytes samples = SampleBytes({1, 2, 3, 4}, false);
    Bytes dc = DCBlock(0, 1);
    ~Outs() {
        SysFreeString(s);
        CoTaskMemFree(p16);
        CoTaskMemFree(p32);
        CoTaskMemFree(bytes);
    }
};
using Call = HRESULT (*)(R&, Outs&);

// A copy from the task allocator: SetRECInfoArray takes the block over, also when it refuses.
BYTE* TaskBlock() {
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(3));
    if (block) std::memset(block, 7, 3);
    return block;
}

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
    Always("get_FileName", [](R& c, Outs& o) { return c.get_FileName(&o.s); }, S_OK),
    Always("get_FileName null", [](R& c, Outs&) { return c.get_FileName(nullptr); }, I),
    Always("put_FileName", [](R& c, Outs&) { return c.put_FileName(nullptr); }, S_OK),
    Always("get_FileSize null", [](R& c, Outs&) { return c.get_FileSize(nullptr); }, P),
    Always("get_NumberOfChannels null", [](R& c, Outs&) { return c.get_NumberOfChannels(nullptr); }, P),
    Always("get_Mode null", [](R& c, Outs&) { return c.get_Mode(nullptr); }, P),
    Always("put_Mode", [](R& c, Outs&) { return c.put_Mode(RF_BlockInterleaved); }, S_OK),
    Always("put_Mode 2", [](R& c, Outs&) { return c.put_Mode(static_cast<RFMode>(2)); }, F),
    Always("get_EnableLoadRECFileWithCORAL null", [](R& c, Outs&) { return c.get_EnableLoadRECFileWithCORAL(nullptr); }, P),
    Always("put_EnableLoadRECFileWithCORAL", [](R& c, Outs&) { return c.put_EnableLoadRECFileWithCORAL(1); }, S_OK),
    {"open", [](R& c, Outs& o) { return c.open(&o.l); }, {S_OK, F, F, F}},
    Always("open null", [](R& c, Outs&) { return c.open(nullptr); }, P),
    Always("close", [](R& c, Outs&) { return c.close(); }, S_OK),
    Always("read", [](R& c, Outs& o) { return c.read(&o.l); }, N),
    Always("_getBlock", [](R& c, Outs& o) { return c._getBlock(&o.p16); }, N),
    Always("get_Overrun", [](R& c, Outs& o) { return c.get_Overrun(&o.vb); }, N),
    Always("get_ChannelSelection", [](R& c, Outs& o) { return c.get_ChannelSelection(o.v.get()); }, N),
    Always("setSampleSelection", [](R& c, Outs&) { return c.setSampleSelection(0, 10); }, N),
    Always("GetCompressedSamples", [](R& c, Outs& o) { return c.GetCompressedSamples(1, 0, 4, &o.u, &o.p16); }, N),
    Reads("get_Description", [](R& c, Outs& o) { return c.get_Description(&o.s); }),
    Always("get_Description null", [](R& c, Outs&) { return c.get_Description(nullptr); }, P),
    Reads("GetCorrectionFactor", [](R& c, Outs& o) { return c.GetCorrectionFactor(1, &o.d); }),
    Always("GetCorrectionFactor null", [](R& c, Outs&) { return c.GetCorrectionFactor(1, nullptr); }, P),
    Reads("get_SampleFrequency", [](R& c, Outs& o) { return c.get_SampleFrequency(&o.d); }),
    Always("get_SampleFrequency null", [](R& c, Outs&) { return c.get_SampleFrequency(nullptr); }, P),
    Reads("GetUnit", [](R& c, Outs& o) { return c.GetUnit(1, &o.s); }),
    Always("GetUnit null", [](R& c, Outs&) { return c.GetUnit(1, nullptr); }, P),
    Reads("getParameter", [](R& c, Outs& o) { return c.getParameter(Bstr(u"Unit").get(), 1, o.v.get()); }),
    Always("getParameter null", [](R& c, Outs&) { return c.getParameter(nullptr, 1, nullptr); }, P),
    Reads("Is32BitData", [](R& c, Outs& o) { return c.Is32BitData(1, &o.l); }),
    Always("Is32BitData null", [](R& c, Outs&) { return c.Is32BitData(1, nullptr); }, P),
    Reads("GetFirstTriggerSample", [](R& c, Outs& o) { return c.GetFirstTriggerSample(&o.l); }),
    Always("GetFirstTriggerSample null", [](R& c, Outs&) { return c.GetFirstTriggerSample(nullptr); }, P),
    {"ScanFile", [](R& c, Outs& o) { return c.ScanFile(&o.l); }, {F, S_OK, F, F}},
    Always("ScanFile null", [](R& c, Outs&) { return c.ScanFile(nullptr); }, P),
    Reads("GetSamples", [](R& c, Outs& o) { return c.GetSamples(1, 0, 4, &o.l, &o.p16); }),
    Always("GetSamples null", [](R& c, Outs& o) { return c.GetSamples(1, 0, 4, &o.l, nullptr); }, P),
    Always("GetSamples null last", [](R& c, Outs& o) { return c.GetSamples(1, 0, 4, nullptr, &o.p16); }, P),
    Reads("GetSamples32Bit", [](R& c, Outs& o) { return c.GetSamples32Bit(2, 0, 4, &o.l, &o.p32); }),
    Always("GetSamples32Bit null", [](R& c, Outs& o) { return c.GetSamples32Bit(1, 0, 4, &o.l, nullptr); }, P),
    Reads("GetFirstSampleNumber", [](R& c, Outs& o) { return c.GetFirstSampleNumber(&o.l); }),
    Always("GetFirstSampleNumber null", [](R& c, Outs&) { return c.GetFirstSampleNumber(nullptr); }, P),
    Reads("GetLastSampleNumber", [](R& c, Outs& o) { return c.GetLastSampleNumber(&o.l); }),
    Always("GetLastSampleNumber null", [](R& c, Outs&) { return c.GetLastSampleNumber(nullptr); }, P),
    Reads("GetRECInfoSection", [](R& c, Outs& o) { return c.GetRECInfoSection(&o.l, &o.bytes); }),
    Always("GetRECInfoSection null", [](R& c, Outs& o) { return c.GetRECInfoSection(&o.l, nullptr); }, P),
    Reads("GetOverloadStatusInRange", [](R& c, Outs& o) { return c.GetOverloadStatusInRange(1, 0, 4, &o.b); }),
    Always("GetOverloadStatusInRange null", [](R& c, Outs&) { return c.GetOverloadStatusInRange(1, 0, 4, nullptr); }, P),
    Reads("GetDCChannelIndexes", [](R& c, Outs& o) { return c.GetDCChannelIndexes(0, 20, o.v.get()); }),
    Always("GetDCChannelIndexes null", [](R& c, Outs&) { return c.GetDCChannelIndexes(0, 20, nullptr); }, P),
    Reads("GetDCChannelBlock", [](R& c, Outs& o) { return c.GetDCChannelBlock(0, 0, &o.l, &o.bytes); }),
    Always("GetDCChannelBlock null", [](R& c, Outs& o) { return c.GetDCChannelBlock(0, 0, nullptr, &o.bytes); }, P),
    {"OpenFile", [](R& c, Outs&) { return c.OpenFile(); }, {S_OK, F, F, F}},
    Always("CloseFile", [](R& c, Outs&) { return c.CloseFile(); }, S_OK),
    Writes("SetNumberOfChannels", [](R& c, Outs&) { return c.SetNumberOfChannels(2); }, S_OK),
    Writes("SetParameter", [](R& c, Outs&) { return c.SetParameter(Bstr(u"Unit").get(), 0, nullptr); }, S_OK),
    Writes("WriteSetupSection", [](R& c, Outs&) { return c.WriteSetupSection(); }, F),
    Writes("SetRECInfo", [](R& c, Outs&) { return c.SetRECInfo(Bstr(u"missing.REC").get()); }, F),
    Writes("SetRECInfoArray", [](R& c, Outs&) { return c.SetRECInfoArray(3, TaskBlock()); }, S_OK),
    Writes("InitializeBinaryDataSection", [](R& c, Outs&) { return c.InitializeBinaryDataSection(0); }, S_OK),
    Writes("SetChId", [](R& c, Outs&) { return c.SetChId(0, 1); }, F),
    Writes("CreateBinaryDataBlock", [](R& c, Outs& o) { return c.CreateBinaryDataBlock(1, 4, o.samples.data()); }, I),
    Writes("Create32bitBinaryDataBlockWithOverloadStatus",
           [](R& c, Outs& o) { return c.Create32bitBinaryDataBlockWithOverloadStatus(1, 2, o.samples.data(), 1); }, I),
    Writes("CreateDCChannelBlock", [](R& c, Outs& o) { return c.CreateDCChannelBlock(0, 20, o.dc.data()); }, S_OK),
    Writes("CreateDCChannelBlock null", [](R& c, Outs&) { return c.CreateDCChannelBlock(0, 20, nullptr); }, P),
};

class States : public ComponentTest {
protected:
    // From a new object: the state entered, true when it holds (a scan may end too soon).
    bool Enter(State state) {
        events.Disconnect();
        object.Reset();
        EXPECT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
        EXPECT_EQ(events.Connect(object.Get()), S_OK);
        LONG ok = 0;
        switch (state) {
            case Idle:
                SetFileName(TwoChannelRecording().WriteTo(dir, "recording.dat"));
                return true;
            case Writing:
                SetFileName(dir.file("written.dat"));
                return component().OpenFile() == S_OK;
            case Reading:
                SetFileName(TwoChannelRecording().WriteTo(dir, "recording.dat"));
                if (component().open(&ok) != S_OK || ok != 1) return false;
                ScanAll();
                return true;
            case Scanning:
                SetFileName(dir.file("long.dat"));
                return component().open(&ok) == S_OK && component().ScanFile(&ok) == S_OK;
            case kStates:
                break;
        }
        return false;
    }
    // The scan started by Enter(Scanning) still runs: a second one is refused.
    bool StillScanning() {
        LONG ok = 0;
        return component().ScanFile(&ok) == E_FAIL;
    }
    void SetUp() override {
        ManyBlocks(20000).WriteTo(dir, "long.dat");
    }
};

TEST_F(States, EveryMemberInEveryState) {
    for (const Row& row : kRows) {
        for (int state = Idle; state < kStates; ++state) {
            HRESULT got = S_OK;
            for (int attempt = 0;; ++attempt) {
                ASSERT_TRUE(Enter(static_cast<State>(state))) << kStateNames[state];
                Outs outs;
                got = row.run(component(), outs);
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
        const char* call;
        Call run;
        HRESULT code;
    };
    const Extreme rows[] = {
        {Reading, "GetCorrectionFactor max", [](R& c, Outs& o) { return c.GetCorrectionFactor(INT_MAX, &o.d); }, I},
        {Reading, "GetCorrectionFactor min", [](R& c, Outs& o) { return c.GetCorrectionFactor(INT_MIN, &o.d); }, I},
        {Reading, "GetUnit max", [](R& c, Outs& o) { return c.GetUnit(INT_MAX, &o.s); }, F},
        {Reading, "getParameter min",
         [](R& c, Outs& o) { return c.getParameter(Bstr(u"Unit").get(), INT_MIN, o.v.get()); }, S_OK},
        {Reading, "Is32BitData max", [](R& c, Outs& o) { return c.Is32BitData(INT_MAX, &o.l); }, F},
        {Reading, "Is32BitData min", [](R& c, Outs& o) { return c.Is32BitData(INT_MIN, &o.l); }, F},
        {Reading, "GetSamples channel", [](R& c, Outs& o) { return c.GetSamples(INT_MAX, 0, 4, &o.l, &o.p16); }, F},
        {Reading, "GetSamples whole range",
         [](R& c, Outs& o) { return c.GetSamples(1, INT_MIN, INT_MAX, &o.l, &o.p16); }, F},
        {Reading, "GetSamples reversed",
         [](R& c, Outs& o) { return c.GetSamples(1, INT_MAX, INT_MIN, &o.l, &o.p16); }, F},
        {Reading, "GetSamples lowest",
         [](R& c, Outs& o) { return c.GetSamples(1, INT_MIN, INT_MIN, &o.l, &o.p16); }, F},
        {Reading, "GetSamples highest",
         [](R& c, Outs& o) { return c.GetSamples(1, INT_MAX, INT_MAX, &o.l, &o.p16); }, S_OK},
        {Reading, "GetSamples32Bit whole range",
         [](R& c, Outs& o) { return c.GetSamples32Bit(2, INT_MIN, INT_MAX, &o.l, &o.p32); }, F},
        {Reading, "GetSamples32Bit highest",
         [](R& c, Outs& o) { return c.GetSamples32Bit(2, INT_MAX - 1, INT_MAX, &o.l, &o.p32); }, S_OK},
        {Reading, "GetOverloadStatusInRange",
         [](R& c, Outs& o) { return c.GetOverloadStatusInRange(1, INT_MIN, INT_MAX, &o.b); }, S_OK},
        {Reading, "GetOverloadStatusInRange channel",
         [](R& c, Outs& o) { return c.GetOverloadStatusInRange(INT_MIN, 0, 1, &o.b); }, F},
        {Reading, "GetDCChannelIndexes",
         [](R& c, Outs& o) { return c.GetDCChannelIndexes(INT_MIN, INT_MAX, o.v.get()); }, S_OK},
        {Reading, "GetDCChannelBlock max",
         [](R& c, Outs& o) { return c.GetDCChannelBlock(INT_MAX, INT_MAX, &o.l, &o.bytes); }, F},
        {Reading, "GetDCChannelBlock min",
         [](R& c, Outs& o) { return c.GetDCChannelBlock(INT_MIN, INT_MIN, &o.l, &o.bytes); }, F},
        {Reading, "put_Mode", [](R& c, Outs&) { return c.put_Mode(static_cast<RFMode>(INT_MIN)); }, F},
        {Writing, "SetNumberOfChannels max", [](R& c, Outs&) { return c.SetNumberOfChannels(INT_MAX); }, I},
        {Writing, "SetNumberOfChannels min", [](R& c, Outs&) { return c.SetNumberOfChannels(INT_MIN); }, I},
        {Writing, "SetParameter", [](R& c, Outs&) { return c.SetParameter(Bstr(u"Unit").get(), INT_MAX, nullptr); }, I},
        {Writing, "SetChId", [](R& c, Outs&) { return c.SetChId(INT_MAX, INT_MIN); }, F},
        {Writing, "SetRECInfoArray", [](R& c, Outs&) { return c.SetRECInfoArray(INT_MIN, TaskBlock()); }, I},
        {Writing, "InitializeBinaryDataSection", [](R& c, Outs&) { return c.InitializeBinaryDataSection(INT_MIN); }, S_OK},
        {Writing, "CreateBinaryDataBlock",
         [](R& c, Outs& o) { return c.CreateBinaryDataBlock(INT_MIN, INT_MAX, o.samples.data()); }, I},
        {Writing, "CreateDCChannelBlock",
         [](R& c, Outs& o) { return c.CreateDCChannelBlock(INT_MIN, INT_MAX, o.dc.data()); }, I},
    };
    for (const Extreme& row : rows) {
        ASSERT_TRUE(Enter(row.state));
        Outs outs;
        EXPECT_EQ(row.run(component(), outs), row.code) << row.call;
    }
}

}  // namespace
}  // namespace tarn::test

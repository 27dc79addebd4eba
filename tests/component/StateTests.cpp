// What every member answers in each state of the object, and with the extreme numbers a client
// can pass: one row per call, one column per state.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
    RFMode mode = RF_Interleaved;
    ScopedVariant v;
    BSTR s = nullptr;
    short* p16 = nullptr;
    LONG* p32 = nullptr;
    BYTE* bytes = nullptr;
    Bytes samples = SampleBytes({1, 2, 3, 4}, false), dc = DCBlock(0, 1);
    ~Outs() { SysFreeString(s); CoTaskMemFree(p16); CoTaskMemFree(p32); CoTaskMemFree(bytes); }
    // A channel selection (channels from 0): count elements of type vt from index lower, `channel`, `channel` + 1,
    // `channel`, ..., passed as an array of 32-bit numbers.
    VARIANT& Selection(VARTYPE vt, LONG lower, ULONG count, LONG channel = 0) {
        V_VT(v.get()) = VT_ARRAY | VT_I4;
        V_ARRAY(v.get()) = SafeArrayCreateVector(vt, lower, count);
        void* data = nullptr;
        if (vt == VT_I4 && SUCCEEDED(SafeArrayAccessData(V_ARRAY(v.get()), &data))) {
            for (ULONG i = 0; i < count; ++i) static_cast<LONG*>(data)[i] = static_cast<LONG>(channel + static_cast<std::int64_t>(i) % 2);
            SafeArrayUnaccessData(V_ARRAY(v.get()));
        }
        return *v.get();
    }
};
using Call = std::function<HRESULT(Outs&)>;

// New, recording open (and scanned), scan running, recording closed again, writer just opened,
// writer past its file header (two channels).
enum State { Idle, Reading, Scanning, Closed, Writing, Blocks, kStates };
const char* const kStateNames[] = {"idle", "reading", "scanning", "closed", "writing", "blocks"};

struct Row {
    std::string call;
    Call run;
    HRESULT codes[kStates];
};

constexpr HRESULT P = E_POINTER, F = E_FAIL, I = E_INVALIDARG, N = E_NOTIMPL;

// A reading member: served only on a recording that no scan is working on, where it answers code.
Row Reads(std::string name, Call run, HRESULT code = S_OK) { return {std::move(name), std::move(run), {F, code, F, F, F, F}}; }
// An out pointer left null, a member without behaviour, a property: the same in every state.
Row Always(std::string name, Call run, HRESULT code) {
    return {std::move(name), std::move(run), {code, code, code, code, code, code}};
}
// A writer member: E_POINTER without a writer; fresh: before the file header, blocks: after it.
Row Writes(std::string name, Call run, HRESULT fresh, HRESULT blocks) {
    return {std::move(name), std::move(run), {P, P, P, P, fresh, blocks}};
}

// Text arguments a client can pass: null, empty, huge, with an embedded NUL (the text ends there).
const std::u16string kHuge(1 << 20, u'x');
const std::pair<const char*, std::u16string_view> kTexts[] = {
    {"null", {}}, {"empty", u""}, {"huge", kHuge}, {"embedded NUL", std::u16string_view(u"Unit\0\nx", 7)}};
UniqueBstr Text(std::u16string_view text) { return text.data() ? Bstr(text) : UniqueBstr(); }

// A channel argument and what the sample members answer for it on the open two-channel recording.
struct Channel {
    LONG number;
    HRESULT samples;
};
const Channel kChannels[] = {{0, F}, {-1, F}, {2, S_OK}, {3, F}, {INT_MAX, F}, {INT_MIN, F}};
// A range and what GetSamples and GetCompressedSamples answer for it on channel 1.
struct Range {
    LONG from, to;
    HRESULT samples, compressed = S_OK;
};
const Range kRanges[] = {{0, 0, S_OK},         {4, 3, F, F},          {-1, 4, S_OK},         {19, 20, S_OK},
                         {INT_MIN, INT_MAX, F}, {INT_MAX, INT_MIN, F}, {INT_MIN, INT_MIN, F}, {INT_MAX, INT_MAX, S_OK},
                         {0, INT_MAX, S_OK},   {INT_MAX - 1, INT_MAX, S_OK}};

std::vector<Row> MakeRows() {
    std::vector<Row> rows = {
        Always("get_FileName null", [](Outs& o) { return o.c.get_FileName(nullptr); }, I),
        Always("get_FileSize", [](Outs& o) { return o.c.get_FileSize(&o.l); }, S_OK),
        Always("get_FileSize null", [](Outs& o) { return o.c.get_FileSize(nullptr); }, P),
        Always("get_NumberOfChannels", [](Outs& o) { return o.c.get_NumberOfChannels(&o.l); }, S_OK),
        Always("get_NumberOfChannels null", [](Outs& o) { return o.c.get_NumberOfChannels(nullptr); }, P),
        Always("get_Mode", [](Outs& o) { return o.c.get_Mode(&o.mode); }, S_OK),
        Always("get_Mode null", [](Outs& o) { return o.c.get_Mode(nullptr); }, P),
        Always("put_Mode", [](Outs& o) { return o.c.put_Mode(RF_BlockInterleaved); }, S_OK),
        Always("get_EnableLoadRECFileWithCORAL", [](Outs& o) { return o.c.get_EnableLoadRECFileWithCORAL(&o.l); }, S_OK),
        Always("get_EnableLoadRECFileWithCORAL null",
               [](Outs& o) { return o.c.get_EnableLoadRECFileWithCORAL(nullptr); }, P),
        {"open", [](Outs& o) { return o.c.open(&o.l); }, {S_OK, F, F, S_OK, F, F}},
        Always("open null", [](Outs& o) { return o.c.open(nullptr); }, P),
        Always("close", [](Outs& o) { return o.c.close(); }, S_OK),
        Always("get_ChannelSelection", [](Outs& o) { return o.c.get_ChannelSelection(o.v.get()); }, N),
        Always("get_ChannelSelection null", [](Outs& o) { return o.c.get_ChannelSelection(nullptr); }, N),
        Reads("GetCompressedSamples", [](Outs& o) { return o.c.GetCompressedSamples(1, 0, 4, &o.u, &o.p16); }),
        Always("GetCompressedSamples null", [](Outs& o) { return o.c.GetCompressedSamples(1, 0, 4, &o.u, nullptr); }, P),
        Reads("GetCompressed32BitSamples", [](Outs& o) { return o.c.GetCompressed32BitSamples(2, 0, 4, &o.u, &o.p32); }),
        Always("GetCompressed32BitSamples null count",
               [](Outs& o) { return o.c.GetCompressed32BitSamples(2, 0, 4, nullptr, &o.p32); }, P),
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
        Reads("put_ChannelSelection empty variant", [](Outs& o) { return o.c.put_ChannelSelection(*o.v.get()); }, I),
        Reads("put_ChannelSelection text", [](Outs& o) {
            V_VT(o.v.get()) = VT_BSTR;
            V_BSTR(o.v.get()) = AllocBstr(u"1");
            return o.c.put_ChannelSelection(*o.v.get());
        }, I),
        Reads("put_ChannelSelection null array", [](Outs& o) {
            V_VT(o.v.get()) = VT_ARRAY | VT_I4;
            V_ARRAY(o.v.get()) = nullptr;
            return o.c.put_ChannelSelection(*o.v.get());
        }, I),
        Reads("put_ChannelSelection 16-bit elements", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I2, 0, 2)); }, I),
        Reads("put_ChannelSelection no elements", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I4, 0, 0)); }),
        Reads("put_ChannelSelection from INT_MIN", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I4, INT_MIN, 2)); }),
        Reads("put_ChannelSelection up to INT_MAX", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I4, INT_MAX - 1, 2)); }),
        Reads("put_ChannelSelection channel N", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I4, 1, 1, 2)); }, F),
        Reads("put_ChannelSelection channel INT_MIN", [](Outs& o) { return o.c.put_ChannelSelection(o.Selection(VT_I4, -1, 3, INT_MIN)); }, F),
        Always("setSampleSelection", [](Outs& o) { return o.c.setSampleSelection(INT_MAX, INT_MIN); }, N),
        Reads("get_Description", [](Outs& o) { return o.c.get_Description(&o.s); }),
        Always("get_Description null", [](Outs& o) { return o.c.get_Description(nullptr); }, P),
        Reads("get_SampleFrequency", [](Outs& o) { return o.c.get_SampleFrequency(&o.d); }),
        Always("get_SampleFrequency null", [](Outs& o) { return o.c.get_SampleFrequency(nullptr); }, P),
        Always("GetCorrectionFactor null", [](Outs& o) { return o.c.GetCorrectionFactor(1, nullptr); }, P),
        Always("GetUnit null", [](Outs& o) { return o.c.GetUnit(1, nullptr); }, P),
        Always("getParameter null", [](Outs& o) { return o.c.getParameter(nullptr, 1, nullptr); }, P),
        Always("Is32BitData null", [](Outs& o) { return o.c.Is32BitData(1, nullptr); }, P),
        Reads("GetFirstTriggerSample", [](Outs& o) { return o.c.GetFirstTriggerSample(&o.l); }),
        Always("GetFirstTriggerSample null", [](Outs& o) { return o.c.GetFirstTriggerSample(nullptr); }, P),
        {"ScanFile", [](Outs& o) { return o.c.ScanFile(&o.l); }, {F, S_OK, F, F, F, F}},
        Always("ScanFile null", [](Outs& o) { return o.c.ScanFile(nullptr); }, P),
        Always("GetSamples null", [](Outs& o) { return o.c.GetSamples(1, 0, 4, &o.l, nullptr); }, P),
        Always("GetSamples null last", [](Outs& o) { return o.c.GetSamples(1, 0, 4, nullptr, &o.p16); }, P),
        Always("GetSamples32Bit null", [](Outs& o) { return o.c.GetSamples32Bit(1, 0, 4, &o.l, nullptr); }, P),
        Reads("GetFirstSampleNumber", [](Outs& o) { return o.c.GetFirstSampleNumber(&o.l); }),
        Always("GetFirstSampleNumber null", [](Outs& o) { return o.c.GetFirstSampleNumber(nullptr); }, P),
        Reads("GetLastSampleNumber", [](Outs& o) { return o.c.GetLastSampleNumber(&o.l); }),
        Always("GetLastSampleNumber null", [](Outs& o) { return o.c.GetLastSampleNumber(nullptr); }, P),
        Reads("GetRECInfoSection", [](Outs& o) { return o.c.GetRECInfoSection(&o.l, &o.bytes); }),
        Always("GetRECInfoSection null", [](Outs& o) { return o.c.GetRECInfoSection(&o.l, nullptr); }, P),
        Always("GetRECInfoSection null count", [](Outs& o) { return o.c.GetRECInfoSection(nullptr, &o.bytes); }, P),
        Always("GetOverloadStatusInRange null", [](Outs& o) { return o.c.GetOverloadStatusInRange(1, 0, 4, nullptr); }, P),
        Always("GetDCChannelIndexes null", [](Outs& o) { return o.c.GetDCChannelIndexes(0, 20, nullptr); }, P),
        Always("GetDCChannelBlock null", [](Outs& o) { return o.c.GetDCChannelBlock(0, 0, nullptr, &o.bytes); }, P),
        Always("GetDCChannelBlock null block", [](Outs& o) { return o.c.GetDCChannelBlock(0, 0, &o.l, nullptr); }, P),
        {"OpenFile", [](Outs& o) { return o.c.OpenFile(); }, {S_OK, F, F, S_OK, F, F}},
        Always("CloseFile", [](Outs& o) { return o.c.CloseFile(); }, S_OK),
        Writes("SetNumberOfChannels", [](Outs& o) { return o.c.SetNumberOfChannels(2); }, S_OK, F),
        Writes("WriteSetupSection", [](Outs& o) { return o.c.WriteSetupSection(); }, F, F),
        Writes("SetRECInfo missing", [](Outs& o) { return o.c.SetRECInfo(Bstr(u"missing.REC").get()); }, F, F),
        Writes("SetRECInfoArray", [](Outs& o) { return o.c.SetRECInfoArray(3, TaskCopy(Pattern(3))); }, S_OK, S_OK),
        Writes("SetRECInfoArray empty", [](Outs& o) { return o.c.SetRECInfoArray(0, nullptr); }, S_OK, S_OK),
        Writes("SetRECInfoArray null", [](Outs& o) { return o.c.SetRECInfoArray(3, nullptr); }, P, P),
        Writes("InitializeBinaryDataSection", [](Outs& o) { return o.c.InitializeBinaryDataSection(0); }, S_OK, F),
        Writes("CreateBinaryDataBlock", [](Outs& o) { return o.c.CreateBinaryDataBlock(1, 2, o.samples.data()); }, I, S_OK),
        Writes("CreateBinaryDataBlockWithOverloadStatus",
               [](Outs& o) { return o.c.CreateBinaryDataBlockWithOverloadStatus(2, 2, o.samples.data(), 0xFF); }, I, S_OK),
        Writes("Create32bitBinaryDataBlock", [](Outs& o) { return o.c.Create32bitBinaryDataBlock(2, 1, o.samples.data()); }, I, S_OK),
        Writes("Create32bitBinaryDataBlockWithOverloadStatus",
               [](Outs& o) { return o.c.Create32bitBinaryDataBlockWithOverloadStatus(1, 2, o.samples.data(), 1); }, I, S_OK),
        Writes("CreateDCChannelBlock", [](Outs& o) { return o.c.CreateDCChannelBlock(0, 20, o.dc.data()); }, S_OK, S_OK),
        Writes("CreateDCChannelBlock null", [](Outs& o) { return o.c.CreateDCChannelBlock(0, 20, nullptr); }, P, P),
    };
    // Every number argument at its extremes.
    for (const Channel& ch : kChannels) {
        const LONG c = ch.number;
        const std::string at = " " + std::to_string(c);
        rows.insert(rows.end(), {
            Reads("GetCorrectionFactor" + at, [c](Outs& o) { return o.c.GetCorrectionFactor(c, &o.d); }, c == 0 || c == 2 ? S_OK : I),
            Reads("GetUnit" + at, [c](Outs& o) { return o.c.GetUnit(c, &o.s); }, ch.samples),
            Reads("getParameter" + at, [c](Outs& o) { return o.c.getParameter(Bstr(u"Unit").get(), c, o.v.get()); }),
            Reads("Is32BitData" + at, [c](Outs& o) { return o.c.Is32BitData(c, &o.l); }, c == 0 || c == 1 ? S_OK : F),
            Reads("GetSamples32Bit" + at, [c](Outs& o) { return o.c.GetSamples32Bit(c, 0, 4, &o.l, &o.p32); }, ch.samples),
            Reads("GetOverloadStatusInRange" + at, [c](Outs& o) { return o.c.GetOverloadStatusInRange(c, 0, 4, &o.b); }, ch.samples),
            Reads("GetCompressedSamples" + at, [c](Outs& o) { return o.c.GetCompressedSamples(static_cast<ULONG>(c), 0, 0, &o.u, &o.p16); }, ch.samples),
            Reads("GetDCChannelBlock" + at, [c](Outs& o) { return o.c.GetDCChannelBlock(c, c, &o.l, &o.bytes); }, c == 0 ? S_OK : F),
            Reads("clearSelection" + at, [c](Outs& o) { return o.c.clearSelection(c); }),
            Always("put_Mode" + at, [c](Outs& o) { return o.c.put_Mode(static_cast<RFMode>(c)); }, c == 0 ? S_OK : F),
            Always("put_EnableLoadRECFileWithCORAL" + at, [c](Outs& o) { return o.c.put_EnableLoadRECFileWithCORAL(c); }, S_OK),
            Writes("SetNumberOfChannels" + at, [c](Outs& o) { return o.c.SetNumberOfChannels(c); }, c >= 0 && c <= 3 ? S_OK : I, F),
            Writes("SetChId" + at, [c](Outs& o) { return o.c.SetChId(c, c); }, F, c == 0 ? S_OK : F),
            Writes("SetParameter" + at, [c](Outs& o) { return o.c.SetParameter(Bstr(u"Unit").get(), c, nullptr); },
                   c == 0 ? S_OK : I, c == 0 || c == 2 ? S_OK : I),
            Writes("InitializeBinaryDataSection" + at, [c](Outs& o) { return o.c.InitializeBinaryDataSection(c); }, S_OK, F),
            Writes("CreateBinaryDataBlock" + at, [c](Outs& o) { return o.c.CreateBinaryDataBlock(c, 2, o.samples.data()); },
                   I, c == 2 ? S_OK : I),
            Writes("CreateBinaryDataBlock count" + at, [c](Outs& o) { return o.c.CreateBinaryDataBlock(1, c, o.samples.data()); },
                   I, c == 2 ? S_OK : I),
            Writes("Create32bitBinaryDataBlock count" + at,
                   [c](Outs& o) { return o.c.Create32bitBinaryDataBlock(2, c, o.samples.data()); }, I, c == 2 || c == 3 ? S_OK : I),
            Writes("CreateDCChannelBlock size" + at, [c](Outs& o) { return o.c.CreateDCChannelBlock(c, c, o.dc.data()); }, I, I),
            Writes("SetRECInfoArray size" + at, [c](Outs& o) { return o.c.SetRECInfoArray(c, c > 0 ? nullptr : TaskCopy(Pattern(3))); },
                   c < 0 ? I : c == 0 ? S_OK : P, c < 0 ? I : c == 0 ? S_OK : P),
        });
    }
    for (const Range& r : kRanges) {
        const LONG a = r.from, z = r.to;
        const std::string range = " " + std::to_string(a) + ".." + std::to_string(z);
        const HRESULT ordered = a <= z ? S_OK : F;
        rows.insert(rows.end(), {
            Reads("GetSamples" + range, [a, z](Outs& o) { return o.c.GetSamples(1, a, z, &o.l, &o.p16); }, r.samples),
            Reads("GetSamples32Bit" + range, [a, z](Outs& o) { return o.c.GetSamples32Bit(2, a, z, &o.l, &o.p32); }, r.samples),
            Reads("GetOverloadStatusInRange" + range, [a, z](Outs& o) { return o.c.GetOverloadStatusInRange(1, a, z, &o.b); }, ordered),
            Reads("GetDCChannelIndexes" + range, [a, z](Outs& o) { return o.c.GetDCChannelIndexes(a, z, o.v.get()); }),
            Reads("GetCompressedSamples" + range, [a, z](Outs& o) {
                return o.c.GetCompressedSamples(1, static_cast<ULONG>(a), static_cast<ULONG>(z), &(o.u = 4), &o.p16);
            }, r.compressed),
            Reads("GetCompressed32BitSamples values" + range, [a, z](Outs& o) {
                return o.c.GetCompressed32BitSamples(2, 0, static_cast<ULONG>(a), &(o.u = static_cast<ULONG>(z)), &o.p32);
            }, S_OK),
        });
    }
    for (const auto& [kind, text] : kTexts) {
        const std::string what = std::string(" ") + kind;
        rows.insert(rows.end(), {
            Always("put_FileName" + what, [text = text](Outs& o) { return o.c.put_FileName(Text(text).get()); }, S_OK),
            Reads("getParameter" + what, [text = text](Outs& o) { return o.c.getParameter(Text(text).get(), 1, o.v.get()); }),
            Writes("SetParameter name" + what, [text = text](Outs& o) { return o.c.SetParameter(Text(text).get(), 0, nullptr); },
                   S_OK, S_OK),
            Writes("SetParameter value" + what, [text = text](Outs& o) { return o.c.SetParameter(Bstr(u"Unit").get(), 0, Text(text).get()); },
                   S_OK, S_OK),
            Writes("SetRECInfo" + what, [text = text](Outs& o) { return o.c.SetRECInfo(Text(text).get()); }, F, F),
        });
    }
    rows.push_back(Writes("SetParameter line break", [](Outs& o) { return o.c.SetParameter(Bstr(u"Unit").get(), 0, Bstr(u"V\r\n[SETUP STOP]").get()); }, I, I));
    return rows;
}

class States : public ComponentTest {
protected:
    // From a new object: the state entered, true when it holds (a scan may end too soon).
    bool Enter(State state) {
        events.Disconnect();
        object.Reset();
        EXPECT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
        EXPECT_EQ(events.Connect(object.Get()), S_OK);
        const bool writing = state == Writing || state == Blocks;
        SetFileName(writing             ? dir.file("written.dat")
                    : state == Scanning ? dir.file("long.dat")
                                        : TwoChannelRecording().WriteTo(dir, "recording.dat"));
        LONG ok = 0;
        if (state == Idle) return true;
        if (writing)
            return component().OpenFile() == S_OK &&
                   (state == Writing ||
                    (component().SetNumberOfChannels(2) == S_OK && component().SetRECInfoArray(3, TaskCopy(Pattern(3))) == S_OK &&
                     component().WriteSetupSection() == S_OK && component().InitializeBinaryDataSection(0) == S_OK));
        if (component().open(&ok) != S_OK || ok != 1) return false;
        if (state == Reading) ScanAll();
        if (state == Closed) return component().close() == S_OK;
        return state == Reading || component().ScanFile(&ok) == S_OK;
    }
    // The scan started by Enter(Scanning) still runs: a second one is refused.
    bool StillScanning() {
        LONG ok = 0;
        return component().ScanFile(&ok) == E_FAIL;
    }
    void SetUp() override { ManyBlocks(100000).WriteTo(dir, "long.dat"); }
};

// Every member with the extremes of its arguments, in every state: each answers its code, and
// none reaches arithmetic that overflows (the sanitizer build aborts on it) or an allocation of
// the size of a number it was given.
TEST_F(States, EveryMemberInEveryState) {
    for (const Row& row : MakeRows()) {
        for (int state = Idle; state < kStates; ++state) {
            HRESULT got = S_OK;
            for (int attempt = 0;; ++attempt) {
                ASSERT_TRUE(Enter(static_cast<State>(state))) << row.call << " " << kStateNames[state];
                Outs outs(component());
                got = row.run(outs);
                if (state != Scanning || StillScanning() || attempt == 5) break;
            }
            EXPECT_EQ(got, row.codes[state]) << row.call << " " << kStateNames[state];
        }
    }
}

}  // namespace
}  // namespace tarn::test

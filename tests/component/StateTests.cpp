// Opening, closing, and what every member answers in each state.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <optional>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"

namespace tarn::test {
namespace {

// One call of a member with arguments that would be good on the open test recording. Each
// releases whatever it received.
struct Call {
    const char* name;
    std::function<HRESULT(CQVRecorderFileReader&)> run;
};

const Call kReadingCalls[] = {
    {"Description", [](CQVRecorderFileReader& c) { BSTR t = nullptr; HRESULT hr = c.get_Description(&t); SysFreeString(t); return hr; }},
    {"GetCorrectionFactor", [](CQVRecorderFileReader& c) { double f; return c.GetCorrectionFactor(1, &f); }},
    {"SampleFrequency", [](CQVRecorderFileReader& c) { double f; return c.get_SampleFrequency(&f); }},
    {"GetUnit", [](CQVRecorderFileReader& c) { BSTR t = nullptr; HRESULT hr = c.GetUnit(1, &t); SysFreeString(t); return hr; }},
    {"getParameter", [](CQVRecorderFileReader& c) { OwnedVariant v; return c.getParameter(Bstr(u"Unit").get(), 1, v.get()); }},
    {"GetSamples", [](CQVRecorderFileReader& c) { LONG last; short* p = nullptr; HRESULT hr = c.GetSamples(1, 0, 4, &last, &p); CoTaskMemFree(p); return hr; }},
    {"GetSamples32Bit", [](CQVRecorderFileReader& c) { LONG last; LONG* p = nullptr; HRESULT hr = c.GetSamples32Bit(1, 0, 4, &last, &p); CoTaskMemFree(p); return hr; }},
    {"GetOverloadStatusInRange", [](CQVRecorderFileReader& c) { BYTE s; return c.GetOverloadStatusInRange(1, 0, 4, &s); }},
    {"GetDCChannelIndexes", [](CQVRecorderFileReader& c) { OwnedVariant v; return c.GetDCChannelIndexes(0, 20, v.get()); }},
    {"GetDCChannelBlock", [](CQVRecorderFileReader& c) { LONG n; BYTE* p = nullptr; HRESULT hr = c.GetDCChannelBlock(0, 0, &n, &p); CoTaskMemFree(p); return hr; }},
    {"Is32BitData", [](CQVRecorderFileReader& c) { LONG v; return c.Is32BitData(0, &v); }},
    {"GetFirstTriggerSample", [](CQVRecorderFileReader& c) { LONG v; return c.GetFirstTriggerSample(&v); }},
    {"GetFirstSampleNumber", [](CQVRecorderFileReader& c) { LONG v; return c.GetFirstSampleNumber(&v); }},
    {"GetLastSampleNumber", [](CQVRecorderFileReader& c) { LONG v; return c.GetLastSampleNumber(&v); }},
};

// Each member with its (first) out pointer null.
const Call kNullPointerCalls[] = {
    {"FileSize", [](CQVRecorderFileReader& c) { return c.get_FileSize(nullptr); }},
    {"NumberOfChannels", [](CQVRecorderFileReader& c) { return c.get_NumberOfChannels(nullptr); }},
    {"open", [](CQVRecorderFileReader& c) { return c.open(nullptr); }},
    {"Description", [](CQVRecorderFileReader& c) { return c.get_Description(nullptr); }},
    {"GetCorrectionFactor", [](CQVRecorderFileReader& c) { return c.GetCorrectionFactor(1, nullptr); }},
    {"SampleFrequency", [](CQVRecorderFileReader& c) { return c.get_SampleFrequency(nullptr); }},
    {"GetUnit", [](CQVRecorderFileReader& c) { return c.GetUnit(1, nullptr); }},
    {"getParameter", [](CQVRecorderFileReader& c) { return c.getParameter(Bstr(u"Unit").get(), 1, nullptr); }},
    {"Mode", [](CQVRecorderFileReader& c) { return c.get_Mode(nullptr); }},
    {"EnableLoadRECFileWithCORAL", [](CQVRecorderFileReader& c) { return c.get_EnableLoadRECFileWithCORAL(nullptr); }},
    {"GetSamples pVal", [](CQVRecorderFileReader& c) { LONG last; return c.GetSamples(1, 0, 4, &last, nullptr); }},
    {"GetSamples lastsampleread", [](CQVRecorderFileReader& c) { short* p = nullptr; return c.GetSamples(1, 0, 4, nullptr, &p); }},
    {"GetSamples32Bit pVal", [](CQVRecorderFileReader& c) { LONG last; return c.GetSamples32Bit(1, 0, 4, &last, nullptr); }},
    {"GetSamples32Bit lastsampleread", [](CQVRecorderFileReader& c) { LONG* p = nullptr; return c.GetSamples32Bit(1, 0, 4, nullptr, &p); }},
    {"GetOverloadStatusInRange", [](CQVRecorderFileReader& c) { return c.GetOverloadStatusInRange(1, 0, 4, nullptr); }},
    {"GetDCChannelIndexes", [](CQVRecorderFileReader& c) { return c.GetDCChannelIndexes(0, 20, nullptr); }},
    {"GetDCChannelBlock Size", [](CQVRecorderFileReader& c) { BYTE* p = nullptr; return c.GetDCChannelBlock(0, 0, nullptr, &p); }},
    {"GetDCChannelBlock Block", [](CQVRecorderFileReader& c) { LONG n; return c.GetDCChannelBlock(0, 0, &n, nullptr); }},
    {"Is32BitData", [](CQVRecorderFileReader& c) { return c.Is32BitData(0, nullptr); }},
    {"GetFirstTriggerSample", [](CQVRecorderFileReader& c) { return c.GetFirstTriggerSample(nullptr); }},
    {"GetFirstSampleNumber", [](CQVRecorderFileReader& c) { return c.GetFirstSampleNumber(nullptr); }},
    {"GetLastSampleNumber", [](CQVRecorderFileReader& c) { return c.GetLastSampleNumber(nullptr); }},
};

TEST_F(ComponentTest, ReadingMembersFailWithoutARecording) {
    for (const Call& call : kReadingCalls) EXPECT_EQ(call.run(component), E_FAIL) << call.name << " before open";
    Open(TwoChannelRecording());
    ScanAll();
    for (const Call& call : kReadingCalls) EXPECT_EQ(call.run(component), S_OK) << call.name << " while open";
    ASSERT_EQ(component.close(), S_OK);
    for (const Call& call : kReadingCalls) EXPECT_EQ(call.run(component), E_FAIL) << call.name << " after close";
}

TEST_F(ComponentTest, NullOutPointersAreRefusedInEveryState) {
    for (const Call& call : kNullPointerCalls) EXPECT_EQ(call.run(component), E_POINTER) << call.name << " closed";
    Open(TwoChannelRecording());
    for (const Call& call : kNullPointerCalls) EXPECT_EQ(call.run(component), E_POINTER) << call.name << " open";
    // FileName alone answers E_INVALIDARG.
    EXPECT_EQ(component.get_FileName(nullptr), E_INVALIDARG);
}

TEST_F(ComponentTest, FailedTriggerQueryStillLeavesMinusOne) {
    LONG sample = 1234;
    EXPECT_EQ(component.GetFirstTriggerSample(&sample), E_FAIL);
    EXPECT_EQ(sample, -1);
}

TEST_F(ComponentTest, OpenTwiceKeepsTheFirstRecording) {
    Open(TwoChannelRecording());
    SetFileName(RecordingBuilder().Header(5).WriteTo(dir, "other.dat"));
    LONG ok = -1;
    EXPECT_EQ(component.open(&ok), E_FAIL);
    EXPECT_EQ(ok, 0);
    LONG channels = 0;
    ASSERT_EQ(component.get_NumberOfChannels(&channels), S_OK);
    EXPECT_EQ(channels, 2);
}

TEST_F(ComponentTest, MissingFileIsNoFailure) {
    SetFileName(dir.file("missing.dat"));
    LONG ok = -1;
    EXPECT_EQ(component.open(&ok), S_OK);
    EXPECT_EQ(ok, 0);
    LONG v;
    EXPECT_EQ(component.GetFirstSampleNumber(&v), E_FAIL);
}

TEST_F(ComponentTest, RejectedFileLeavesTheObjectClosed) {
    layout::FileHeader header;
    header.Magic = 0x1234;
    header.NumberOfChannels = 2;
    SetFileName(RecordingBuilder().Header(header).WriteTo(dir, "bad.dat"));
    LONG ok = -1;
    EXPECT_EQ(component.open(&ok), E_INVALIDARG);
    EXPECT_EQ(ok, -1) << "pbOk is not written";
    LONG channels = -1, size = -1;
    EXPECT_EQ(component.get_NumberOfChannels(&channels), S_OK);
    EXPECT_EQ(component.get_FileSize(&size), S_OK);
    EXPECT_EQ(channels, 0);
    EXPECT_EQ(size, 0);
    // The file is closed again: the next open works, and the rejected file can be removed.
    Open(TwoChannelRecording());
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::remove(dir.file("bad.dat"), ec)) << ec.message();
}

TEST_F(ComponentTest, CloseWithoutOpenAndTwice) {
    EXPECT_EQ(component.close(), S_OK);
    Open(TwoChannelRecording());
    EXPECT_EQ(component.close(), S_OK);
    EXPECT_EQ(component.close(), S_OK);
}

TEST_F(ComponentTest, OpenCopiesChannelsAndSizeAndCloseResetsThem) {
    const RecordingBuilder recording = TwoChannelRecording();
    Open(recording);
    LONG channels = 0, size = 0;
    ASSERT_EQ(component.get_NumberOfChannels(&channels), S_OK);
    ASSERT_EQ(component.get_FileSize(&size), S_OK);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(size, static_cast<LONG>(recording.size()));
    component.close();
    ASSERT_EQ(component.get_NumberOfChannels(&channels), S_OK);
    ASSERT_EQ(component.get_FileSize(&size), S_OK);
    EXPECT_EQ(channels, 0);
    EXPECT_EQ(size, 0);
}

TEST_F(ComponentTest, FileSizeIsTheLow32BitsOfTheLength) {
    const RecordingBuilder recording = TwoChannelRecording();
    const std::string path = recording.WriteTo(dir, "big.dat");
    std::error_code ec;
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 32) + 1234, ec);  // sparse
    if (ec) GTEST_SKIP() << "cannot make a file above 4 GiB here: " << ec.message();
    SetFileName(path);
    LONG ok = 0, size = 0;
    ASSERT_EQ(component.open(&ok), S_OK);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(component.get_FileSize(&size), S_OK);
    EXPECT_EQ(size, 1234);
}

TEST_F(ComponentTest, FileNameRoundTrip) {
    struct Case {
        std::optional<std::u16string_view> put;  // nullopt: a null BSTR
        const char16_t* get;                     // nullptr: a null BSTR comes back
    };
    const Case cases[] = {
        {u"C:\\data\\Run1_003.DAT", u"C:\\data\\Run1_003.DAT"},
        {u"/tmp/r\u00e9cording.dat", u"/tmp/r\u00e9cording.dat"},
        {std::u16string_view(u"a.dat\0b", 7), u"a.dat"},  // up to the first zero character
        {u"", nullptr},
        {std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        const UniqueBstr in(c.put ? AllocBstr(*c.put) : nullptr);
        ASSERT_EQ(component.put_FileName(in.get()), S_OK);
        BSTR out = reinterpret_cast<BSTR>(1);
        ASSERT_EQ(component.get_FileName(&out), S_OK);
        const UniqueBstr owned(out);
        if (c.get == nullptr) {
            EXPECT_EQ(out, nullptr);
        } else {
            EXPECT_EQ(BstrText(out), std::u16string(c.get));
        }
    }
}

TEST_F(ComponentTest, ModeAndEnableProperties) {
    RFMode mode = RF_BlockInterleaved;
    ASSERT_EQ(component.get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, RF_Interleaved);
    EXPECT_EQ(component.put_Mode(RF_BlockInterleaved), S_OK);
    EXPECT_EQ(component.put_Mode(static_cast<RFMode>(2)), E_FAIL);
    EXPECT_EQ(component.put_Mode(static_cast<RFMode>(-1)), E_FAIL);
    ASSERT_EQ(component.get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, RF_BlockInterleaved);

    LONG enabled = -1;
    ASSERT_EQ(component.get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
    EXPECT_EQ(enabled, 0);
    for (const LONG value : {LONG{7}, LONG{-1}, LONG{1}}) {
        ASSERT_EQ(component.put_EnableLoadRECFileWithCORAL(value), S_OK);
        ASSERT_EQ(component.get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
        EXPECT_EQ(enabled, 1) << value;
    }
    ASSERT_EQ(component.put_EnableLoadRECFileWithCORAL(0), S_OK);
    ASSERT_EQ(component.get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
    EXPECT_EQ(enabled, 0);
}

// Without the companion file, open gives every channel its default names, replacing the
// setup text's, but only when the client asked for the companion file.
TEST_F(ComponentTest, DefaultNamesWhenTheCompanionFileIsEnabled) {
    struct Expect {
        LONG channel;
        const char16_t* key;
        const char16_t* value;
    };
    const Expect withDefaults[] = {
        {1, u"OrgSignalName", u"Signal1"}, {1, u"SignalName", u""}, {1, u"Unit", u""},
        {2, u"OrgSignalName", u"Signal2"}, {2, u"SignalName", u""}, {2, u"Unit", u""},
    };
    const Expect withoutDefaults[] = {{1, u"SignalName", u"Pressure"}, {1, u"Unit", u"Pa"}};
    for (const bool enabled : {true, false}) {
        component.close();
        ASSERT_EQ(component.put_EnableLoadRECFileWithCORAL(enabled ? 1 : 0), S_OK);
        Open(TwoChannelRecording());
        for (const Expect& e : enabled ? std::vector<Expect>(std::begin(withDefaults), std::end(withDefaults))
                                       : std::vector<Expect>(std::begin(withoutDefaults), std::end(withoutDefaults))) {
            OwnedVariant value;
            ASSERT_EQ(component.getParameter(Bstr(e.key).get(), e.channel, value.get()), S_OK);
            EXPECT_EQ(Text(value), e.value) << "channel " << e.channel << " enabled " << enabled;
        }
        OwnedVariant none;
        ASSERT_EQ(component.getParameter(Bstr(u"OrgSignalName").get(), 3, none.get()), S_OK);
        EXPECT_EQ(V_VT(none.get()), VT_EMPTY);
    }
}

TEST_F(ComponentTest, SampleNumbersFollowTheIndex) {
    Open(TwoChannelRecording());
    ScanAll();
    LONG first = -1, last = -1;
    ASSERT_EQ(component.GetFirstSampleNumber(&first), S_OK);
    ASSERT_EQ(component.GetLastSampleNumber(&last), S_OK);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 8) << "channel 2 ends first";
}

}  // namespace
}  // namespace tarn::test

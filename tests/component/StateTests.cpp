// Opening, closing, and what every member answers in each state.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"

namespace tarn::test {
namespace {

using R = CQVRecorderFileReader;
using Run = std::function<HRESULT(R&)>;

// One member: a call with arguments that are good on the open test recording (nullptr for a
// member that needs no recording), and calls with each out pointer null. Calls release what
// they receive. Without a recording the good call fails with E_FAIL; null pointers are
// refused with E_POINTER in every state.
struct Member {
    const char* name;
    Run good;
    std::vector<Run> nullOut;
};

const Member kMembers[] = {
    {"FileSize", nullptr, {[](R& c) { return c.get_FileSize(nullptr); }}},
    {"NumberOfChannels", nullptr, {[](R& c) { return c.get_NumberOfChannels(nullptr); }}},
    {"open", nullptr, {[](R& c) { return c.open(nullptr); }}},
    {"Mode", nullptr, {[](R& c) { return c.get_Mode(nullptr); }}},
    {"EnableLoadRECFileWithCORAL", nullptr, {[](R& c) { return c.get_EnableLoadRECFileWithCORAL(nullptr); }}},
    {"Description", [](R& c) { BSTR t = nullptr; HRESULT hr = c.get_Description(&t); SysFreeString(t); return hr; },
     {[](R& c) { return c.get_Description(nullptr); }}},
    {"GetCorrectionFactor", [](R& c) { double f; return c.GetCorrectionFactor(1, &f); }, {[](R& c) { return c.GetCorrectionFactor(1, nullptr); }}},
    {"SampleFrequency", [](R& c) { double f; return c.get_SampleFrequency(&f); }, {[](R& c) { return c.get_SampleFrequency(nullptr); }}},
    {"GetUnit", [](R& c) { BSTR t = nullptr; HRESULT hr = c.GetUnit(1, &t); SysFreeString(t); return hr; }, {[](R& c) { return c.GetUnit(1, nullptr); }}},
    {"getParameter", [](R& c) { ScopedVariant v; return c.getParameter(Bstr(u"Unit").get(), 1, v.get()); },
     {[](R& c) { return c.getParameter(Bstr(u"Unit").get(), 1, nullptr); }}},
    {"GetSamples", [](R& c) { LONG last; short* p = nullptr; HRESULT hr = c.GetSamples(1, 0, 4, &last, &p); CoTaskMemFree(p); return hr; },
     {[](R& c) { LONG last; return c.GetSamples(1, 0, 4, &last, nullptr); }, [](R& c) { short* p = nullptr; return c.GetSamples(1, 0, 4, nullptr, &p); }}},
    {"GetSamples32Bit", [](R& c) { LONG last; LONG* p = nullptr; HRESULT hr = c.GetSamples32Bit(1, 0, 4, &last, &p); CoTaskMemFree(p); return hr; },
     {[](R& c) { LONG last; return c.GetSamples32Bit(1, 0, 4, &last, nullptr); }, [](R& c) { LONG* p = nullptr; return c.GetSamples32Bit(1, 0, 4, nullptr, &p); }}},
    {"GetOverloadStatusInRange", [](R& c) { BYTE s; return c.GetOverloadStatusInRange(1, 0, 4, &s); },
     {[](R& c) { return c.GetOverloadStatusInRange(1, 0, 4, nullptr); }}},
    {"GetDCChannelIndexes", [](R& c) { ScopedVariant v; return c.GetDCChannelIndexes(0, 20, v.get()); },
     {[](R& c) { return c.GetDCChannelIndexes(0, 20, nullptr); }}},
    {"GetDCChannelBlock", [](R& c) { LONG n; BYTE* p = nullptr; HRESULT hr = c.GetDCChannelBlock(0, 0, &n, &p); CoTaskMemFree(p); return hr; },
     {[](R& c) { BYTE* p = nullptr; return c.GetDCChannelBlock(0, 0, nullptr, &p); }, [](R& c) { LONG n; return c.GetDCChannelBlock(0, 0, &n, nullptr); }}},
    {"Is32BitData", [](R& c) { LONG v; return c.Is32BitData(0, &v); }, {[](R& c) { return c.Is32BitData(0, nullptr); }}},
    {"GetFirstTriggerSample", [](R& c) { LONG v; return c.GetFirstTriggerSample(&v); }, {[](R& c) { return c.GetFirstTriggerSample(nullptr); }}},
    {"GetFirstSampleNumber", [](R& c) { LONG v; return c.GetFirstSampleNumber(&v); }, {[](R& c) { return c.GetFirstSampleNumber(nullptr); }}},
    {"GetLastSampleNumber", [](R& c) { LONG v; return c.GetLastSampleNumber(&v); }, {[](R& c) { return c.GetLastSampleNumber(nullptr); }}},
};

void ExpectCodes(CQVRecorderFileReader& component, HRESULT good, const char* state) {
    for (const Member& m : kMembers) {
        if (m.good) {
            EXPECT_EQ(m.good(component), good) << m.name << " " << state;
        }
        for (const Run& run : m.nullOut) EXPECT_EQ(run(component), E_POINTER) << m.name << " null, " << state;
    }
}

class ComponentState : public ComponentTest {
protected:
    void ExpectChannelsAndSize(LONG channels, LONG size) {
        LONG gotChannels = -1, gotSize = -1;
        ASSERT_EQ(component.get_NumberOfChannels(&gotChannels), S_OK);
        ASSERT_EQ(component.get_FileSize(&gotSize), S_OK);
        EXPECT_EQ(gotChannels, channels);
        EXPECT_EQ(gotSize, size);
    }
};

TEST_F(ComponentTest, StatusCodesInEachState) {
    ExpectCodes(component, E_FAIL, "before open");
    LONG trigger = 1234;   // a failed trigger query still leaves -1
    EXPECT_EQ(component.GetFirstTriggerSample(&trigger), E_FAIL);
    EXPECT_EQ(trigger, -1);
    Open(TwoChannelRecording());
    ScanAll();
    ExpectCodes(component, S_OK, "while open");
    ASSERT_EQ(component.close(), S_OK);
    ExpectCodes(component, E_FAIL, "after close");
    // FileName alone answers E_INVALIDARG.
    EXPECT_EQ(component.get_FileName(nullptr), E_INVALIDARG);
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

TEST_F(ComponentState, RejectedFileLeavesTheObjectClosed) {
    layout::FileHeader header;
    header.Magic = 0x1234;
    header.NumberOfChannels = 2;
    SetFileName(RecordingBuilder().Header(header).WriteTo(dir, "bad.dat"));
    LONG ok = -1;
    EXPECT_EQ(component.open(&ok), E_INVALIDARG);
    EXPECT_EQ(ok, -1) << "pbOk is not written";
    ExpectChannelsAndSize(0, 0);
    // The file is closed again: the next open works, and the rejected file can be removed.
    Open(TwoChannelRecording());
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::remove(dir.file("bad.dat"), ec)) << ec.message();
}

TEST_F(ComponentState, OpenCopiesChannelsAndSizeAndCloseResetsThemTwice) {
    EXPECT_EQ(component.close(), S_OK);   // without open
    const RecordingBuilder recording = TwoChannelRecording();
    Open(recording);
    ExpectChannelsAndSize(2, static_cast<LONG>(recording.size()));
    EXPECT_EQ(component.close(), S_OK);
    EXPECT_EQ(component.close(), S_OK);
    ExpectChannelsAndSize(0, 0);
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
    for (const int bad : {2, -1}) EXPECT_EQ(component.put_Mode(static_cast<RFMode>(bad)), E_FAIL) << bad;
    ASSERT_EQ(component.get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, RF_BlockInterleaved);
    LONG enabled = -1;
    ASSERT_EQ(component.get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
    EXPECT_EQ(enabled, 0);
    for (const LONG value : {LONG{7}, LONG{-1}, LONG{0}}) {   // any non-zero value reads back as 1
        ASSERT_EQ(component.put_EnableLoadRECFileWithCORAL(value), S_OK);
        ASSERT_EQ(component.get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
        EXPECT_EQ(enabled, value ? 1 : 0) << value;
    }
}

// Without the companion file, open gives every channel its default names, replacing the
// setup text's, but only when the client asked for the companion file.
TEST_F(ComponentTest, DefaultNamesWhenTheCompanionFileIsEnabled) {
    struct Expect {
        bool enabled;
        LONG channel;
        const char16_t* key;
        const char16_t* value;   // nullptr: VT_EMPTY
    };
    const Expect cases[] = {
        {true, 1, u"OrgSignalName", u"Signal1"}, {true, 2, u"OrgSignalName", u"Signal2"},
        {true, 2, u"SignalName", u""},           {true, 2, u"Unit", u""},
        {true, 3, u"OrgSignalName", nullptr},    {false, 1, u"SignalName", u"Pressure"},
        {false, 1, u"Unit", u"Pa"},              {false, 1, u"OrgSignalName", nullptr},
    };
    for (const Expect& e : cases) {
        component.close();
        ASSERT_EQ(component.put_EnableLoadRECFileWithCORAL(e.enabled ? 1 : 0), S_OK);
        Open(TwoChannelRecording());
        ScopedVariant value;
        ASSERT_EQ(component.getParameter(Bstr(e.key).get(), e.channel, value.get()), S_OK);
        if (e.value) {
            EXPECT_EQ(Text(value), e.value) << e.channel << " enabled " << e.enabled;
        } else {
            EXPECT_EQ(V_VT(value.get()), VT_EMPTY) << e.channel << " enabled " << e.enabled;
        }
    }
}

}  // namespace
}  // namespace tarn::test

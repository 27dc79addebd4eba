// A recording open for reading, as the interface layer hands it out: texts as BSTRs, parameters
// as VARIANTs, samples and DC blocks in task memory, DC indexes in a SAFEARRAY.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/platform/ScopedEnvironment.h"

namespace tarn::test {
namespace {

TEST_F(ComponentTest, OpenOutcomes) {
    layout::FileHeader header;
    header.Magic = 0x1234;
    header.NumberOfChannels = 2;
    SetFileName(RecordingBuilder().Header(header).WriteTo(dir, "bad.dat"));
    LONG ok = -1, channels = -1, size = -1;
    EXPECT_EQ(component().open(&ok), E_INVALIDARG);
    EXPECT_EQ(ok, -1) << "pbOk is not written";
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::remove(dir.file("bad.dat"), ec)) << "the rejected file is closed";
    EXPECT_EQ(component().open(&ok), S_OK) << "a missing file";
    EXPECT_EQ(ok, 0);
    const RecordingBuilder recording = TwoChannelRecording();
    Open(recording);
    SetFileName(dir.file("other.dat"));
    EXPECT_EQ(component().open(&ok), E_FAIL) << "the first recording stays";
    EXPECT_EQ(ok, 0);
    ASSERT_EQ(component().get_NumberOfChannels(&channels), S_OK);
    ASSERT_EQ(component().get_FileSize(&size), S_OK);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(size, static_cast<LONG>(recording.size()));
    ASSERT_EQ(component().close(), S_OK);
    ASSERT_EQ(component().get_NumberOfChannels(&channels), S_OK);
    EXPECT_EQ(channels, 0);
}

TEST_F(ComponentTest, FileSizeIsTheLow32BitsOfTheLength) {
    const std::string path = TwoChannelRecording().WriteTo(dir, "big.dat");
    std::error_code ec;
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 32) + 1234, ec);   // sparse
    if (ec) GTEST_SKIP() << "no file above 4 GiB here: " << ec.message();
    SetFileName(path);
    LONG ok = 0, size = 0;
    ASSERT_EQ(component().open(&ok), S_OK);
    ASSERT_EQ(component().get_FileSize(&size), S_OK);
    EXPECT_EQ(size, 1234);
}

TEST_F(ComponentTest, TextsUpToTheirFirstZeroCharacter) {
    const std::pair<std::optional<std::u16string_view>, const char16_t*> names[] = {
        {u"/tmp/r\u00e9cording.dat", u"/tmp/r\u00e9cording.dat"},
        {std::u16string_view(u"a.dat\0b", 7), u"a.dat"},
        {u"", nullptr},   // a null BSTR comes back
        {std::nullopt, nullptr},
    };
    for (const auto& [put, get] : names) {
        const UniqueBstr in(put ? AllocBstr(*put) : nullptr);
        ASSERT_EQ(component().put_FileName(in.get()), S_OK);
        BSTR out = reinterpret_cast<BSTR>(1);
        ASSERT_EQ(component().get_FileName(&out), S_OK);
        const UniqueBstr owned(out);
        EXPECT_EQ(out ? std::optional(BstrText(out)) : std::nullopt, get ? std::optional(std::u16string(get)) : std::nullopt);
    }
    const std::string setup = std::string(kTwoChannelSetup) + "[Info]\nx=\xe9";
    for (const auto& [text, expected] : {std::pair(setup, setup), std::pair(setup + std::string("\0bin", 4), setup)}) {
        component().close();
        Open(TwoChannelRecording(text));
        BSTR description = nullptr;
        ASSERT_EQ(component().get_Description(&description), S_OK);
        const UniqueBstr owned(description);
        EXPECT_EQ(BstrText(description), platform::AnsiToWide(expected));
    }
    component().close();
    Open(TwoChannelRecording(""));
    BSTR none = reinterpret_cast<BSTR>(1);
    ASSERT_EQ(component().get_Description(&none), S_OK);
    EXPECT_EQ(none, nullptr) << "no setup text";
    double frequency = 0;
    EXPECT_EQ(component().get_SampleFrequency(&frequency), E_FAIL);
}

// The text's separator is replaced by the user's before the locale-aware conversion: the result
// does not depend on the locale (POSIX takes it from the environment).
TEST_F(ComponentTest, SampleFrequencyWithEitherSeparator) {
    const std::pair<const char*, HRESULT> cases[] = {
        {"44100.5", S_OK}, {"44100,5", S_OK}, {"fast", E_FAIL}, {"", E_FAIL}};
    for (const char* locale : {"de_DE.UTF-8", "C"}) {
        ScopedEnvironment environment;
        environment.Set("LC_ALL", std::string(locale));
        for (const auto& [text, hr] : cases) {
            component().close();
            Open(TwoChannelRecording(std::string("\n[SETUP START]\nSampleFrequency=") + text + "\n[SETUP STOP]\n"));
            double frequency = -1;
            EXPECT_EQ(component().get_SampleFrequency(&frequency), hr) << text << " " << locale;
            if (hr == S_OK) EXPECT_DOUBLE_EQ(frequency, 44100.5) << text << " " << locale;
        }
    }
}

// Channel 0 has a factor but no unit; outside the table neither exists. An absent parameter is
// VT_EMPTY. With the companion file enabled (and missing), open gives default names.
TEST_F(ComponentTest, UnitsFactorsAndParameters) {
    Open(TwoChannelRecording());
    const std::tuple<LONG, const char16_t*, HRESULT, double> channels[] = {
        {1, u"Pa", S_OK, 0.5}, {2, u"", S_OK, 0.25}, {0, nullptr, S_OK, 0.0}, {3, nullptr, E_INVALIDARG, 0}};
    for (const auto& [channel, unit, factorHr, factor] : channels) {
        BSTR got = nullptr;
        EXPECT_EQ(component().GetUnit(channel, &got), unit ? S_OK : E_FAIL) << channel;
        const UniqueBstr owned(got);
        if (unit) EXPECT_EQ(BstrText(got), unit) << channel;
        double value = -1;
        EXPECT_EQ(component().GetCorrectionFactor(channel, &value), factorHr) << channel;
        if (factorHr == S_OK) EXPECT_DOUBLE_EQ(value, factor) << channel;
    }
    EXPECT_EQ(Parameter(u"SignalName", 2), u"Force");
    EXPECT_EQ(Parameter(u"NoChannels", 0), u"2");
    EXPECT_EQ(Parameter(u"unit", 1), u"<empty>");
    EXPECT_EQ(Parameter(u"OrgSignalName", 1), u"<empty>");
    ASSERT_EQ(component().close(), S_OK);
    ASSERT_EQ(component().put_EnableLoadRECFileWithCORAL(-7), S_OK);
    LONG enabled = 0;
    ASSERT_EQ(component().get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
    EXPECT_EQ(enabled, 1);
    Open(TwoChannelRecording());
    EXPECT_EQ(Parameter(u"OrgSignalName", 2), u"Signal2");
    EXPECT_EQ(Parameter(u"SignalName", 2), u"");
    EXPECT_EQ(Parameter(u"Unit", 1), u"");
    EXPECT_EQ(Parameter(u"OrgSignalName", 3), u"<empty>");
}

// Each range request indexes one more block until a full scan has run; the result has one slot
// more than the range, and nothing is handed out on failure.
TEST_F(ComponentTest, SamplesInTaskMemory) {
    Open(TwoChannelRecording());
    // The stream: channel 1 @0, channel 2 @0, DC @4, channel 1 @4, ...
    const std::tuple<LONG, LONG, LONG> steps[] = {{2, 4, -1}, {1, 8, 3}, {1, 8, 3}, {1, 8, 7}, {1, 3, 2}};
    for (const auto& [channel, stop, expected] : steps) {
        LONG last = 0;
        short* raw = nullptr;
        ASSERT_EQ(component().GetSamples(channel, 0, stop, &last, &raw), S_OK);
        const TaskMem<short> samples(raw);
        EXPECT_EQ(last, expected);
        raw[stop] = 77;   // the extra slot is the client's (ASan checks the size)
        for (LONG i = 0; i <= last; ++i) EXPECT_EQ(raw[i], channel == 1 ? Channel1Sample(i) : 0) << i;
    }
    ScanAll();
    LONG last = 0, *wide = nullptr;
    short* narrow = nullptr;
    ASSERT_EQ(component().GetSamples32Bit(2, 0, 4, &last, &wide), S_OK);
    const TaskMem<LONG> ownedWide(wide);
    EXPECT_EQ(std::vector<LONG>(wide, wide + 4), (std::vector<LONG>{0x00010001, -2, 70000, -70000}));
    ASSERT_EQ(component().GetSamples(2, 0, 4, &last, &narrow), S_OK);
    const TaskMem<short> ownedNarrow(narrow);
    EXPECT_EQ(std::vector<short>(narrow, narrow + 4), (std::vector<short>{1, -1, 1, -2})) << "the upper halves";
    for (const LONG channel : {0, 3}) {
        LONG untouched = 0x5A5A;
        short* none = nullptr;
        EXPECT_EQ(component().GetSamples(channel, 0, 4, &untouched, &none), E_FAIL);
        EXPECT_EQ(untouched, 0x5A5A);
        EXPECT_EQ(none, nullptr);
    }
    const std::pair<LONG, HRESULT> widths[] = {{0, S_OK}, {1, S_OK}, {2, E_FAIL}, {-1, E_FAIL}};
    for (const auto& [index, hr] : widths) {
        LONG is32 = -1;
        EXPECT_EQ(component().Is32BitData(index, &is32), hr) << index;
        if (hr == S_OK) EXPECT_EQ(is32, index) << index;
    }
    LONG trigger = 0;
    ASSERT_EQ(component().GetFirstTriggerSample(&trigger), S_OK);
    EXPECT_EQ(trigger, -1) << "only sequential reading places the trigger";
}

TEST_F(ComponentTest, DCIndexesAndBlocks) {
    Open(TwoChannelRecording());
    ScanAll();
    ScopedVariant list;
    ASSERT_EQ(component().GetDCChannelIndexes(0, 20, list.get()), S_OK);
    ASSERT_EQ(V_VT(list.get()), VT_ARRAY | VT_I4);
    SAFEARRAY* array = V_ARRAY(list.get());
    LONG lower = 0, upper = 0;
    ASSERT_EQ(SafeArrayGetDim(array), 1u);
    ASSERT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    std::vector<LONG> pairs;
    for (LONG i = lower; i <= upper; ++i) {
        ASSERT_EQ(SafeArrayGetElement(array, &i, &pairs.emplace_back()), S_OK);
    }
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(pairs, (std::vector<LONG>{0, 0, 0, 1}));
    list.reset();
    ASSERT_EQ(component().GetDCChannelIndexes(5, 12, list.get()), S_OK);
    EXPECT_EQ(V_VT(list.get()), VT_EMPTY);

    LONG size = 0;
    BYTE* raw = nullptr;
    ASSERT_EQ(component().GetDCChannelBlock(0, 1, &size, &raw), S_OK);
    const TaskMem<BYTE> block(raw);
    const auto expected = RecordingBuilder().DC({{0, 0, 11900}, {1, 0, 2160}}, Block().SampleNo(1012)).bytes();
    EXPECT_EQ(RecordingBuilder::Bytes(raw, raw + size), expected);
    BYTE* none = nullptr;
    EXPECT_EQ(component().GetDCChannelBlock(0, 2, &size, &none), E_FAIL);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace tarn::test

// A recording as the interface layer hands it out (BSTRs, VARIANTs, task memory, SAFEARRAYs) and
// takes it in through the writer members; what close, CloseFile and release leave of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

TEST_F(ComponentTest, OpenOutcomes) {
    layout::FileHeader header;
    header.Magic = 0x1234;
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
    for (const LONG expected : {LONG{2}, LONG{0}}) {   // then after close
        ASSERT_EQ(component().get_NumberOfChannels(&channels), S_OK);
        ASSERT_EQ(component().get_FileSize(&size), S_OK);
        EXPECT_EQ(channels, expected);
        EXPECT_EQ(size, expected ? static_cast<LONG>(recording.size()) : 0);
        ASSERT_EQ(component().close(), S_OK);
    }
}

// Texts end at their first zero character. Channel 0 has a factor but no unit; outside the table
// neither exists. An absent parameter is VT_EMPTY. With the companion file enabled (and missing),
// open gives default names.
TEST_F(ComponentTest, TextsAndParameters) {
    const std::pair<std::optional<std::u16string_view>, std::optional<std::u16string>> names[] = {
        {u"/tmp/r\u00e9cording.dat", u"/tmp/r\u00e9cording.dat"},
        {std::u16string_view(u"a.dat\0b", 7), u"a.dat"},
        {u"", std::nullopt},   // a null BSTR comes back
        {std::nullopt, std::nullopt},
    };
    BSTR text = nullptr;
    for (const auto& [put, get] : names) {
        ASSERT_EQ(component().put_FileName(UniqueBstr(put ? AllocBstr(*put) : nullptr).get()), S_OK);
        ASSERT_EQ(component().get_FileName(&text), S_OK);
        EXPECT_EQ(Owned(text), get);
    }
    const std::string setup = std::string(kTwoChannelSetup) + "[Info]\nx=\xe9";
    for (const std::string& description : {std::string(), setup + std::string("\0bin", 4)}) {
        component().close();
        Open(TwoChannelRecording(description));
        ASSERT_EQ(component().get_Description(&text), S_OK);
        EXPECT_EQ(Owned(text), description.empty() ? std::nullopt : std::optional(platform::AnsiToWide(setup)));
    }
    const std::tuple<LONG, std::optional<std::u16string>, HRESULT, double> channels[] = {
        {1, u"Pa", S_OK, 0.5}, {2, u"", S_OK, 0.25}, {0, std::nullopt, S_OK, 0.0}, {3, std::nullopt, E_INVALIDARG, -1}};
    for (const auto& [channel, unit, factorHr, factor] : channels) {
        text = nullptr;
        EXPECT_EQ(component().GetUnit(channel, &text), unit ? S_OK : E_FAIL) << channel;
        EXPECT_EQ(Owned(text), unit) << channel;
        double value = -1;
        EXPECT_EQ(component().GetCorrectionFactor(channel, &value), factorHr) << channel;
        EXPECT_DOUBLE_EQ(value, factor) << channel;
    }
    EXPECT_EQ(Parameter(u"SignalName", 2), u"Force");
    EXPECT_EQ(Parameter(u"unit", 1), u"<empty>");
    EXPECT_EQ(Parameter(u"OrgSignalName", 1), u"<empty>");
    ASSERT_EQ(component().close(), S_OK);
    ASSERT_EQ(component().put_EnableLoadRECFileWithCORAL(-7), S_OK);
    LONG enabled = 0;
    ASSERT_EQ(component().get_EnableLoadRECFileWithCORAL(&enabled), S_OK);
    EXPECT_EQ(enabled, 1);
    std::string comma = kTwoChannelSetup;
    comma[comma.find(".5")] = ',';
    Open(TwoChannelRecording(comma));
    double frequency = 0;   // the text's decimal comma or point, whatever the user's separator
    ASSERT_EQ(component().get_SampleFrequency(&frequency), S_OK);
    EXPECT_DOUBLE_EQ(frequency, 44100.5);
    EXPECT_EQ(Parameter(u"OrgSignalName", 2), u"Signal2");
    EXPECT_EQ(Parameter(u"SignalName", 2), u"");
    EXPECT_EQ(Parameter(u"Unit", 1), u"");
    EXPECT_EQ(Parameter(u"OrgSignalName", 3), u"<empty>");
}

// Each range request indexes one more block until a full scan has run; the result has one slot
// more than the range, and nothing is handed out on failure.
TEST_F(ComponentTest, SamplesAndDCIndexes) {
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
        for (LONG i = 0; i <= last; ++i) EXPECT_EQ(raw[i], Channel1Sample(i)) << i;
    }
    LONG last = 0, *wide = nullptr, value = -1;
    ASSERT_EQ(component().GetSamples32Bit(2, 1, 3, &last, &wide), S_OK);
    const TaskMem<LONG> owned(wide);
    EXPECT_EQ(std::vector<LONG>(wide, wide + 2), (std::vector<LONG>{-2, 70000}));
    for (const LONG channel : {0, 3}) {
        LONG untouched = 0x5A5A;
        short* none = nullptr;
        EXPECT_EQ(component().GetSamples(channel, 0, 4, &untouched, &none), E_FAIL);
        EXPECT_EQ(untouched, 0x5A5A);
        EXPECT_EQ(none, nullptr);
    }
    ASSERT_EQ(component().GetFirstTriggerSample(&value), S_OK);
    EXPECT_EQ(value, -1) << "only sequential reading places the trigger";
    ScanAll();   // DC indexes in a SAFEARRAY from 1, or none
    ScopedVariant list;
    ASSERT_EQ(component().GetDCChannelIndexes(0, 20, list.get()), S_OK);
    ASSERT_EQ(V_VT(list.get()), VT_ARRAY | VT_I4);
    LONG lower = 0, upper = 0;
    ASSERT_EQ(V_ARRAY(list.get())->cDims, 1u);
    ASSERT_EQ(SafeArrayGetLBound(V_ARRAY(list.get()), 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(V_ARRAY(list.get()), 1, &upper), S_OK);
    std::vector<LONG> pairs;
    for (LONG i = lower; i <= upper; ++i) EXPECT_EQ(SafeArrayGetElement(V_ARRAY(list.get()), &i, &pairs.emplace_back()), S_OK);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(pairs, (std::vector<LONG>{0, 0, 0, 1}));
    list.reset();
    ASSERT_EQ(component().GetDCChannelIndexes(5, 12, list.get()), S_OK);
    EXPECT_EQ(V_VT(list.get()), VT_EMPTY);
}


// A block handed out as a SAFEARRAY of VT_I2 from 1, as 16-bit elements.
std::vector<short> I2Elements(VARIANT* block) {
    EXPECT_EQ(V_VT(block), VT_ARRAY | VT_I2);
    LONG lower = 0, upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(V_ARRAY(block), 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(V_ARRAY(block), 1, &upper), S_OK);
    EXPECT_EQ(lower, 1);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(V_ARRAY(block), &data), S_OK);
    std::vector<short> out(static_cast<const short*>(data), static_cast<const short*>(data) + (upper - lower + 1));
    SafeArrayUnaccessData(V_ARRAY(block));
    return out;
}

// Blocks through the interface: 32-bit values once a 32-bit channel is met, the 16-bit view of
// them, the end of the stream keeping the last block, and a selection of channel 2 alone (left
// selected among invalid channels).
TEST_F(ComponentTest, SequentialReading) {
    Open(TwoChannelRecording());
    LONG ok = -1, size = -1, sample = 0;
    ScopedVariant block;
    EXPECT_EQ(component().getBlock(block.get()), E_FAIL);
    const std::pair<std::vector<short>, std::vector<LONG>> expected[] = {
        {{-2, 1, -1, -1, 0, 1, 1, -2}, {-2, 0x10001, -1, -2, 0, 70000, 1, -70000}},
        {{2, 0, 3, 0, 4, 0, 5, 0}, {2, 5, 3, 6, 4, 7, 5, 8}}};
    for (const auto& [view, values] : expected) {
        ASSERT_EQ(component().read(&ok), S_OK);
        ASSERT_EQ(ok, 1);
        ASSERT_EQ(component().get_BlockSize(&size), S_OK);
        ASSERT_EQ(size, 8);
        block.reset();
        ASSERT_EQ(component().getBlock(block.get()), S_OK);
        EXPECT_EQ(I2Elements(block.get()), view);
        block.reset();
        ASSERT_EQ(component().getBlock32(block.get()), S_OK);
        const std::vector<short> words = I2Elements(block.get());
        short* raw = nullptr;
        ASSERT_EQ(component()._getBlock(&raw), S_OK);
        EXPECT_EQ(std::memcmp(raw, words.data(), 32), 0);
        EXPECT_EQ(std::memcmp(values.data(), words.data(), 32), 0);
    }
    VARIANT_BOOL overrun = VARIANT_TRUE;
    EXPECT_EQ(component().read(&ok), S_OK);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(component().get_BlockSize(&size), S_OK);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(component().get_SampleNumber(&sample), S_OK);
    EXPECT_EQ(sample, 4);
    EXPECT_EQ(component().get_Overrun(&overrun), S_OK);
    EXPECT_EQ(overrun, VARIANT_FALSE);
    EXPECT_EQ(component().GetFirstTriggerSample(&sample), S_OK);
    EXPECT_EQ(sample, 6);

    ASSERT_EQ(component().close(), S_OK);
    Open(TwoChannelRecording());
    ScopedVariant channels;
    const std::pair<std::vector<std::int32_t>, HRESULT> selections[] = {
        {{2}, E_FAIL}, {{1, 1}, E_FAIL}, {{}, E_INVALIDARG}, {{1}, S_OK}, {{7, 1, -1}, E_FAIL}};  // 1 stays
    for (const auto& [list, code] : selections) {
        channels.reset();
        component::I4ListToVariant(list, channels.get());
        EXPECT_EQ(component().put_ChannelSelection(*channels.get()), code);
    }
    // 16-bit elements labelled as 32-bit ones are refused, not read past.
    channels.reset();
    V_ARRAY(channels.get()) = SafeArrayCreateVector(VT_I2, 0, 1);
    V_VT(channels.get()) = VT_ARRAY | VT_I4;
    EXPECT_EQ(component().put_ChannelSelection(*channels.get()), E_INVALIDARG);
    ASSERT_EQ(component().read(&ok), S_OK);
    block.reset();
    ASSERT_EQ(component().getBlock32(block.get()), S_OK);
    EXPECT_EQ(I2Elements(block.get()), (std::vector<short>{1, 1, -2, -1, 4464, 1, -4464, -2}));
    EXPECT_EQ(component().get_SampleNumber(&sample), S_OK);
    EXPECT_EQ(sample, 0);
    EXPECT_EQ(component().clearSelection(0), S_OK);
}

// The REC info as GetRECInfoSection hands it out; empty on failure.
HRESULT RECInfo(CQVRecorderFileReader& component, Bytes& bytes) {
    LONG size = -7;
    BYTE* raw = nullptr;
    const HRESULT hr = component.GetRECInfoSection(&size, &raw);
    const TaskMem<BYTE> block(raw);
    EXPECT_EQ(raw == nullptr, FAILED(hr));
    bytes = raw ? Bytes(raw, raw + size) : Bytes();
    return hr;
}

// close leaves an open writer alone; the last release closes its file with everything written;
// CloseFile ends the writer, and the next one starts without the REC info.
TEST_F(ComponentTest, WriterLifetime) {
    SetFileName(dir.file("written.dat"));
    ASSERT_EQ(component().OpenFile(), S_OK);
    ASSERT_EQ(component().SetNumberOfChannels(1), S_OK);
    ASSERT_EQ(component().SetRECInfoArray(300, TaskCopy(Pattern(300))), S_OK);
    ASSERT_EQ(component().close(), S_OK);
    ASSERT_EQ(component().WriteSetupSection(), S_OK);
    ASSERT_EQ(component().InitializeBinaryDataSection(0), S_OK);
    events.Disconnect();
    object.Reset();
    ASSERT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, object.PutVoid()), S_OK);
    SetFileName(dir.file("written.dat"));
    LONG ok = 0;
    ASSERT_EQ(component().open(&ok), S_OK);
    ASSERT_EQ(ok, 1);
    Bytes bytes;
    ASSERT_EQ(RECInfo(component(), bytes), S_OK);
    EXPECT_EQ(bytes, Pattern(300));
    ASSERT_EQ(component().close(), S_OK);
    SetFileName(dir.file("second.dat"));
    ASSERT_EQ(component().OpenFile(), S_OK);
    ASSERT_EQ(component().SetRECInfoArray(3, TaskCopy(Pattern(3))), S_OK);
    ASSERT_EQ(component().CloseFile(), S_OK);
    ASSERT_EQ(component().OpenFile(), S_OK);
    EXPECT_EQ(component().WriteSetupSection(), E_FAIL) << "no REC info";
}

// The REC info where the setup text points, or the conversion's failure code and no block;
// always from the recording that was opened, whatever FileName says since.
TEST_F(ComponentTest, RECInfoWhereTheSetupTextPoints) {
    const std::tuple<const char*, HRESULT, std::ptrdiff_t, std::ptrdiff_t> cases[] = {
        {"", S_OK, 0, 0},
        {"\nRECInfoSectionSize=4", S_OK, 0, 4},
        {"\nRECInfoSectionPos=00000008\nRECInfoSectionSize=4", S_OK, 8, 4},
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=four", DISP_E_TYPEMISMATCH, 0, 0},
        {"\nRECInfoSectionPos=99999999999\nRECInfoSectionSize=1", DISP_E_OVERFLOW, 0, 0},
        {"\nRECInfoSectionPos=8\nRECInfoSectionSize=100000", E_FAIL, 0, 0},   // the file ends first
    };
    for (const auto& [lines, expected, position, size] : cases) {
        const RecordingBuilder recording =
            RecordingBuilder().Setup(std::string("\n[SETUP START]") + lines + "\n[SETUP STOP]\n").Header(1);
        Open(recording);
        SetFileName(dir.file("other.dat"));
        Bytes bytes;
        EXPECT_EQ(RECInfo(component(), bytes), expected) << lines;
        EXPECT_EQ(bytes, Bytes(recording.bytes().begin() + position, recording.bytes().begin() + position + size));
        ASSERT_EQ(component().close(), S_OK);
    }
}

}  // namespace
}  // namespace tarn::test

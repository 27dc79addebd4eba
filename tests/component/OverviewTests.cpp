// Overviews of a channel: from the min/max cache when it is fine enough, else reduced from the raw
// samples; both widths, both orders of a pair, and what is refused.
#include <gtest/gtest.h>

#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/debug/TraceTestFixture.h"

namespace tarn::test {
namespace {

// Channels 1 (16-bit) and 2 (32-bit) hold the same ramp, sample i being i - 500 (channel 2 in its
// upper half); channel 3 has no block; channel 4 holds the ramp from sample 150 on. Blocks of 100
// samples cache 4 values each.
RecordingBuilder Ramps() {
    RecordingBuilder file;
    file.Header(4);
    for (std::uint32_t b = 0; b < 10; ++b) {
        const auto ramp = [b](std::uint32_t j) { return static_cast<std::int32_t>(b * 100 + j) - 500; };
        file.Samples16(100, ramp, Block().SampleNo(b * 100))
            .Samples32(100, [ramp](std::uint32_t j) { return ramp(j) * 65536 + 1234; }, Block().SampleNo(b * 100).Id(1))
            .Samples16(100, [ramp](std::uint32_t j) { return ramp(j + 150); }, Block().SampleNo(b * 100 + 150).Id(3));
    }
    return file;
}

struct Overview {
    HRESULT hr;
    ULONG count;
    std::vector<LONG> values;
};

template <typename Value>
Overview Get(CQVRecorderFileReader& c, ULONG channel, ULONG start, ULONG end, ULONG wanted) {
    Value* raw = nullptr;
    Overview got{E_UNEXPECTED, wanted, {}};
    if constexpr (sizeof(Value) == 2)
        got.hr = c.GetCompressedSamples(channel, start, end, &got.count, &raw);
    else
        got.hr = c.GetCompressed32BitSamples(channel, start, end, &got.count, &raw);
    const TaskMem<Value> owned(raw);
    EXPECT_EQ(raw != nullptr, SUCCEEDED(got.hr));
    if (raw) got.values.assign(raw, raw + got.count);
    return got;
}

TEST_F(ComponentTest, OverviewsFromCacheAndFromSamples) {
    Open(Ramps());
    ScanAll();
    struct Case {
        ULONG start, end, wanted, count;
        std::vector<LONG> head, tail;
    };
    const Case cases[] = {
        {0, 0, 40, 40, {-500, -451, -450, -401}, {450, 499}},  // each pair one cached (min, max)
        {0, 0, 5, 6, {-500, -201, -200, 149}, {150, 499}},  // whole cached pairs: 6, 7 and 7 of them
        {0, 0, 0, 0, {}, {}},
        {0, 0, 60, 60, {-468, -500}, {499, 466}},  // too few cached: (max, min) of the raw samples
        {100, 200, 50, 50, {-397, -400}, {-301, -304}},
        {100, 200, 60, 100, {-400, -399}, {-301}},  // fewer than twice as many: the raw samples
        {150, 250, 8, 8, {-400, -351, -350, -301, -300, -251, -250, -201}, {}},
        {5000, 6000, 10, 0, {}, {}},
    };
    for (const Case& c : cases) {
        const Overview narrow = Get<short>(component(), 1, c.start, c.end, c.wanted);
        ASSERT_EQ(narrow.hr, S_OK) << c.start << " " << c.wanted;
        ASSERT_EQ(narrow.count, c.count) << c.start << " " << c.wanted;
        EXPECT_EQ(std::vector<LONG>(narrow.values.begin(), narrow.values.begin() + c.head.size()), c.head);
        EXPECT_EQ(std::vector<LONG>(narrow.values.end() - c.tail.size(), narrow.values.end()), c.tail);
        // The 16-bit view of the 32-bit channel is its upper half on both paths.
        EXPECT_EQ(Get<short>(component(), 2, c.start, c.end, c.wanted).values, narrow.values);
        EXPECT_EQ(Get<LONG>(component(), 1, c.start, c.end, c.wanted).values, narrow.values);
        std::vector<LONG> wide = narrow.values;
        for (LONG& v : wide) v = v * 65536 + 1234;
        EXPECT_EQ(Get<LONG>(component(), 2, c.start, c.end, c.wanted).values, wide);
    }
    // The raw samples' buckets end exactly at (p + 1) * 1000 / 30 (a single-precision end put
    // sample 99 into the wrong pair).
    const Overview raw = Get<LONG>(component(), 1, 0, 0, 60);
    for (LONG p = 0; p < 30; ++p) {
        EXPECT_EQ(raw.values[static_cast<std::size_t>(2 * p)], (p + 1) * 1000 / 30 - 501) << p;
        EXPECT_EQ(raw.values[static_cast<std::size_t>(2 * p + 1)], p * 1000 / 30 - 500) << p;
    }
    // Both paths describe the same samples of a channel that starts after the base, and an end of
    // 2^31 or more is the channel's end on both.
    EXPECT_EQ(Get<short>(component(), 4, 300, 400, 10).values, Get<short>(component(), 1, 300, 400, 10).values);
    EXPECT_EQ(Get<LONG>(component(), 4, 300, 400, 10).values, Get<LONG>(component(), 1, 300, 400, 10).values);
    EXPECT_EQ(Get<short>(component(), 1, 900, 0xFFFFFFFF, 14).values, Get<short>(component(), 1, 900, 1000, 14).values);
    // Channels outside 1 .. N hand out nothing; an odd count is written back made even before
    // anything can fail. A count of 2^31 - 1 or more asks for the raw samples, "as many as there are".
    const std::tuple<ULONG, ULONG, HRESULT, ULONG> calls[] = {
        {0, 4, E_FAIL, 4}, {5, 5, E_FAIL, 6}, {0xFFFFFFFF, 4, E_FAIL, 4}, {1, 0xFFFFFFFF, S_OK, 1000},
        {1, 0x7FFFFFFF, S_OK, 1000}};
    for (const auto& [channel, wanted, hr, count] : calls) {
        EXPECT_EQ(Get<short>(component(), channel, 0, 0, wanted).hr, hr) << channel << " " << wanted;
        const Overview wide = Get<LONG>(component(), channel, 0, 0, wanted);
        EXPECT_EQ(wide.hr, hr);
        EXPECT_EQ(wide.count, count) << channel << " " << wanted;
    }
    const Overview none = Get<short>(component(), 3, 0, 0, 10);
    EXPECT_EQ(none.hr, S_OK) << "a channel without blocks";
    EXPECT_EQ(none.count, 0u);
}

// What each path traces: the cached path that has too few values and the fallback behind it, then
// a cached path that succeeds.
TEST_F(TraceTest, OverviewTraces) {
    WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0\nFileFunctionLineInTrace=0");
    TempDir dir;
    client::ComPtr<IQVRecorderFileReader2> object;
    client::ScanEvents events;
    LONG ok = 0;
    ASSERT_EQ(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader2, object.PutVoid()), S_OK);
    ASSERT_EQ(events.Connect(object.Get()), S_OK);
    auto& c = static_cast<CQVRecorderFileReader&>(*object.Get());
    ASSERT_EQ(c.put_FileName(Bstr(platform::FileNameToWide(Ramps().WriteTo(dir, "ramps.dat"))).get()), S_OK);
    ASSERT_EQ(c.open(&ok), S_OK);
    ASSERT_EQ(c.ScanFile(&ok), S_OK);
    ASSERT_TRUE(events.WaitForScan(std::chrono::seconds(60)));
    const std::size_t before = Lines().size();
    EXPECT_EQ(Get<short>(c, 1, 0, 0, 42).count, 42u);
    EXPECT_EQ(Get<LONG>(c, 1, 0, 0, 40).count, 40u);
    const std::vector<std::string> expected = {
        "        GetCompressedSamples from = 0, to = 0 wanted number = 42",
        "Requesting compressed samples from channel 0, startSample = 0, endsample = 0, *noOfValues = 42",
        "We will return compressed samples  channel 0, startSample = 0, endsample = 1000, *noOfValues = 42",
        "We only have numOfCompressedSamplesInRange = 40 so we will return 42 samples instead of the requested number",
        "        GetSamples from = 0, to = 1000 wanted number = 42",
        "        GetSamples returned *noOfValues = 42, lastsampleread = 999",
        "        GetCompressed32BitSamples from = 0, to = 0 wanted number = 40",
        "Requesting compressed samples from channel 0, startSample = 0, endsample = 0, *noOfValues = 40",
        "We will return compressed samples  channel 0, startSample = 0, endsample = 1000, *noOfValues = 40",
        "        GetCompressed32BitSamples returned number = 40"};
    std::vector<std::string> lines = Lines();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
    for (std::string& line : lines) line.erase(line.find_last_not_of("\r\n") + 1);
    EXPECT_EQ(lines, expected);
    events.Disconnect();
}

}  // namespace
}  // namespace tarn::test

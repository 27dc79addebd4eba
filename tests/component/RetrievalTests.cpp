// Samples, overload status, DC blocks and per-channel facts of an opened recording.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "tests/component/ComponentFixture.h"
#include "tests/component/Recordings.h"

namespace tarn::test {
namespace {

struct Range {
    LONG channel, start, stop;
};

struct Copied {
    LONG last;
    std::vector<std::int32_t> samples;  // s0 .. last
};

class Retrieval : public ComponentTest {
protected:
    void SetUp() override {
        Open(TwoChannelRecording());
        ScanAll();
    }

    // Calls GetSamples or GetSamples32Bit; checks the result and frees it.
    template <typename Slot, typename Method>
    Copied Fetch(Method method, const Range& r) {
        LONG last = 0x5A5A5A5A;
        Slot* raw = nullptr;
        const HRESULT hr = (component.*method)(r.channel, r.start, r.stop, &last, &raw);
        const TaskMem<Slot> buffer(raw);
        EXPECT_EQ(hr, S_OK);
        if (hr != S_OK) return {last, {}};
        EXPECT_NE(raw, nullptr);
        EXPECT_GE(last, r.start - 1);
        EXPECT_LT(last, r.stop);
        return {last, std::vector<std::int32_t>(raw, raw + (last - r.start + 1))};
    }
    Copied Get16(const Range& r) { return Fetch<short>(&CQVRecorderFileReader::GetSamples, r); }
    Copied Get32(const Range& r) { return Fetch<LONG>(&CQVRecorderFileReader::GetSamples32Bit, r); }
};

std::vector<std::int32_t> Channel1(LONG from, LONG to) {
    std::vector<std::int32_t> out;
    for (LONG i = from; i <= to; ++i) out.push_back(Channel1Sample(static_cast<std::uint32_t>(i)));
    return out;
}

TEST_F(Retrieval, RangesOfChannel1) {
    struct Case {
        const char* what;
        Range range;
        LONG last;
    };
    const Case cases[] = {
        {"empty range", {1, 10, 10}, 9},
        {"across two blocks", {1, 0, 5}, 4},
        {"whole first block", {1, 0, 4}, 3},
        {"up to the gap", {1, 2, 100}, 11},
        {"inside the gap", {1, 13, 18}, 12},
        {"after the gap", {1, 16, 18}, 17},
        {"past the end", {1, 17, 1000000}, 19},
        {"beyond the end", {1, 30, 40}, 29},
        {"negative start", {1, -3, 2}, -4},
    };
    for (const Case& c : cases) {
        const Copied got = Get16(c.range);
        EXPECT_EQ(got.last, c.last) << c.what;
        EXPECT_EQ(got.samples, Channel1(c.range.start, got.last)) << c.what;
        EXPECT_EQ(Get32(c.range).samples, got.samples) << c.what << ": 16-bit samples widen with their sign";
    }
}

TEST_F(Retrieval, ResultHasOneSlotMoreThanTheRange) {
    // Four slots for the range 0 .. 3 (ASan checks the size); three are filled.
    LONG last = 0;
    short* raw = nullptr;
    ASSERT_EQ(component.GetSamples(1, 0, 3, &last, &raw), S_OK);
    const TaskMem<short> buffer(raw);
    raw[3] = 77;  // the extra slot is the client's
    EXPECT_EQ(last, 2);
}

TEST_F(Retrieval, ThirtyTwoBitChannel) {
    EXPECT_EQ(Get32({2, 0, 8}).samples, (std::vector<std::int32_t>{0x00010001, -2, 70000, -70000, 5, 6, 7, 8}));
    // The 16-bit view of a 32-bit sample is its upper half.
    EXPECT_EQ(Get16({2, 0, 4}).samples, (std::vector<std::int32_t>{1, -1, 1, -2}));
}

// Bad channels and reversed ranges fail, and so do ranges whose result buffer would take
// gigabytes (instead of asking the allocator) and the lowest start, whose empty result
// (start - 1) cannot be told. Nothing is returned on failure.
TEST_F(Retrieval, RejectedAndUnservableRangesFailCleanly) {
    const Range rejected[] = {{0, 0, 4},       {3, 0, 4},         {-1, 0, 4},         {1, 5, 4},
                              {1, INT_MAX, INT_MIN}, {1, 0, INT_MAX}, {1, INT_MIN, INT_MAX}, {1, -5, (1 << 30)},
                              {1, INT_MIN, INT_MIN + 2}};
    for (const Range& r : rejected) {
        LONG last = 0x5A5A;
        short* p16 = nullptr;
        LONG* p32 = nullptr;
        EXPECT_EQ(component.GetSamples(r.channel, r.start, r.stop, &last, &p16), E_FAIL) << r.channel << "/" << r.start;
        EXPECT_EQ(component.GetSamples32Bit(r.channel, r.start, r.stop, &last, &p32), E_FAIL) << r.channel << "/" << r.start;
        EXPECT_EQ(p16, nullptr);
        EXPECT_EQ(p32, nullptr);
        EXPECT_EQ(last, 0x5A5A);
    }
    for (const Range& r : std::vector<Range>(rejected, rejected + 5)) {   // bad channel or reversed
        BYTE status = 0x5A;
        EXPECT_EQ(component.GetOverloadStatusInRange(r.channel, r.start, r.stop, &status), E_FAIL);
        EXPECT_EQ(status, 0x5A);
    }
    // Within the bound a large range is served (and copies only what exists).
    EXPECT_EQ(Get16({1, 0, (1 << 24)}).last, 11);
}

TEST_F(Retrieval, OverloadStatus) {
    struct Case {
        Range range;
        BYTE status;
    };
    const Case cases[] = {
        {{1, 0, 12}, 0x05}, {{1, 4, 8}, 0x01}, {{1, 5, 9}, 0x05}, {{1, 3, 3}, 0x00},
        {{1, 0, 4}, 0x00},  {{1, 13, 20}, 0x00}, {{2, 0, 8}, 0x00},
    };
    for (const Case& c : cases) {
        BYTE status = 0xFF;
        ASSERT_EQ(component.GetOverloadStatusInRange(c.range.channel, c.range.start, c.range.stop, &status), S_OK);
        EXPECT_EQ(status, c.status) << c.range.start << ".." << c.range.stop;
    }
}

TEST_F(Retrieval, DCIndexesAsASafeArrayFromOne) {
    struct Case {
        LONG start, stop;
        std::vector<LONG> pairs;  // empty: VT_EMPTY
    };
    const Case cases[] = {
        {0, 20, {0, 0, 0, 1}}, {5, 13, {0, 1}}, {4, 5, {0, 0}}, {0, 4, {}}, {5, 12, {}},
    };
    for (const Case& c : cases) {
        ScopedVariant list;
        ASSERT_EQ(component.GetDCChannelIndexes(c.start, c.stop, list.get()), S_OK);
        if (c.pairs.empty()) {
            EXPECT_EQ(V_VT(list.get()), VT_EMPTY) << c.start << ".." << c.stop;
            continue;
        }
        ASSERT_EQ(V_VT(list.get()), VT_ARRAY | VT_I4) << c.start << ".." << c.stop;
        SAFEARRAY* array = V_ARRAY(list.get());
        LONG lower = 0, upper = 0;
        ASSERT_EQ(SafeArrayGetDim(array), 1u);
        ASSERT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
        ASSERT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
        EXPECT_EQ(lower, 1);
        std::vector<LONG> got;
        for (LONG i = lower; i <= upper; ++i) {
            LONG value = -1;
            ASSERT_EQ(SafeArrayGetElement(array, &i, &value), S_OK);
            got.push_back(value);
        }
        EXPECT_EQ(got, c.pairs) << c.start << ".." << c.stop;
    }
}

TEST_F(Retrieval, DCBlockIsReturnedAsStored) {
    const std::vector<DCValue> values = {{0, 0, 11900}, {1, 0, 2160}};
    const RecordingBuilder::Bytes expected = RecordingBuilder().DC(values, Block().SampleNo(1012)).bytes();
    LONG size = 0;
    BYTE* raw = nullptr;
    ASSERT_EQ(component.GetDCChannelBlock(0, 1, &size, &raw), S_OK);
    const TaskMem<BYTE> block(raw);
    ASSERT_EQ(size, static_cast<LONG>(expected.size()));
    EXPECT_EQ(RecordingBuilder::Bytes(raw, raw + size), expected);

    const LONG outside[][2] = {{0, 2}, {0, -1}, {1, 0}, {-1, 0}};
    for (const auto& o : outside) {
        BYTE* none = nullptr;
        EXPECT_EQ(component.GetDCChannelBlock(o[0], o[1], &size, &none), E_FAIL) << o[0] << "/" << o[1];
        EXPECT_EQ(none, nullptr);
    }
}

TEST_F(Retrieval, WidthTriggerAndSampleNumbers) {
    const std::pair<LONG, HRESULT> widths[] = {{0, S_OK}, {1, S_OK}, {2, E_FAIL}, {-1, E_FAIL}};
    for (const auto& [index, hr] : widths) {
        LONG is32 = -1;
        EXPECT_EQ(component.Is32BitData(index, &is32), hr) << index;
        if (hr == S_OK) {
            EXPECT_EQ(is32, index == 1 ? 1 : 0) << index;
        }
    }
    // The scan notes the trigger block but only sequential reading places it.
    LONG trigger = 0, first = -1, last = -1;
    ASSERT_EQ(component.GetFirstTriggerSample(&trigger), S_OK);
    EXPECT_EQ(trigger, -1);
    ASSERT_EQ(component.GetFirstSampleNumber(&first), S_OK);
    ASSERT_EQ(component.GetLastSampleNumber(&last), S_OK);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 8) << "channel 2 ends first";
}

// Before a full scan every range request indexes one more block first.
TEST_F(ComponentTest, RequestsScanOneBlockEachUntilTheScanIsComplete) {
    Open(TwoChannelRecording());
    // The stream: channel 1 @0, channel 2 @0, DC @4, channel 1 @4, ...
    const Range steps[] = {{2, 0, 4}, {1, 0, 8}, {1, 0, 8}, {1, 0, 8}};
    const LONG lasts[] = {-1, 3, 3, 7};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        LONG last = 0;
        short* raw = nullptr;
        ASSERT_EQ(component.GetSamples(steps[i].channel, steps[i].start, steps[i].stop, &last, &raw), S_OK);
        CoTaskMemFree(raw);
        EXPECT_EQ(last, lasts[i]) << "request " << i;
    }
}

TEST_F(ComponentTest, ChannelWithoutBlocksGivesAnEmptyResult) {
    Open(RecordingBuilder().Header(3).Samples16({1, 2}, Block().SampleNo(10)));
    ScanAll();
    LONG last = 0;
    short* p16 = nullptr;
    ASSERT_EQ(component.GetSamples(3, 5, 9, &last, &p16), S_OK);
    CoTaskMemFree(p16);
    EXPECT_EQ(last, 4);
    LONG* p32 = nullptr;
    ASSERT_EQ(component.GetSamples32Bit(2, 0, 1, &last, &p32), S_OK);
    CoTaskMemFree(p32);
    EXPECT_EQ(last, -1);
    BYTE status = 0xFF;
    ASSERT_EQ(component.GetOverloadStatusInRange(2, 0, 9, &status), S_OK);
    EXPECT_EQ(status, 0);
    ScopedVariant list;
    ASSERT_EQ(component.GetDCChannelIndexes(0, 100, list.get()), S_OK);
    EXPECT_EQ(V_VT(list.get()), VT_EMPTY);
}

}  // namespace
}  // namespace tarn::test

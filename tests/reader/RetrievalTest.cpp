#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "format/LittleEndian.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

template <class T> using Copied = std::pair<std::int32_t, std::vector<T>>;  // lastsampleread, values

// A scanned recording and copies out of it into buffers with guard values around the result.
class Retrieval : public testing::Test {
protected:
    static constexpr std::int32_t kGuard = 0x5A5A;

    void Open(const RecordingBuilder& file) {
        m_Recording = std::make_unique<OpenedRecording>(m_Dir, file, RF_Interleaved);
        ScanAll(reader());
        reader().SetScanComplete();
    }
    CQVDataRecorderReader& reader() { return *m_Recording->reader; }
    const std::string& path() const { return m_Recording->path; }

    // lastsampleread and the copied values of [s0, s1) of channel; the slots after the last
    // sample read must keep their guard, and the guard after the result must stay.
    template <class T> Copied<T> Copy(std::int32_t channel, std::int32_t s0, std::int32_t s1) {
        const auto size = static_cast<std::size_t>(std::max(s1 - s0, 0));
        std::vector<T> out(size + 1, static_cast<T>(kGuard));
        std::int32_t last;
        if constexpr (sizeof(T) == 2)
            last = reader().CopySamples16(channel, s0, s1, out.data());
        else
            last = reader().CopySamples32(channel, s0, s1, out.data());
        EXPECT_EQ(out.back(), static_cast<T>(kGuard)) << "written past the result";
        // last - s0 + 1 as 32-bit arithmetic wraps it: "nothing" for s0 = INT32_MIN is INT32_MAX.
        const std::size_t copied = static_cast<std::uint32_t>(last) - static_cast<std::uint32_t>(s0) + 1u;
        EXPECT_LE(copied, size);
        for (std::size_t i = copied; i < size; ++i) EXPECT_EQ(out[i], static_cast<T>(kGuard)) << i;
        out.resize(std::min(copied, size));
        return {last, out};
    }

    TempDir m_Dir;
    std::unique_ptr<OpenedRecording> m_Recording;
};

TEST_F(Retrieval, SixteenAndThirtyTwoBitViews) {
    Open(RecordingBuilder().Header(2).Samples32({0x00010001, -70000, 5}, At(0)).Samples16({-2, 300}, At(0, 1)));
    EXPECT_EQ(Copy<std::int16_t>(1, 0, 3), (Copied<std::int16_t>{2, {1, -2, 0}}));
    EXPECT_EQ(Copy<std::int32_t>(1, 0, 3), (Copied<std::int32_t>{2, {0x00010001, -70000, 5}}));
    EXPECT_EQ(Copy<std::int16_t>(2, 0, 2), (Copied<std::int16_t>{1, {-2, 300}}));
    EXPECT_EQ(Copy<std::int32_t>(2, 1, 2), (Copied<std::int32_t>{1, {300}}));
    bool is32 = true;
    EXPECT_TRUE(reader().Is32BitData(1, is32) && !is32);
    EXPECT_FALSE(reader().Is32BitData(2, is32));
    EXPECT_FALSE(reader().Is32BitData(-1, is32));
    EXPECT_TRUE(reader().Has32BitData());
}

// Channel 1: blocks of 4 samples at 100, 104, then a gap, 120. Channel 2: no block. Channel 3
// starts later than the base and counts from its own first sample.
TEST_F(Retrieval, RangesCopyWhatTheIndexHolds) {
    Open(RecordingBuilder().Header(3)
             .Samples16(4, [](std::uint32_t i) { return 10 + Ramp(i); }, At(100))
             .Samples16(4, [](std::uint32_t i) { return 20 + Ramp(i); }, At(104))
             .Samples16(4, [](std::uint32_t i) { return 30 + Ramp(i); }, At(120))
             .Samples16(2, [](std::uint32_t i) { return 40 + Ramp(i); }, At(110, 2)));
    struct Case { std::int32_t channel, s0, s1, last; std::vector<std::int16_t> values; };
    const Case cases[] = {{1, 0, 5, 4, {10, 11, 12, 13, 20}}, {1, 10, 10, 9, {}},  // empty range
                          {1, 6, 30, 7, {22, 23}},  {1, 9, 30, 8, {}},  {1, 21, 30, 23, {31, 32, 33}},  // the gap
                          {1, -2, 3, -3, {}},       {1, INT32_MIN, INT32_MIN + 1, INT32_MAX, {}},
                          {2, 0, 4, -1, {}},        {3, 0, 3, 1, {40, 41}}, {4, 0, 3, -1, {}}};
    for (const Case& c : cases)
        EXPECT_EQ(Copy<std::int16_t>(c.channel, c.s0, c.s1), std::make_pair(c.last, c.values)) << c.channel << " " << c.s0;
}

TEST_F(Retrieval, OverloadStatusIsTheOrOfTheBlocksInRange) {
    Open(RecordingBuilder().Header(2).Samples16({1, 2}, At(0).Status(0x0201)).Samples16({1, 2}, At(2).Status(0x04))
             .Samples16({1, 2}, At(4).Status(0x10)));
    EXPECT_EQ(reader().OverloadStatusInRange(1, 1, 3), 0x05);
    EXPECT_EQ(reader().OverloadStatusInRange(1, 3, 5), 0x14);
    EXPECT_EQ(reader().OverloadStatusInRange(1, 2, 2), 0);
    EXPECT_EQ(reader().OverloadStatusInRange(1, 5, 100), 0x10);
    EXPECT_EQ(reader().OverloadStatusInRange(2, 0, 4), 0);
    EXPECT_EQ(reader().OverloadStatusInRange(1, -1, 4), 0);
}

// Blocks that read back other than indexed (the file was cut or rewritten since the scan) end
// the copy there.
TEST_F(Retrieval, ChangedFileEndsTheCopy) {
    RecordingBuilder file;
    file.Header(1).Samples16({1, 2}, At(0)).Samples16({3, 4}, At(2)).Samples16({5, 6}, At(4));
    Open(file);
    EXPECT_EQ(Copy<std::int16_t>(1, 0, 6).first, 5);
    {
        std::fstream patch(path(), std::ios::in | std::ios::out | std::ios::binary);
        patch.seekp(20 + 20 + 4);  // SampleNo of the second block
        patch.put(9);
    }
    EXPECT_EQ(Copy<std::int16_t>(1, 0, 6), (Copied<std::int16_t>{1, {1, 2}}));
    EXPECT_EQ(reader().OverloadStatusInRange(1, 0, 6), 0);
    std::filesystem::resize_file(path(), 20 + 20 + 10);
    EXPECT_EQ(Copy<std::int16_t>(1, 0, 6).first, 1);
    std::filesystem::resize_file(path(), 20 + 10);
    EXPECT_EQ(Copy<std::int16_t>(1, 0, 6).first, -1);
}

// Blocks are read in batches (by count, and by bytes for large blocks); a block that does not
// read back ends the copy at its first sample whichever place in its batch it has.
TEST_F(Retrieval, BatchesStopAtTheFirstBlockThatDoesNotReadBack) {
    // blocks of samples (32-bit) each; broken: the block whose SampleNo is overwritten (blocks: none).
    struct Case { std::uint32_t blocks, samples, broken; };
    for (const Case& c : {Case{100, 3, 100}, Case{100, 3, 31}, Case{100, 3, 32}, Case{6, 65531, 6}, Case{6, 65531, 4}}) {
        SCOPED_TRACE(std::to_string(c.samples) + " broken " + std::to_string(c.broken));
        RecordingBuilder file;
        file.Header(2);
        for (std::uint32_t b = 0; b < c.blocks; ++b) {
            file.Samples32(c.samples, [&](std::uint32_t i) { return static_cast<std::int32_t>(b * c.samples + i); },
                           At(b * c.samples));
            file.Samples16({1, 2}, At(b * c.samples, 1));
        }
        Open(file);
        if (c.broken < c.blocks) {
            const std::size_t blockBytes = 16 + 4 * std::size_t{c.samples} + 20;
            std::fstream patch(path(), std::ios::in | std::ios::out | std::ios::binary);
            patch.seekp(static_cast<std::streamoff>(20 + c.broken * blockBytes + 4));
            patch.put(static_cast<char>(0x80));
        }
        const auto [last, values] = Copy<std::int32_t>(1, 1, static_cast<std::int32_t>(c.blocks * c.samples));
        const std::int32_t end = static_cast<std::int32_t>(std::min(c.broken, c.blocks) * c.samples);
        ASSERT_EQ(last, std::max(end - 1, 0));
        for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], static_cast<std::int32_t>(i + 1));
    }
}

// The DC table records each DC block at its own header, not where the scan step began: here the
// step that finds the DC block first passes over a trigger, a kind-3 and a stale block.
TEST_F(Retrieval, DCBlocksReadBackByteForByte) {
    RecordingBuilder file;
    file.Header(2).Samples16({1, 2}, At(1000));
    const std::size_t dcStart = file.Trigger(At(900), 8).Other(At(0), 4).Samples16({3, 4}, At(10)).size();
    file.DC({{0, 1, 0xAABBCCDD}, {5, 2, 7}}, At(1003).FrameId(1).Decimations(3));
    const std::size_t dcEnd = file.size();
    file.DC({{4, 0, 1}}, At(1005)).DC({{0, 0, 2}}, At(1009).FrameId(1));
    Open(file);

    ASSERT_EQ(reader().DCChannelCount(), 2u);
    EXPECT_EQ(reader().DCBlockCount(0), 2u);
    EXPECT_EQ(reader().DCBlockCount(1), 1u);
    std::int32_t bytes = 0;
    ASSERT_TRUE(reader().DCBlockLength(0, 0, bytes));
    ASSERT_EQ(bytes, static_cast<std::int32_t>(dcEnd - dcStart));
    std::vector<std::uint8_t> block(static_cast<std::size_t>(bytes));
    ASSERT_TRUE(reader().ReadDCBlock(0, 0, block.data()));
    EXPECT_EQ(block, std::vector<std::uint8_t>(file.bytes().begin() + static_cast<std::ptrdiff_t>(dcStart),
                                               file.bytes().begin() + static_cast<std::ptrdiff_t>(dcEnd)));
    EXPECT_FALSE(reader().DCBlockLength(0, 2, bytes));
    EXPECT_FALSE(reader().ReadDCBlock(2, 0, block.data()));
    EXPECT_FALSE(reader().ReadDCBlock(-1, 0, block.data()));

    std::vector<std::int32_t> pairs;
    reader().DCChannelIndexes(0, 100, pairs);
    EXPECT_EQ(pairs, (std::vector<std::int32_t>{0, 0, 0, 1, 1, 0}));
    reader().DCChannelIndexes(4, 9, pairs);
    EXPECT_EQ(pairs, (std::vector<std::int32_t>{1, 0}));  // DC channel 0 lies outside; 1 is still looked at
    reader().DCChannelIndexes(10, 20, pairs);
    EXPECT_TRUE(pairs.empty());
}

// A gap latches the overrun; the summary's end is where the indexed run stops.
TEST_F(Retrieval, SummaryTellsTheChannelsFacts) {
    Open(RecordingBuilder().Header(2).Samples16({1, 2}, At(7)).Samples16({3, 4}, At(12)));
    CQVDataRecorderReader::ChannelSummary s{};
    ASSERT_TRUE(reader().Summary(1, s));
    EXPECT_EQ(s.blocks, 2u);
    EXPECT_EQ(s.end, 7u);
    EXPECT_TRUE(s.overrun);
    EXPECT_FALSE(reader().Summary(3, s));
}

}  // namespace
}  // namespace tarn::test

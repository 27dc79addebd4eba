// Retrieval through the index: samples, overload status, DC blocks and channel widths.
#include <climits>
#include <fstream>

#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

// Overwrites one byte of a recording, as if the file had changed since the scan.
void Patch(const std::string& path, std::size_t offset, char byte) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(byte);
}

TEST(Retrieval, SixteenAndThirtyTwoBitViews) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(2).Samples32({0x00010001, -70000, 5}, At(0)).Samples16({-2, 300}, At(0, 1)));
    r.Scan();
    EXPECT_EQ(r.Copy<std::int16_t>(1, 0, 3), (Copied<std::int16_t>{2, {1, -2, 0}}));
    EXPECT_EQ(r.Copy<std::int32_t>(1, 0, 3), (Copied<std::int32_t>{2, {0x00010001, -70000, 5}}));
    EXPECT_EQ(r.Copy<std::int16_t>(2, 0, 2), (Copied<std::int16_t>{1, {-2, 300}}));
    EXPECT_EQ(r.Copy<std::int32_t>(2, 1, 2), (Copied<std::int32_t>{1, {300}}));
    bool is32 = false;
    EXPECT_TRUE(r->Is32BitData(0, is32) && is32);
    EXPECT_TRUE(r->Is32BitData(1, is32) && !is32);
    for (std::int32_t outside : {2, -1, INT_MAX, INT_MIN}) EXPECT_FALSE(r->Is32BitData(outside, is32)) << outside;
    EXPECT_TRUE(r->Has32BitData());
}

// Channel 1: blocks of 4 samples at 100, 104, a gap, 120, then one that starts early at 118.
// Channel 2: no block. Channel 3 starts later than the base and counts from its own first sample.
TEST(Retrieval, RangesCopyWhatTheIndexHolds) {
    const auto from = [](std::int32_t first) { return [first](std::uint32_t i) { return first + Ramp(i); }; };
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(3).Samples16(4, from(10), At(100)).Samples16(4, from(20), At(104))
             .Samples16(4, from(30), At(120)).Samples16(2, from(40), At(110, 2)).Samples16(4, from(50), At(118)));
    r.Scan();
    struct Case { std::int32_t channel, s0, s1, last; std::vector<std::int16_t> values; };
    const Case cases[] = {{1, 0, 5, 4, {10, 11, 12, 13, 20}}, {1, 10, 10, 9, {}},  // empty range
                          {1, 6, 30, 7, {22, 23}},  {1, 9, 30, 8, {}},  {1, 21, 30, 23, {31, 32, 33}},  // the gap
                          {1, 18, 30, 23, {50, 51, 52, 53, 32, 33}},  {1, -2, 3, -3, {}},
                          {1, INT32_MIN, INT32_MIN + 1, INT32_MAX, {}}, {1, INT32_MAX - 1, INT32_MAX, INT32_MAX - 2, {}},
                          {2, 0, 4, -1, {}},        {3, 0, 3, 1, {40, 41}}, {4, 0, 3, -1, {}}, {0, 0, 3, -1, {}}};
    for (const Case& c : cases)
        EXPECT_EQ(r.Copy<std::int16_t>(c.channel, c.s0, c.s1), std::make_pair(c.last, c.values)) << c.channel << " " << c.s0;
}

TEST(Retrieval, OverloadStatusIsTheOrOfTheBlocksInRange) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(2).Samples16({1, 2}, At(0).Status(0x0201))
                               .Samples16({1, 2}, At(2).Status(0x04)).Samples16({1, 2}, At(4).Status(0x10)));
    r.Scan();
    using Case = std::tuple<std::int32_t, std::int32_t, std::int32_t, int>;
    for (const auto& [channel, s0, s1, status] : {Case{1, 1, 3, 0x05}, {1, 3, 5, 0x14}, {1, 2, 2, 0}, {1, 5, 100, 0x10},
                                                  {2, 0, 4, 0}, {1, -1, 4, 0}, {3, 0, 4, 0}})
        EXPECT_EQ(r->OverloadStatusInRange(channel, s0, s1), status) << channel << " " << s0;
}

// A block that reads back other than indexed (the file was cut or rewritten since the scan) ends
// the copy at its first sample, whichever place it has in its batch of reads.
TEST(Retrieval, ChangedFileEndsTheCopy) {
    struct Case { std::uint32_t blocks, samples, broken; };
    TempDir dir;
    for (const Case& c : {Case{100, 3, 100}, Case{100, 3, 31}, Case{100, 3, 32}, Case{6, 65531, 6}, Case{6, 65531, 4}}) {
        SCOPED_TRACE(std::to_string(c.samples) + " broken " + std::to_string(c.broken));
        RecordingBuilder file;
        file.Header(2);
        for (std::uint32_t b = 0; b < c.blocks; ++b)
            file.Samples32(c.samples, [&](std::uint32_t i) { return static_cast<std::int32_t>(b * c.samples + i); },
                           At(b * c.samples))
                .Samples16({1, 2}, At(b * c.samples, 1).Status(1));
        OpenedRecording r(dir, file);
        r.Scan();
        const std::size_t blockBytes = 16 + 4 * std::size_t{c.samples} + 20;
        if (c.broken < c.blocks) Patch(r.path, 20 + c.broken * blockBytes + 4, static_cast<char>(0x80));  // its SampleNo
        const auto [last, values] = r.Copy<std::int32_t>(1, 1, static_cast<std::int32_t>(c.blocks * c.samples));
        const std::int32_t end = static_cast<std::int32_t>(std::min(c.broken, c.blocks) * c.samples);
        ASSERT_EQ(last, std::max(end - 1, 0));
        for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], static_cast<std::int32_t>(i + 1));
        if (c.broken == 31) {
            std::filesystem::resize_file(r.path, 30);  // into the first block
            EXPECT_EQ(r.Copy<std::int32_t>(1, 0, 6).first, -1);
            EXPECT_EQ(r->OverloadStatusInRange(2, 0, 4), 0);
        }
    }
}

// Each DC block at its own header, not where the scan step began (the step that finds the first
// passes over a trigger, a kind-3 and a stale block), read back byte for byte as its 12 + 8n
// bytes, whatever its Size says; nothing after it is lost. A DC block without entries ends the
// stream.
TEST(Retrieval, DCBlocksReadBackByteForByte) {
    TempDir dir;
    for (const std::uint16_t size : {7, 0, 5, 6, 8, 0xFFFF}) {
        SCOPED_TRACE(size);
        RecordingBuilder file;
        file.Header(2).Samples16({1, 2}, At(1000));
        const std::size_t dcStart = file.Trigger(At(900), 8).Other(At(0), 4).Samples16({3, 4}, At(10)).size();
        file.DC({{0, 1, 0xAABBCCDD}, {5, 2, 7}}, At(1003).FrameId(1).Decimations(3).Size(size));
        const std::size_t dcEnd = file.size();
        file.Samples16({5, 6}, At(1002)).DC({{4, 0, 1}}, At(1005)).DC({{0, 0, 2}}, At(1009).FrameId(1));
        OpenedRecording r(dir, file.DC({}, At(1010)).Samples16({7, 8}, At(1004)));
        r.Scan();

        EXPECT_EQ(r.Samples(1), (std::vector<std::int32_t>{1, 2, 5, 6}));
        EXPECT_EQ(r.DCPairs(), (std::vector<std::int32_t>{0, 0, 0, 1, 1, 0}));
        EXPECT_EQ(r.DCPairs(4, 9), (std::vector<std::int32_t>{1, 0}));  // DC channel 0 lies outside; 1 is still looked at
        EXPECT_TRUE(r.DCPairs(10, 20).empty());
        std::int32_t bytes = 0;
        ASSERT_TRUE(r->DCBlockLength(0, 0, bytes));
        ASSERT_EQ(bytes, 28);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(bytes));
        ASSERT_TRUE(r->ReadDCBlock(0, 0, block.data()));
        EXPECT_EQ(block, std::vector<std::uint8_t>(file.bytes().begin() + static_cast<std::ptrdiff_t>(dcStart),
                                                   file.bytes().begin() + static_cast<std::ptrdiff_t>(dcEnd)));
        for (auto [channel, index] : {std::pair{0, 2}, {2, 0}, {-1, 0}, {0, -1}}) {
            EXPECT_FALSE(r->DCBlockLength(channel, index, bytes));
            EXPECT_FALSE(r->ReadDCBlock(channel, index, block.data()));
        }
        EXPECT_EQ(r->Walk().end, StreamEnd::EmptyDCBlock);
    }
}

}  // namespace
}  // namespace tarn::test

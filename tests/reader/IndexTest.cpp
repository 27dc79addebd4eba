// The index the scan builds, and retrieval through it.
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "format/LittleEndian.h"
#include "reader/CompressBlockMinMax.h"

#include "tests/debug/TraceTestFixture.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

// Channel 2's blocks of 2 samples at these SampleNos (channel 1 has none): a block that does not
// follow the one before is traced; one that starts later latches the overrun once a later block
// of the channel shows up. A single lost sample counts.
TEST_F(TraceTest, OverrunLatchesOnTheChannelsNextBlock) {
    WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0\nFileFunctionLineInTrace=0");
    using Case = std::tuple<std::vector<std::uint32_t>, bool, bool, std::string>;  // starts, latched, gap, trace
    const Case cases[] = {{{100, 102, 104}, false, false, ""},
                          {{100, 103, 105}, true, true, "2 not found next block is 3"},
                          {{100, 102, 105}, false, true, "4 not found next block is 5"},
                          {{100, 101, 103}, false, false, "2 not found next block is 1"},  // early: nothing lost
                          {{100, 700, 702}, true, true, "2 not found next block is 600"}};
    TempDir dir;
    for (const auto& [starts, latched, gap, trace] : cases) {
        RecordingBuilder file;
        file.Header(2);
        for (std::uint32_t start : starts) file.Samples16({1, 2}, At(start, 1));
        OpenedRecording r(dir, file);
        const std::size_t creation = Lines().size();
        r.Scan();
        EXPECT_EQ(std::make_pair(r->IsOverrunLatched(2), r->MetGap(2)), std::make_pair(latched, gap)) << starts[1];
        EXPECT_FALSE(r->IsOverrunLatched(1) || r->MetGap(1));
        EXPECT_EQ(Lines().size(), creation + !trace.empty());
        EXPECT_EQ(Lines().back(), trace.empty() ? Lines().back() : "Channel 1 Block starting withe sample " + trace + "\r\n");
    }
}

// The descriptors trace their min/max cache when created and destroyed, under their own names.
TEST_F(TraceTest, DescriptorTracesNameTheConstructorAndDestructor) {
    WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0");
    TempDir dir;
    OpenedRecording(dir, RecordingBuilder().Header(1));
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 12u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find(i < 3 ? "\\CChannelDesc::CChannelDesc(" : "\\CChannelDesc::~CChannelDesc("),
                  std::string::npos) << lines[i];
    EXPECT_EQ(lines[0].rfind("m_CompressedSamples.max_size() = 1073741823    Origin: ", 0), 0u);
    EXPECT_EQ(lines[6].rfind("m_Samples.max_size() = 1073741823    Origin: ", 0), 0u);
}

// Everything retrieval sees of a scanned recording.
std::vector<std::int32_t> Observed(OpenedRecording& r) {
    std::vector<std::int32_t> out = r.DCPairs();
    for (std::int32_t channel : {1, 2}) {
        const std::vector<std::int32_t> samples = r.Samples(channel);
        out.insert(out.end(), samples.begin(), samples.end());
        out.push_back(r->MetGap(channel));
    }
    out.push_back(r->GetFirstSampleNumber());
    out.push_back(r->GetLastSampleNumber());
    return out;
}

// Channel 1 from the base, 1000, channel 2 from 1002 with a gap, and blocks of a key of no
// channel: the range every channel reaches is [2, 63), channel 2's end. Retrieval between scan
// steps, and anything else that moves the shared stream, must not make the scan index a block
// twice or skip one; a reset scan builds the same index again.
TEST(ScanResume, InterruptedStepsBuildTheSameIndex) {
    RecordingBuilder file;
    file.Header(2).Trigger(At(5), 8);
    for (std::uint32_t i = 0; i < 20; ++i)
        file.Samples16(6, Ramp, At(1000 + 6 * i)).Other(At(0), 4).Samples32(3, Ramp, At(1002 + 3 * i + i / 10, 1))
            .Samples16(2, Ramp, At(1000 + 2 * i, 7));
    file.DC({{0, 0, 1}}, At(1010)).Samples16(6, Ramp, At(900));
    TempDir dir;
    OpenedRecording whole(dir, file);
    const std::vector<std::int32_t> expected = Observed(whole.Scan());
    ASSERT_EQ(expected.size(), 2 + 121 + 31 + 2u);  // channel 2 up to its gap
    EXPECT_EQ(std::vector<std::int32_t>(expected.end() - 2, expected.end()), (std::vector<std::int32_t>{2, 63}));

    OpenedRecording r(dir, file);
    std::vector<std::int16_t> out(64);
    for (std::size_t steps = 0; r->ScanFile();) {
        ASSERT_LT(++steps, 100u);
        r->CopySamples16(1, 0, 40, out.data());
        r->OverloadStatusInRange(2, 0, 10);
        if (steps % 3 == 0) r.file.Seek(0);
        if (steps % 3 == 1) r->ReadBlockHeader();
    }
    EXPECT_EQ(Observed(r), expected);
    r->ResetScan();
    EXPECT_TRUE(r.Samples(1).empty());
    EXPECT_EQ(Observed(r.Scan()), expected);
}

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
    OpenedRecording r(dir, RecordingBuilder().Header(3).Samples16(4, from(10), At(100).Status(0x0201))
             .Samples16(4, from(20), At(104).Status(0x04)).Samples16(4, from(30), At(120).Status(0x10))
             .Samples16(2, from(40), At(110, 2)).Samples16(4, from(50), At(118)));
    r.Scan();
    struct Case { std::int32_t channel, s0, s1, last; std::vector<std::int16_t> values; };
    const Case cases[] = {{1, 0, 5, 4, {10, 11, 12, 13, 20}}, {1, 10, 10, 9, {}},  // empty range
                          {1, 6, 30, 7, {22, 23}},  {1, 9, 30, 8, {}},  {1, 21, 30, 23, {31, 32, 33}},  // the gap
                          {1, 18, 30, 23, {50, 51, 52, 53, 32, 33}},  {1, -2, 3, -3, {}},
                          {1, INT32_MIN, INT32_MIN + 1, INT32_MAX, {}}, {1, INT32_MAX - 1, INT32_MAX, INT32_MAX - 2, {}},
                          {2, 0, 4, -1, {}},        {3, 0, 3, 1, {40, 41}}, {4, 0, 3, -1, {}}, {0, 0, 3, -1, {}}};
    for (const Case& c : cases)
        EXPECT_EQ(r.Copy<std::int16_t>(c.channel, c.s0, c.s1), std::make_pair(c.last, c.values)) << c.channel << " " << c.s0;
    // The overload status is the OR of the low bytes of the blocks the range touches, up to a gap.
    using Overload = std::tuple<std::int32_t, std::int32_t, std::int32_t, int>;  // channel, s0, s1, status
    for (const auto& [channel, s0, s1, status] : {Overload{1, 1, 6, 0x05}, {1, 5, 30, 0x04}, {1, 21, 30, 0x10}, {1, 2, 2, 0},
                                                  {2, 0, 4, 0}, {1, -1, 4, 0}, {4, 0, 4, 0}})
        EXPECT_EQ(r->OverloadStatusInRange(channel, s0, s1), status) << channel << " " << s0;
}


// A block that reads back other than indexed (the file was rewritten or cut since the scan) ends
// the copy at its first sample, whichever place it has in its batch of reads (batches end at 32
// blocks, or at 1 MiB for large blocks).
TEST(Retrieval, ChangedFileEndsTheCopy) {
    TempDir dir;
    for (auto [blocks, samples, broken] : {std::tuple{100u, 3u, 31u}, {100u, 3u, 32u}, {6u, 65531u, 4u}}) {
        RecordingBuilder file;
        file.Header(2);
        for (std::uint32_t b = 0; b < blocks; ++b)
            file.Samples32(samples, [b, n = samples](std::uint32_t i) { return Ramp(b * n + i); }, At(b * samples))
                .Samples16({1, 2}, At(b * samples, 1).Status(1));
        OpenedRecording r(dir, file);
        const std::size_t blockBytes = 16 + 4 * std::size_t{samples} + 20;
        Patch(r.Scan().path, 20 + broken * blockBytes + 4, static_cast<char>(0x80));  // its SampleNo
        const auto [last, values] = r.Copy<std::int32_t>(1, 1, static_cast<std::int32_t>(blocks * samples));
        ASSERT_EQ(last, static_cast<std::int32_t>(broken * samples) - 1) << blocks << " " << broken;
        for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], static_cast<std::int32_t>(i + 1));
    }
    OpenedRecording r(dir, RecordingBuilder().Header(1).Samples16({1, 2}, At(0).Status(1)));
    std::filesystem::resize_file(r.Scan().path, 30);  // into the block
    EXPECT_EQ(r.Copy<std::int32_t>(1, 0, 2).first, -1);
    EXPECT_EQ(r->OverloadStatusInRange(1, 0, 2), 0);
}

// A long copy cut in two (the split lowered to 1,000 samples): 64 blocks of 1,024 samples read
// right whole; a gap or a changed block in either half ends the copy there, and nothing is
// written past the room CopyBound gives.
TEST(Retrieval, CopyCutInTwoEndsWhereEitherHalfEnds) {
    constexpr std::uint32_t kBlocks = 64, kSamples = 1024;
    constexpr std::size_t kBlockBytes = 16 + 2 * kSamples;
    struct Case { std::int32_t gap, changed, s0, last; };
    const Case cases[] = {{-1, -1, 1, kBlocks * kSamples - 1}, {-1, -1, 5000, kBlocks * kSamples - 1},
                          {50, -1, 1, 50 * kSamples - 1},      {10, -1, 1, 10 * kSamples - 1},
                          {-1, 10, 1, 10 * kSamples - 1},      {-1, 50, 1, 50 * kSamples - 1}};
    TempDir dir;
    for (const Case& c : cases) {
        RecordingBuilder file;
        file.Header(1);
        for (std::uint32_t b = 0; b < kBlocks; ++b)
            if (static_cast<std::int32_t>(b) != c.gap)
                file.Samples16(kSamples, [b](std::uint32_t i) { return Ramp(b * kSamples + i) % 30000; }, At(b * kSamples));
        OpenedRecording r(dir, file);
        r->SetSplitSamples(1000);
        if (c.changed >= 0) Patch(r.Scan().path, 20 + static_cast<std::size_t>(c.changed) * kBlockBytes + 4, '\x80');
        else r.Scan();
        const std::int32_t s1 = kBlocks * kSamples;
        const auto bound = static_cast<std::size_t>(r->CopyBound(1, c.s0, s1));
        std::vector<std::int16_t> out(bound + 1, 0x5A5A);
        ASSERT_EQ(r->CopySamples16(1, c.s0, s1, out.data()), c.last) << c.gap << " " << c.changed;
        EXPECT_EQ(out[bound], 0x5A5A) << "written past the bound";
        for (std::int32_t s = c.s0; s <= c.last; ++s)
            ASSERT_EQ(out[static_cast<std::size_t>(s - c.s0)], s % 30000) << c.gap << " " << c.changed << " at " << s;
    }
}

// The scan's min/max values are each block's own, with the span read ahead or without: over
// several spans, a block read across two of them among them, and when a channel's cache outgrows
// its reservation (one channel of two holding every block).
TEST(Scan, CachedValuesAreEachBlocksOwn) {
    constexpr std::uint32_t kSamples = 1000;
    const auto value = [](std::uint32_t key, std::uint32_t s) {
        return static_cast<std::int16_t>((s * 7 + key * 1000 + s / 997 * 13) % 30000);
    };
    TempDir dir;
    for (const std::uint16_t keys : {3, 1}) {
        const std::uint32_t rounds = 1800 / keys;  // 3.6 MB: four spans
        RecordingBuilder file;
        file.Header(keys == 1 ? 2 : keys);
        for (std::uint32_t b = 0; b < rounds; ++b)
            for (std::uint16_t key = 0; key < keys; ++key)
                file.Samples16(kSamples, [&](std::uint32_t i) { return value(key, b * kSamples + i); }, At(b * kSamples, key));
        ASSERT_GT(file.size(), 2 * CQVDataRecorderReader::kWindowBytes);
        for (const bool ahead : {true, false}) {
            OpenedRecording r(dir, file);
            if (!ahead) r.reader = std::make_unique<CQVDataRecorderReader>(r.file);
            r->CreateChannelDescs(RF_Interleaved);
            r.Scan();
            for (std::uint16_t key = 0; key < keys; ++key) {
                std::vector<std::int32_t> expected;
                std::vector<std::int16_t> block(kSamples);
                for (std::uint32_t b = 0; b < rounds; ++b) {
                    for (std::uint32_t i = 0; i < kSamples; ++i) block[i] = value(key, b * kSamples + i);
                    AppendMinMax(reinterpret_cast<const unsigned char*>(block.data()), kSamples, false, expected);
                }
                ASSERT_EQ(r.CachedPairs(key + 1), expected) << keys << " " << ahead << " " << key;
            }
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

// Two channels taking turns fill chunks of one shared arena past a slab (2 MiB of entries): each
// list reads back its own entries, in order, with nothing of the other's.
TEST(Index, ListsSharingAnArenaKeepTheirOwnEntries) {
    ChunkArena arena;
    BlockList lists[2] = {BlockList(arena), BlockList(arena)};
    const std::uint32_t n = (2u << 20) / sizeof(BlockEntry) / 2 + BlockList::kChunkEntries + 3;
    for (std::uint32_t i = 0; i < n; ++i)
        for (std::uint32_t c = 0; c < 2; ++c) ASSERT_TRUE(lists[c].push_back(BlockEntry(i, c + 1, false, i, 0)));
    for (std::uint32_t c = 0; c < 2; ++c) {
        ASSERT_EQ(lists[c].size(), n);
        for (std::uint32_t i = 0; i < n; ++i)
            ASSERT_TRUE(lists[c][i].first() == i && lists[c][i].count() == c + 1) << c << " " << i;
    }
    EXPECT_EQ(arena.MemoryBytes(), std::size_t{2} * (2u << 20));
}

// An overview of a channel's last blocks beyond 2^25 cached values (about 4 * 10^8 samples in):
// each pair is still made of whole cached (minimum, maximum) pairs, on both widths. A 50-sample
// block and zero blocks of the largest size fill the cache (134 MB, nothing written to a file) up
// to a place 2 mod 4; ten 32-bit blocks of 100 samples follow, sample v being v * 65536.
TEST(Overview, FarIntoAChannelPairsStayWhole) {
    constexpr std::uint32_t kFill = BlockEntry::kMaxCount;
    const std::uint32_t fillValues = 2 * MinMaxBuckets(kFill).count;
    const std::uint32_t fillBlocks = (1u << 25) / fillValues + 1;
    ChunkArena arena;
    CChannelDesc channel(arena, 2 + fillBlocks * fillValues + 40, true);
    const std::vector<unsigned char> zeros(std::size_t{kFill} * 2);
    std::uint32_t first = 0;
    const auto add = [&](std::uint32_t count, const unsigned char* data, bool is32) {
        ASSERT_TRUE(channel.add(first, count, is32, 0, data));
        first += count;
    };
    add(50, zeros.data(), false);
    for (std::uint32_t b = 0; b < fillBlocks; ++b) add(kFill, zeros.data(), false);
    const std::uint32_t rampStart = first;
    std::vector<unsigned char> ramp(400);
    for (std::uint32_t b = 0; b < 10; ++b) {
        for (std::uint32_t j = 0; j < 100; ++j) le::WriteU32(&ramp[4 * j], (b * 100 + j) << 16);
        add(100, ramp.data(), true);
    }
    ASSERT_EQ(channel.Blocks()[fillBlocks + 1].compressedStart() % 4, 2u);
    const auto allocate = [](std::uint64_t count, std::size_t width) { return std::malloc(count * width); };
    for (const std::uint32_t pairs : {10u, 6u}) {
        void* narrow = nullptr;
        void* wide = nullptr;
        ASSERT_EQ(channel.GetCompressedSamples(rampStart + 1, first, 2 * pairs, allocate, narrow),
                  CChannelDesc::CompressedResult::Delivered);
        ASSERT_EQ(channel.GetCompressed32BitSamples(rampStart + 1, first, 2 * pairs, allocate, wide),
                  CChannelDesc::CompressedResult::Delivered);
        const std::unique_ptr<void, decltype(&std::free)> owned16(narrow, &std::free), owned32(wide, &std::free);
        for (std::uint32_t p = 0; p < pairs; ++p) {
            // Pair p: the cached pairs [20p / pairs, 20(p + 1) / pairs), 50 samples each.
            const std::int32_t low = 50 * static_cast<std::int32_t>(20 * p / pairs);
            const std::int32_t high = 50 * static_cast<std::int32_t>(20 * (p + 1) / pairs) - 1;
            EXPECT_EQ(static_cast<std::int16_t*>(narrow)[2 * p], low) << pairs << " " << p;
            EXPECT_EQ(static_cast<std::int16_t*>(narrow)[2 * p + 1], high) << pairs << " " << p;
            EXPECT_EQ(static_cast<std::int32_t*>(wide)[2 * p], low * 65536) << pairs << " " << p;
            EXPECT_EQ(static_cast<std::int32_t*>(wide)[2 * p + 1], high * 65536) << pairs << " " << p;
        }
    }
}

}  // namespace
}  // namespace tarn::test

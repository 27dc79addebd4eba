// Sequential reading: what each read delivers, checked value by value against the recording.
#include <algorithm>
#include <filesystem>
#include <tuple>

#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

// The sample every channel key holds at a relative sample number (base 100).
std::int32_t Value(std::uint16_t key, std::int64_t s) { return static_cast<std::int32_t>((key + 1) * 1000 + s); }

struct Stretch { std::uint16_t key; std::uint32_t first; std::uint32_t count; bool is32 = false; };

RecordingBuilder Recording(std::uint32_t channels, const std::vector<Stretch>& runs) {
    RecordingBuilder b;
    b.Header(channels);
    for (const Stretch& r : runs) {
        const auto gen = [r](std::uint32_t i) { return Value(r.key, r.first + i); };
        if (r.is32)
            b.Samples32(r.count, gen, At(100 + r.first, r.key));
        else
            b.Samples16(r.count, gen, At(100 + r.first, r.key));
    }
    return b;
}

using Delivery = std::tuple<std::int64_t, std::int32_t, bool>;  // start, samples per channel, Overrun

// Reads to the end; every value must be the recording's at its own sample number, in the mode's
// layout, the channels taking part in ascending order.
std::vector<Delivery> ReadAll(OpenedRecording& r, const std::vector<std::uint16_t>& keys, RFMode mode,
                              bool selection) {
    std::vector<Delivery> out;
    std::int64_t floor = -1;
    const auto k = static_cast<std::int32_t>(keys.size());
    while (out.size() < 100 && (selection ? r->ReadGenFeBlockSelection() : r->ReadGenFeBlock())) {
        const OutputBlock& block = r->Output();
        const std::int32_t n = block.Count() / k;
        std::vector<std::int32_t> values(static_cast<std::size_t>(block.Count()));
        block.CopyTo(values.data());
        const std::int64_t first = values[0] - Value(keys[0], 0);
        EXPECT_EQ(first, r->LastSampleNumber());
        EXPECT_GE(first, floor) << "delivered backwards or twice";
        for (std::int32_t i = 0; i < n; ++i)
            for (std::int32_t j = 0; j < k; ++j)
                EXPECT_EQ(values[static_cast<std::size_t>(mode == RF_Interleaved ? i * k + j : j * n + i)],
                          Value(keys[static_cast<std::size_t>(j)], first + i));
        floor = first + n;
        out.emplace_back(first, n, r->ReadOverrun());
    }
    return out;
}

TEST(Sequential, DeliversEverySampleOnceAndReportsWhatItDrops) {
    struct Case {
        const char* what;
        std::uint32_t channels;
        std::vector<Stretch> runs;
        std::vector<Delivery> expected;
        std::uint64_t limit = OutputBlock::kMaxValues;  // values per block
    };
    const Case cases[] = {
        {"alternating blocks", 2, {{0, 0, 4}, {1, 0, 4}, {0, 4, 4}, {1, 4, 4}}, {{0, 4, false}, {4, 4, false}}},
        {"channel 1 two blocks ahead", 2, {{0, 0, 4}, {0, 4, 4}, {1, 0, 4}, {1, 4, 4}},
         {{0, 4, false}, {4, 4, false}}},
        {"gap in channel 1", 2, {{0, 0, 4}, {1, 0, 4}, {0, 8, 4}, {1, 4, 4}, {1, 8, 4}},
         {{0, 4, false}, {8, 4, true}}},
        {"gap in channel 2", 2, {{0, 0, 4}, {1, 0, 4}, {0, 4, 4}, {1, 8, 4}, {0, 8, 4}},
         {{0, 4, false}, {8, 4, true}}},
        {"one lost sample", 2, {{0, 0, 4}, {1, 0, 4}, {0, 5, 4}, {1, 4, 6}}, {{0, 4, false}, {5, 4, true}}},
        {"channel 2 starts in channel 1's gap", 2, {{0, 0, 4}, {0, 8, 4}, {1, 6, 6}}, {{8, 4, true}}},
        {"run ending where a discard cuts", 2, {{0, 0, 4}, {0, 8, 4}, {1, 0, 12}}, {{0, 4, false}, {8, 4, true}}},
        {"stretch longer than a block", 2, {{0, 0, 12}, {1, 0, 12}}, {{0, 5, false}, {5, 5, false}, {10, 2, false}}, 10},
        {"gap in a one-channel recording", 1, {{0, 0, 4}, {0, 8, 4}, {0, 12, 2}},
         {{0, 4, false}, {8, 4, true}, {12, 2, false}}},
        {"run left behind", 2, {{0, 0, 4}, {1, 0, 10}, {0, 6, 4}, {0, 10, 2}, {1, 10, 2}},
         {{0, 4, false}, {6, 4, true}, {10, 2, false}}},
        {"channel 2 starts later", 2, {{0, 0, 4}, {0, 4, 4}, {1, 4, 4}}, {{4, 4, false}}},
        {"repeated and overlapping blocks", 2, {{0, 0, 4}, {1, 0, 4}, {0, 0, 4}, {1, 2, 4}, {0, 4, 4}, {1, 4, 4}},
         {{0, 4, false}, {4, 4, false}}},
        {"block between two runs", 1, {{0, 0, 4}, {0, 8, 4}, {0, 4, 4}, {0, 12, 2}},
         {{0, 4, false}, {8, 4, true}, {12, 2, false}}},
        {"key N or more", 2, {{0, 0, 4}, {7, 0, 4}, {1, 0, 4}, {9, 4, 4}}, {{0, 4, false}}},
        // 32 samples transposed sixteen at a time (with AVX2), 8 eight at a time, 2 one by one.
        {"four channels, a stretch of 42", 4, {{0, 0, 42}, {1, 0, 42}, {2, 0, 42}, {3, 0, 42}}, {{0, 42, false}}},
        {"32-bit channel", 2, {{0, 0, 4}, {1, 0, 2, true}, {1, 2, 2, true}}, {{0, 2, false}, {2, 2, false}}},
    };
    TempDir dir;
    for (const Case& c : cases)
        for (const RFMode mode : {RF_Interleaved, RF_BlockInterleaved}) {
            SCOPED_TRACE(std::string(c.what) + (mode == RF_Interleaved ? " interleaved" : " block-interleaved"));
            OpenedRecording r(dir, Recording(c.channels, c.runs));
            r->CreateChannelDescs(mode);
            r->SetBlockLimit(c.limit);
            std::vector<std::uint16_t> keys(c.channels);
            for (std::uint16_t i = 0; i < c.channels; ++i) keys[i] = i;
            EXPECT_EQ(ReadAll(r, keys, mode, false), c.expected);
            // Only the channels with a gap latch: one of their blocks starts after all before it end.
            std::vector<std::int64_t> end(c.channels, -1);
            std::vector<bool> gap(c.channels);
            for (const Stretch& run : c.runs) {
                if (run.key >= c.channels) continue;
                gap[run.key] = gap[run.key] || (end[run.key] >= 0 && run.first > end[run.key]);
                end[run.key] = std::max<std::int64_t>(end[run.key], run.first + run.count);
            }
            for (std::uint16_t key = 0; key < c.channels; ++key)
                EXPECT_EQ(r->IsOverrunLatched(key + 1), gap[key]) << key;
            EXPECT_EQ(r->Output().Is32(), c.runs.back().is32);
        }
}

// Samples are held where the window read them until it moves on: a block delivered only after
// the next span was read must still hold its own values, in both modes, whether spans are read
// ahead into another buffer or, through the stream alone, over the same one.
TEST(Sequential, HeldSamplesOutliveTheWindowsSpan) {
    constexpr std::uint32_t kRounds = 90;
    constexpr std::uint32_t kSamples = 2500;  // 32 bits, to hold the values: 10 KB blocks, three spans
    std::vector<Stretch> runs;
    for (std::uint32_t b = 0; b < kRounds; ++b)
        for (std::uint16_t key = 0; key < 3; ++key) runs.push_back({key, b * kSamples, kSamples, true});
    TempDir dir;
    const RecordingBuilder file = Recording(3, runs);
    ASSERT_GT(file.size(), 2 * CQVDataRecorderReader::kWindowBytes);
    for (const bool ahead : {true, false})
        for (const RFMode mode : {RF_Interleaved, RF_BlockInterleaved}) {
            OpenedRecording r(dir, file);
            if (!ahead) r.reader = std::make_unique<CQVDataRecorderReader>(r.file);
            r->CreateChannelDescs(mode);
            EXPECT_EQ(ReadAll(r, {0, 1, 2}, mode, false).size(), kRounds) << ahead;
        }
}

// A selection takes its channels in ascending order whatever the order of selection; its block
// is as wide as its widest channel; unselected channels do not hold it back.
TEST(Sequential, SelectionTakesItsChannelsOnly) {
    TempDir dir;
    OpenedRecording r(dir, Recording(3, {{0, 0, 4}, {2, 0, 2, true}, {2, 2, 2, true}, {0, 4, 4}, {1, 0, 2},
                                         {2, 4, 1, true}}));
    EXPECT_TRUE(r->AddToSelection(2));
    EXPECT_TRUE(r->AddToSelection(0));
    EXPECT_FALSE(r->AddToSelection(0));
    EXPECT_FALSE(r->AddToSelection(3));
    EXPECT_EQ(ReadAll(r, {0, 2}, RF_Interleaved, true),
              (std::vector<Delivery>{{0, 2, false}, {2, 2, false}, {4, 1, false}}));
    EXPECT_TRUE(r->Output().Is32());
    r->ClearSelection();
    EXPECT_FALSE(r->SelectionActive());

    // 16-bit channel 1 alone stays 16-bit once a block of 32-bit channel 2 was passed.
    OpenedRecording narrow(dir, Recording(2, {{0, 0, 4}, {1, 6, 6, true}, {0, 4, 4}, {0, 8, 4}}));
    EXPECT_TRUE(narrow->AddToSelection(0));
    EXPECT_EQ(ReadAll(narrow, {0}, RF_Interleaved, true).size(), 3u);
    EXPECT_FALSE(narrow->Output().Is32());
    // Without the selection, channel 2 starting after what it delivered is no gap.
    OpenedRecording late(dir, Recording(2, {{0, 0, 4}, {0, 4, 4}, {1, 6, 6, true}, {0, 8, 4}}));
    EXPECT_TRUE(late->AddToSelection(0));
    EXPECT_TRUE(late->ReadGenFeBlockSelection());
    late->ClearSelection();
    EXPECT_EQ(ReadAll(late, {0, 1}, RF_Interleaved, false), (std::vector<Delivery>{{6, 2, false}, {8, 4, false}}));
    EXPECT_FALSE(late->IsOverrunLatched(1) || late->IsOverrunLatched(2));
}

// Reading indexes what the scan has not reached, as the scan would but without the min/max
// values, which the cache reads back when an overview asks (or overviews come from the samples
// where it cannot); a DC block fixes the base; the 16-bit view of a 32-bit block is each 32-bit
// channel's upper half.
TEST(Sequential, IndexesAsTheScanDoes) {
    TempDir dir;
    RecordingBuilder file = Recording(2, {{0, 0, 4}, {1, 0, 2, true}, {1, 2, 2, true}, {0, 4, 4}, {1, 4, 4, true}});
    OpenedRecording scanned(dir, file);
    scanned.Scan();
    OpenedRecording dc(dir, RecordingBuilder().Header(1).DC({{0, 0, 1}}, At(90)).Samples16({1, 2}, At(100)));
    EXPECT_TRUE(dc->ReadGenFeBlock());
    EXPECT_EQ(dc->LastSampleNumber(), 10);
    OpenedRecording r(dir, file);
    OpenedRecording changed(dir, file);
    for (OpenedRecording* read : {&r, &changed}) {
        (*read)->ScanFile();  // the first block with its values, the others without
        // Completed once part way: the second completion takes on from there.
        EXPECT_TRUE((*read)->ReadGenFeBlock() && (*read)->CompleteCache(1) && (*read)->CompleteCache(2));
        while ((*read)->ReadGenFeBlock()) {
        }
    }
    for (std::int32_t channel = 1; channel <= 2; ++channel) {
        EXPECT_EQ(r.Samples(channel), scanned.Samples(channel));
        ASSERT_FALSE(scanned.CachedPairs(channel).empty());
        EXPECT_TRUE(r.CachedPairs(channel, 2).empty());
        EXPECT_TRUE(r->CompleteCache(channel));
        EXPECT_EQ(r.CachedPairs(channel), scanned.CachedPairs(channel)) << channel;
    }
    // A file cut short since: its blocks no longer read back, and the cache stays unused.
    std::filesystem::resize_file(changed.path, 100);
    EXPECT_FALSE(changed->CompleteCache(2));
    EXPECT_TRUE(changed.CachedPairs(2, 2).empty());
    EXPECT_EQ(r->GetLastSampleNumber(), 8);
    std::vector<std::int16_t> view(static_cast<std::size_t>(r->Output().Count()));
    r->Output().CopyTo(view.data());
    EXPECT_EQ(view, (std::vector<std::int16_t>{1004, 0, 1005, 0, 1006, 0, 1007, 0}));
}

// A channel whose blocks change width keeps every value, negative ones sign-extended: its cache
// widens at its first 32-bit block in the scan, and in filling the gaps that sequential reading
// left, whether the cache or the values filled in were the narrower.
TEST(Sequential, CacheWidensWhereA32BitBlockComes) {
    TempDir dir;
    const auto value = [](std::uint32_t s) { return -20000 + 100 * static_cast<std::int32_t>(s); };
    for (const bool wideFirst : {false, true}) {
        RecordingBuilder file;
        file.Header(1);
        std::vector<std::int32_t> expected;
        for (std::uint32_t b = 0; b < 3; ++b) {
            const auto gen = [&](std::uint32_t i) { return value(60 * b + i); };
            (b == 0 ? wideFirst : b == 1 && !wideFirst) ? file.Samples32(60, gen, At(100 + 60 * b))
                                                        : file.Samples16(60, gen, At(100 + 60 * b));
            // Two buckets of 30 rising samples each.
            expected.insert(expected.end(), {gen(0), gen(29), gen(30), gen(59)});
        }
        OpenedRecording scanned(dir, file);
        scanned.Scan();
        EXPECT_EQ(scanned.CachedPairs(1), expected) << wideFirst;
        OpenedRecording r(dir, file);
        r->ScanFile();  // the first block with its values
        while (r->ReadGenFeBlock()) {
        }
        EXPECT_TRUE(r->CompleteCache(1));
        EXPECT_EQ(r.CachedPairs(1), expected) << wideFirst;
    }
}

// Walking a recording of small blocks costs a file call or two per large read, not calls per
// block: the scan alone, sequential reading alone, and the two taking turns.
TEST(Sequential, WalksMakeNoFileCallPerBlock) {
    TempDir dir;
    constexpr std::uint32_t kBlocks = 4000;
    RecordingBuilder file;
    file.Header(2);
    for (std::uint32_t b = 0; b < kBlocks; ++b)
        for (std::uint16_t key = 0; key < 2; ++key) file.Samples16(64, Ramp, At(100 + 64 * b, key));
    for (const bool scan : {true, false}) {
        for (const bool read : {true, false}) {
            if (!scan && !read) continue;
            OpenedRecording r(dir, file);
            const std::uint64_t before = platform::FileCalls();
            std::int64_t delivered = 0;
            for (bool more = true; more;) {
                more = scan && r->ScanFile();
                if (read && r->ReadGenFeBlock()) {
                    delivered += r->Output().Count();
                    more = true;
                }
            }
            EXPECT_LE(platform::FileCalls() - before, file.size() / 65536 + 8) << scan << read;
            EXPECT_EQ(r->GetLastSampleNumber(), 64 * kBlocks);
            EXPECT_EQ(delivered, read ? 2 * 64 * kBlocks : 0);
        }
    }
}

}  // namespace
}  // namespace tarn::test

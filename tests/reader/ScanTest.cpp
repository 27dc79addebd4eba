#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <tuple>

#include "tests/debug/TraceTestFixture.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

// One index entry as a test compares it: first, count, position.
using Entry = std::tuple<std::uint32_t, std::uint32_t, std::int64_t>;

std::vector<Entry> Entries(const CChannelDesc& slot) {
    std::vector<Entry> out;
    for (std::size_t i = 0; i < slot.Blocks().size(); ++i)
        out.emplace_back(slot.Blocks()[i].first(), slot.Blocks()[i].count(), slot.Blocks()[i].position());
    return out;
}

// Everything the scan builds: entries, caches, overrun flags, DC channels' keys and block counts.
using IndexSnapshot = std::tuple<std::vector<std::vector<Entry>>, std::vector<MinMaxValues>, std::vector<std::uint8_t>,
                                 std::vector<std::pair<std::int32_t, std::size_t>>>;

IndexSnapshot Snapshot(const CQVDataRecorderReader& reader) {
    IndexSnapshot s;
    for (std::size_t i = 0; i < reader.ChannelDescs().size(); ++i) {
        std::get<0>(s).push_back(Entries(reader.ChannelDescs()[i]));
        std::get<1>(s).push_back(reader.ChannelDescs()[i].CompressedSamples());
    }
    std::get<2>(s) = reader.OverrunFlags();
    for (std::size_t i = 0; i < reader.DCChannelCount(); ++i)
        std::get<3>(s).emplace_back(reader.DCChannels().Channel(i).Key(), reader.DCBlockCount(i));
    return s;
}

constexpr std::int64_t kBlock500 = 16 + 1000;

class Scan : public TraceTest {
protected:
    void TraceOn() { WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0\nFileFunctionLineInTrace=0"); }
};

TEST_F(Scan, IndexesEachChannelFromTheBase) {
    TraceOn();
    TempDir dir;
    // Channels 1, 2, 1, 2 in 500-sample blocks.
    OpenedRecording r(dir, RecordingBuilder().Header(2).Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1000, 1))
                               .Samples16(500, Ramp, At(1500)).Samples16(500, Ramp, At(1500, 1)), RF_Interleaved);
    const std::vector<std::string> creation = Lines();
    EXPECT_EQ(ScanAll(*r.reader), 4u);
    const CQVDataRecorderReader& reader = *r.reader;
    EXPECT_EQ(reader.BaseSampleNumber(), 1000u);
    EXPECT_EQ(Entries(reader.ChannelDescs()[0]),
              (std::vector<Entry>{{0, 500, 20}, {500, 500, 20 + 2 * kBlock500}}));
    EXPECT_EQ(Entries(reader.ChannelDescs()[1]),
              (std::vector<Entry>{{0, 500, 20 + kBlock500}, {500, 500, 20 + 3 * kBlock500}}));
    EXPECT_EQ(reader.OverrunFlags(), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(reader.GetFirstSampleNumber(), 0);
    EXPECT_EQ(reader.GetLastSampleNumber(), 1000);
    EXPECT_EQ(reader.ChannelDescs()[0].CompressedSamples().size(), 40u);  // 10 buckets of min, max per block
    EXPECT_EQ(Lines(), creation);  // no block out of sequence
    EXPECT_DOUBLE_EQ(reader.ScanFraction(), 1.0);
}

// A block that does not follow its channel's last one is traced; a late one latches the overrun
// on the channel's next block.
TEST_F(Scan, OverrunLatchesOnTheChannelsNextBlock) {
    struct Case {
        std::function<void(RecordingBuilder&)> blocks;
        std::vector<std::vector<std::uint8_t>> flagsAfterStep;  // of channels 1 and 2
        std::string trace;
    };
    const Case cases[] = {
        {[](RecordingBuilder& b) {
             b.Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1000, 1)).Samples16(500, Ramp, At(1600))
                 .Samples16(500, Ramp, At(1500, 1)).Samples16(500, Ramp, At(2100));
         },
         {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}}, "Channel 0 Block starting withe sample 500 not found next block is 600\r\n"},
        {[](RecordingBuilder& b) { b.Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1400)).Samples16(500, Ramp, At(1900)); },
         {{0, 0}, {0, 0}, {0, 0}}, "Channel 0 Block starting withe sample 500 not found next block is 400\r\n"},
        // Channel 1 has no block yet; channel 2's gap must latch all the same.
        {[](RecordingBuilder& b) { b.Samples16({1, 2}, At(10, 1)).Samples16({3, 4}, At(20, 1)).Samples16({5, 6}, At(22, 1)); },
         {{0, 0}, {0, 0}, {0, 1}}, "Channel 1 Block starting withe sample 2 not found next block is 10\r\n"}};
    TraceOn();
    TempDir dir;
    for (const Case& c : cases) {
        RecordingBuilder file;
        c.blocks(file.Header(2));
        OpenedRecording r(dir, file, RF_Interleaved);
        const auto creation = static_cast<std::ptrdiff_t>(Lines().size());
        for (const std::vector<std::uint8_t>& flags : c.flagsAfterStep) {
            ASSERT_TRUE(r.reader->ScanFile());
            EXPECT_EQ(r.reader->OverrunFlags(), flags);
        }
        EXPECT_FALSE(r.reader->ScanFile());
        const std::vector<std::string> lines = Lines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + creation, lines.end()), std::vector<std::string>{c.trace});
        EXPECT_EQ(r.reader->IsOverrunLatched(1), c.flagsAfterStep.back()[0] != 0);
        EXPECT_EQ(r.reader->IsOverrunLatched(2), c.flagsAfterStep.back()[1] != 0);
    }
}

TEST(ScanSlots, KeysBeyondTheChannelsShareOneUnreservedSlot) {
    RecordingBuilder file;
    file.Header(2).Samples16(100, Ramp, At(0)).Samples16(100, Ramp, At(0, 1));
    for (std::uint32_t i = 0; i < 50; ++i) file.Samples16(100, Ramp, At(50 * i, 7)).Samples16(2, Ramp, At(50 * i, 2));
    TempDir dir;
    OpenedRecording r(dir, file, RF_Interleaved);
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_GT(reader.CompressedReserve(), 100u);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(reader.ScanFile());
    ASSERT_EQ(reader.ChannelDescs().size(), 3u);
    EXPECT_EQ(reader.ChannelDescs()[2].CompressedSamples().capacity(), 4u);
    ScanAll(reader);
    ASSERT_EQ(reader.ChannelDescs().size(), 4u);
    EXPECT_EQ(reader.ChannelDescs()[2].Id(), 7);
    EXPECT_EQ(reader.ChannelDescs()[2].Blocks().size(), 50u);
    EXPECT_EQ(reader.ChannelDescs()[3].Id(), 2);
    // Blocks of no channel neither shorten nor delay the channels' common range.
    EXPECT_EQ(reader.GetFirstSampleNumber(), 0);
    EXPECT_EQ(reader.GetLastSampleNumber(), 100);
}

TEST(ScanSlots, FirstAndLastSampleNumberSkipEmptyChannels) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(3).Samples16(8, Ramp, At(100, 2)).Samples16(4, Ramp, At(102, 1)),
                      RF_Interleaved);
    CQVDataRecorderReader& reader = *r.reader;
    const auto range = [&reader] { return std::pair{reader.GetFirstSampleNumber(), reader.GetLastSampleNumber()}; };
    EXPECT_EQ(range(), std::pair(0, 0));
    ASSERT_TRUE(reader.ScanFile());
    EXPECT_EQ(range(), std::pair(0, 8));
    ASSERT_TRUE(reader.ScanFile());
    EXPECT_EQ(range(), std::pair(2, 6));
}

TEST(FindBlock, CountsFromTheFirstEntryAcrossGaps) {
    CChannelDesc slot(0, false);
    // Blocks [100, 104), [104, 108), a gap, [120, 124), then one that starts early, [118, 122).
    for (auto [first, position] : {std::pair{100u, 20}, {104u, 40}, {120u, 60}, {118u, 80}})
        ASSERT_TRUE(slot.add(first, 4, false, position, nullptr, 0));
    struct Case { std::int64_t s; bool found; std::size_t index; std::uint32_t offset; };
    const Case cases[] = {{0, true, 0, 0},  {4, true, 1, 0},   {7, true, 1, 3},  {8, false, 0, 0},
                              {18, true, 3, 0}, {20, true, 2, 0},  {23, true, 2, 3}, {24, false, 0, 0},
                              {-1, false, 0, 0}, {1LL << 40, false, 0, 0}};
    for (const Case& c : cases) {
        const CChannelDesc::Location at = slot.FindBlock(c.s);
        ASSERT_EQ(at.entry != nullptr, c.found) << c.s;
        if (c.found) {
            EXPECT_EQ(std::make_pair(at.index, at.offset), std::make_pair(c.index, c.offset)) << c.s;
        } else {
            EXPECT_EQ(at.position(), -1) << c.s;
        }
    }
    EXPECT_EQ(CChannelDesc(0, false).FindBlock(0).entry, nullptr);
}

// The retrieval calls that run between scan steps (and anything else that moves the shared
// stream, such as sequential reading) must not make the scan index a block twice or skip one.
TEST(ScanResume, InterruptedStepsBuildTheSameIndex) {
    RecordingBuilder file;
    file.Header(2).Trigger(At(5), 8);
    for (std::uint32_t i = 0; i < 20; ++i)
        file.Samples16(6, Ramp, At(1000 + 6 * i)).Other(At(0), 4).Samples32(3, Ramp, At(1000 + 3 * i, 1));
    file.DC({{0, 0, 1}}, At(1010)).Samples16(6, Ramp, At(900));
    TempDir dir;
    OpenedRecording whole(dir, file, RF_Interleaved);
    ScanAll(*whole.reader);
    const IndexSnapshot expected = Snapshot(*whole.reader);

    OpenedRecording r(dir, file, RF_Interleaved);
    std::vector<std::int16_t> out(64);
    std::size_t steps = 0;
    while (r.reader->ScanFile()) {
        ASSERT_LT(++steps, 100u);
        r.reader->CopySamples16(1, 0, 40, out.data());
        r.reader->OverloadStatusInRange(2, 0, 10);
        if (steps % 3 == 0) r.file.Seek(0);
        if (steps % 3 == 1) r.reader->ReadBlockHeader();
    }
    EXPECT_EQ(Snapshot(*r.reader), expected);
    EXPECT_EQ(r.reader->ChannelDescs()[0].Blocks().size(), 20u);

    r.reader->ResetScan();
    EXPECT_DOUBLE_EQ(r.reader->ScanFraction(), 0.0);
    EXPECT_EQ(r.reader->ChannelDescs()[0].Blocks().size(), 0u);
    ScanAll(*r.reader);
    EXPECT_EQ(Snapshot(*r.reader), expected);
}

}  // namespace
}  // namespace tarn::test

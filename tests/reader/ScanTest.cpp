#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "tests/debug/TraceTestFixture.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

Block At(std::uint32_t sampleNo, std::uint16_t id = 0) { return Block().SampleNo(sampleNo).Id(id); }

std::int32_t Ramp(std::uint32_t i) { return static_cast<std::int32_t>(i); }

// One index entry as a test compares it.
struct Entry {
    std::uint32_t first;
    std::uint32_t count;
    std::int64_t position;
    bool operator==(const Entry& o) const { return first == o.first && count == o.count && position == o.position; }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{" << e.first << ", " << e.count << ", @" << e.position << "}";
}

std::vector<Entry> Entries(const CChannelDesc& slot) {
    std::vector<Entry> out;
    for (std::size_t i = 0; i < slot.Blocks().size(); ++i)
        out.push_back({slot.Blocks()[i].first(), slot.Blocks()[i].count(), slot.Blocks()[i].position()});
    return out;
}

// Everything the scan builds, for comparing two scans.
struct IndexSnapshot {
    std::vector<std::vector<Entry>> entries;
    std::vector<MinMaxValues> caches;
    std::vector<std::uint8_t> flags;
    std::vector<std::pair<std::int32_t, std::size_t>> dc;
    bool operator==(const IndexSnapshot& o) const {
        return entries == o.entries && caches == o.caches && flags == o.flags && dc == o.dc;
    }
};

IndexSnapshot Snapshot(const CQVDataRecorderReader& reader) {
    IndexSnapshot s;
    for (std::size_t i = 0; i < reader.ChannelDescs().size(); ++i) {
        s.entries.push_back(Entries(reader.ChannelDescs()[i]));
        s.caches.push_back(reader.ChannelDescs()[i].CompressedSamples());
    }
    s.flags = reader.OverrunFlags();
    for (std::size_t i = 0; i < reader.DCChannelCount(); ++i)
        s.dc.emplace_back(reader.DCChannels().Channel(i).Key(), reader.DCBlockCount(i));
    return s;
}

// Two channels of 500-sample blocks: 1000, 1000, third, 1500 (channel 1, 2, 1, 2), then
// whatever tail adds.
RecordingBuilder TwoChannels(std::uint32_t third, const std::function<void(RecordingBuilder&)>& tail = {}) {
    RecordingBuilder b;
    b.Header(2)
        .Samples16(500, Ramp, At(1000))
        .Samples16(500, Ramp, At(1000, 1))
        .Samples16(500, Ramp, At(third))
        .Samples16(500, Ramp, At(1500, 1));
    if (tail) tail(b);
    return b;
}

constexpr std::int64_t kFirstBlock = 20;
constexpr std::int64_t kBlock500 = 16 + 1000;

class Scan : public TraceTest {
protected:
    void TraceOn() { WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0\nFileFunctionLineInTrace=0"); }
};

TEST_F(Scan, IndexesEachChannelFromTheBase) {
    TraceOn();
    TempDir dir;
    OpenedRecording r(dir, TwoChannels(1500), RF_Interleaved);
    const std::vector<std::string> creation = Lines();
    EXPECT_EQ(creation.size(), 6u);  // three cache lines per slot
    EXPECT_EQ(ScanAll(*r.reader), 4u);
    const CQVDataRecorderReader& reader = *r.reader;
    EXPECT_EQ(reader.BaseSampleNumber(), 1000u);
    EXPECT_EQ(Entries(reader.ChannelDescs()[0]),
              (std::vector<Entry>{{0, 500, kFirstBlock}, {500, 500, kFirstBlock + 2 * kBlock500}}));
    EXPECT_EQ(Entries(reader.ChannelDescs()[1]),
              (std::vector<Entry>{{0, 500, kFirstBlock + kBlock500}, {500, 500, kFirstBlock + 3 * kBlock500}}));
    EXPECT_FALSE(reader.ChannelDescs()[0].Overrun());
    EXPECT_EQ(reader.OverrunFlags(), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(reader.GetFirstSampleNumber(), 0);
    EXPECT_EQ(reader.GetLastSampleNumber(), 1000);
    EXPECT_EQ(reader.ChannelDescs()[0].CompressedSamples().size(), 40u);  // 10 buckets per block
    EXPECT_EQ(Lines(), creation);  // no block out of sequence
    EXPECT_TRUE(reader.EndOfData());
    EXPECT_DOUBLE_EQ(reader.ScanFraction(), 1.0);
}

// After each scan step: the overrun flags of channels 1 and 2.
struct LatchCase {
    const char* name;
    std::function<void(RecordingBuilder&)> blocks;
    std::vector<std::vector<std::uint8_t>> flagsAfterStep;
    std::vector<std::string> traces;
};

class OverrunLatch : public Scan, public testing::WithParamInterface<LatchCase> {};

TEST_P(OverrunLatch, OnTheChannelsNextBlock) {
    TraceOn();
    RecordingBuilder file;
    file.Header(2);
    GetParam().blocks(file);
    TempDir dir;
    OpenedRecording r(dir, file, RF_Interleaved);
    const std::size_t creation = Lines().size();
    for (const std::vector<std::uint8_t>& flags : GetParam().flagsAfterStep) {
        ASSERT_TRUE(r.reader->ScanFile());
        EXPECT_EQ(r.reader->OverrunFlags(), flags);
    }
    EXPECT_FALSE(r.reader->ScanFile());
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(creation), lines.end()),
              GetParam().traces);
    EXPECT_EQ(r.reader->IsOverrunLatched(1), GetParam().flagsAfterStep.back()[0] != 0);
    EXPECT_EQ(r.reader->IsOverrunLatched(2), GetParam().flagsAfterStep.back()[1] != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OverrunLatch,
    testing::Values(
        LatchCase{"LateBlockLatchesOnTheNext",
                  [](RecordingBuilder& b) {
                      b.Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1000, 1)).Samples16(500, Ramp, At(1600))
                          .Samples16(500, Ramp, At(1500, 1)).Samples16(500, Ramp, At(2100));
                  },
                  {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}},
                  {"Channel 0 Block starting withe sample 500 not found next block is 600\r\n"}},
        LatchCase{"EarlyBlockTracesWithoutOverrun",
                  [](RecordingBuilder& b) {
                      b.Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1400)).Samples16(500, Ramp, At(1900));
                  },
                  {{0, 0}, {0, 0}, {0, 0}},
                  {"Channel 0 Block starting withe sample 500 not found next block is 400\r\n"}},
        // Channel 1 has no block yet; channel 2's gap must latch all the same.
        LatchCase{"ChannelAfterAnEmptyOne",
                  [](RecordingBuilder& b) {
                      b.Samples16({1, 2}, At(10, 1)).Samples16({3, 4}, At(20, 1)).Samples16({5, 6}, At(22, 1));
                  },
                  {{0, 0}, {0, 0}, {0, 1}},
                  {"Channel 1 Block starting withe sample 2 not found next block is 10\r\n"}}),
    [](const testing::TestParamInfo<LatchCase>& info) { return std::string(info.param.name); });

TEST_F(Scan, ChannelDestructionTracesTheIndex) {
    TraceOn();
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(1).Samples16(100, Ramp, At(7)).Samples16(100, Ramp, At(107)),
                      RF_Interleaved);
    ScanAll(*r.reader);
    const auto before = static_cast<std::ptrdiff_t>(Lines().size());
    r.reader.reset();
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + before, lines.end()), (std::vector<std::string>{
                           "m_SamplesInFile.begin()->first() = 0\r\n", "m_SamplesInFile.back()->last() = 200\r\n",
                           "m_CompressedSamples.max_size() = 1073741823\r\n", "m_CompressedSamples.capacity() = 9\r\n",
                           "m_CompressedSamples.size() = 8\r\n", "m_SamplesInFile.max_size() = 1073741823\r\n",
                           "m_SamplesInFile.capacity() = 2\r\n", "m_SamplesInFile.size() = 2\r\n"}));
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
    EXPECT_EQ(reader.GetFirstSampleNumber(), 0);
    EXPECT_EQ(reader.GetLastSampleNumber(), 0);
    ASSERT_TRUE(reader.ScanFile());
    EXPECT_EQ(reader.GetFirstSampleNumber(), 0);
    EXPECT_EQ(reader.GetLastSampleNumber(), 8);
    ASSERT_TRUE(reader.ScanFile());
    EXPECT_EQ(reader.GetFirstSampleNumber(), 2);
    EXPECT_EQ(reader.GetLastSampleNumber(), 6);
}

struct FindCase {
    std::int64_t s;
    bool found;
    std::size_t index;
    std::uint32_t offset;
};

TEST(FindBlock, CountsFromTheFirstEntryAcrossGaps) {
    CChannelDesc slot(0, false);
    // Blocks [100, 104), [104, 108), a gap, [120, 124), then one that starts early, [118, 122).
    for (auto [first, position] : {std::pair{100u, 20}, {104u, 40}, {120u, 60}, {118u, 80}})
        ASSERT_TRUE(slot.add(first, 4, false, position, nullptr, 0));
    const FindCase cases[] = {{0, true, 0, 0}, {3, true, 0, 3},  {4, true, 1, 0},   {7, true, 1, 3},
                              {8, false, 0, 0}, {17, false, 0, 0}, {18, true, 3, 0}, {20, true, 2, 0},
                              {23, true, 2, 3}, {24, false, 0, 0}, {-1, false, 0, 0}, {1LL << 40, false, 0, 0}};
    for (const FindCase& c : cases) {
        const CChannelDesc::Location at = slot.FindBlock(c.s);
        ASSERT_EQ(at.entry != nullptr, c.found) << c.s;
        if (!c.found) {
            EXPECT_EQ(at.position(), -1) << c.s;
            continue;
        }
        EXPECT_EQ(at.index, c.index) << c.s;
        EXPECT_EQ(at.offset, c.offset) << c.s;
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

TEST(ScanResume, TruncatedFilesKeepEveryCompleteBlock) {
    RecordingBuilder full;
    full.Header(2);
    std::vector<std::size_t> sampleBlockEnds;
    for (std::uint32_t i = 0; i < 4; ++i) {
        full.Samples16({1, 2, 3, 4}, At(10 + 4 * i, static_cast<std::uint16_t>(i % 2)));
        sampleBlockEnds.push_back(full.size());
        full.DC({{0, 0, i}}, At(10 + i));
    }
    TempDir dir;
    for (std::size_t length = 20; length <= full.size(); length += 3) {
        OpenedRecording r(dir, RecordingBuilder(full).TruncateAt(length), RF_Interleaved);
        ScanAll(*r.reader);
        EXPECT_FALSE(r.reader->ScanFile());
        EXPECT_TRUE(r.reader->EndOfData());
        std::size_t complete = 0;  // sample blocks wholly inside the cut
        for (std::size_t end : sampleBlockEnds)
            if (end <= length) ++complete;
        const std::size_t indexed = r.reader->ChannelDescs()[0].Blocks().size() + r.reader->ChannelDescs()[1].Blocks().size();
        EXPECT_EQ(indexed, complete) << length;
        std::int16_t out[4];
        if (complete > 0) {
            EXPECT_EQ(r.reader->CopySamples16(1, 0, 4, out), 3) << length;
        }
    }
}

}  // namespace
}  // namespace tarn::test

#include <gtest/gtest.h>

#include <functional>

#include "reader/LittleEndian.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

using layout::BlockKind;

std::vector<std::uint32_t> SampleNos(const std::vector<Delivered>& blocks) {
    std::vector<std::uint32_t> out;
    for (const Delivered& d : blocks) out.push_back(d.sampleNo);
    return out;
}

TEST(BlockWalk, SampleCountFollowsTheWidth) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(1).Samples16({-1, 2}).Samples32({-70000}));
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_TRUE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.CurrentBlockHeader().Size, 5);
    EXPECT_EQ(reader.CurrentSampleCount(), 2u);
    ASSERT_TRUE(reader.ReadBlockData());
    EXPECT_EQ(le::ReadS16(reader.BlockData()), -1);
    EXPECT_EQ(le::ReadS16(reader.BlockData() + 2), 2);
    ASSERT_TRUE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.CurrentBlockHeader().Size, 5);
    EXPECT_EQ(reader.CurrentSampleCount(), 1u);
    ASSERT_TRUE(reader.ReadBlockData());
    EXPECT_EQ(le::ReadS32(reader.BlockData()), -70000);
    EXPECT_FALSE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.Walk().end, StreamEnd::Clean);
    EXPECT_EQ(reader.Walk().endPosition, 60);
}

// A good block, the case's blocks, then a good block that a sound walk never reaches.
struct EndCase {
    const char* name;
    std::function<void(RecordingBuilder&)> tail;
    StreamEnd end;
};

class StreamEnds : public testing::TestWithParam<EndCase> {};

TEST_P(StreamEnds, AtTheBadBlock) {
    TempDir dir;
    RecordingBuilder file;
    file.Header(1).Samples16({1, 2}, Block().SampleNo(10));
    GetParam().tail(file);
    file.Samples16({3, 4}, Block().SampleNo(12));
    OpenedRecording r(dir, file);
    EXPECT_EQ(SampleNos(WalkAll(*r.reader)), std::vector<std::uint32_t>{10});
    EXPECT_EQ(r.reader->Walk().end, GetParam().end) << Describe(r.reader->Walk().end);
    EXPECT_EQ(r.reader->Walk().endPosition, 40);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamEnds,
    testing::Values(
        EndCase{"SampleSize4", [](RecordingBuilder& b) { b.Samples16({5, 6}, Block().SampleNo(12).Size(4)); },
                StreamEnd::EmptySampleBlock},
        EndCase{"SampleSize3", [](RecordingBuilder& b) { b.Samples16({5, 6}, Block().SampleNo(12).Size(3)); },
                StreamEnd::BadSize},
        EndCase{"TriggerSize0", [](RecordingBuilder& b) { b.Trigger(Block().Size(0)); }, StreamEnd::BadSize},
        EndCase{"OtherSize1", [](RecordingBuilder& b) { b.Other(Block().Size(1)); }, StreamEnd::BadSize},
        EndCase{"DCSizeDisagrees", [](RecordingBuilder& b) { b.DC({{0, 0, 1}, {1, 0, 2}}, Block().Size(6)); },
                StreamEnd::CorruptDCBlock},
        EndCase{"DCWithoutEntries", [](RecordingBuilder& b) { b.DC({}, Block().Size(4)); },
                StreamEnd::CorruptDCBlock}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

struct BaseCase {
    const char* name;
    std::function<void(RecordingBuilder&)> blocks;
    std::vector<std::uint32_t> delivered;
    std::uint32_t base;
    std::uint32_t trigger;
    std::uint64_t stale;
};

class BaseAndTrigger : public testing::TestWithParam<BaseCase> {};

TEST_P(BaseAndTrigger, FollowTheFirstTakenBlocks) {
    TempDir dir;
    RecordingBuilder file;
    file.Header(2);
    GetParam().blocks(file);
    OpenedRecording r(dir, file);
    EXPECT_EQ(SampleNos(WalkAll(*r.reader)), GetParam().delivered);
    EXPECT_EQ(r.reader->BaseSampleNumber(), GetParam().base);
    EXPECT_EQ(r.reader->TriggerSampleNo(), GetParam().trigger);
    EXPECT_EQ(r.reader->Walk().staleBlocks, GetParam().stale);
    EXPECT_EQ(r.reader->Walk().end, StreamEnd::Clean);
}

Block At(std::uint32_t sampleNo) { return Block().SampleNo(sampleNo); }

INSTANTIATE_TEST_SUITE_P(
    Cases, BaseAndTrigger,
    testing::Values(
        BaseCase{"StaleBlockSkipped",
                 [](RecordingBuilder& b) { b.Samples16({1, 2}, At(1000)).Samples16({3, 4}, At(900)).Samples16({5, 6}, At(1002)); },
                 {1000, 1002}, 1000, 0, 1},
        BaseCase{"TriggerDoesNotFixTheBase",
                 [](RecordingBuilder& b) { b.Trigger(At(500), 8).Samples16({1, 2}, At(1000)).Samples16({1, 2}, At(800)); },
                 {1000}, 1000, 500, 1},
        BaseCase{"DCFixesTheBase",
                 [](RecordingBuilder& b) { b.DC({{0, 0, 7}}, At(2000)).Samples32({1}, At(1500)).Samples32({1}, At(2000)); },
                 {2000, 2000}, 2000, 0, 1},
        BaseCase{"FirstTriggerCounts",
                 [](RecordingBuilder& b) { b.Trigger(At(300)).Trigger(At(400)).Samples16({1, 2}, At(1000)); },
                 {1000}, 1000, 300, 0},
        BaseCase{"OtherBlocksPassedOver",
                 [](RecordingBuilder& b) { b.Other(At(5), 12).Samples16({1, 2}, At(10)).Other(At(5)); },
                 {10}, 10, 0, 0}),
    [](const testing::TestParamInfo<BaseCase>& info) { return std::string(info.param.name); });

TEST(BlockWalk, DCBlockIsReadWholeAndTheNextBlockFollows) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(4)
                               .DC({{1, 0, 0x11}, {2, 3, 0x22}, {3, 0, 0x33}}, Block().SampleNo(50).FrameId(1))
                               .Samples16({7, 8}, Block().SampleNo(50)));
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_TRUE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.CurrentBlockHeader().Kind(), BlockKind::DC);
    EXPECT_EQ(reader.CurrentBlockHeader().ByteLength(), 36u);
    EXPECT_EQ(reader.CurrentChannelKey(), 256 + 1);
    const unsigned char* rest = reader.BlockData();  // entries 2 and 3, then the three values
    EXPECT_EQ(layout::ChannelEntry::Decode(rest).channelstatus, 3);
    EXPECT_EQ(le::ReadU32(rest + 8), 0x11u);
    EXPECT_EQ(le::ReadU32(rest + 16), 0x33u);
    EXPECT_FALSE(reader.ReadBlockData());  // a DC block has no sample data to read
    ASSERT_TRUE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.CurrentBlockPosition(), 20 + 36);
    EXPECT_EQ(reader.CurrentChannelKey(), 0);
}

TEST(BlockWalk, TruncationAtEveryByteKeepsTheCompleteBlocks) {
    RecordingBuilder full;
    std::vector<std::size_t> boundaries{full.Header(2).size()};
    const std::function<void(RecordingBuilder&)> blocks[] = {
        [](RecordingBuilder& b) { b.Samples16({1, 2, 3, 4}, At(100)); },
        [](RecordingBuilder& b) { b.Trigger(At(102), 8); },
        [](RecordingBuilder& b) { b.DC({{0, 0, 9}, {1, 0, 8}}, At(101)); },
        [](RecordingBuilder& b) { b.Samples32({5, 6}, At(100).Id(1)); },
        [](RecordingBuilder& b) { b.Other(At(0), 4); },
        [](RecordingBuilder& b) { b.Samples16({5, 6}, At(104)); },
    };
    for (const auto& add : blocks) {
        add(full);
        boundaries.push_back(full.size());
    }
    TempDir dir;
    OpenedRecording whole(dir, full);
    const std::vector<Delivered> all = WalkAll(*whole.reader);
    ASSERT_EQ(all.size(), 4u);

    for (std::size_t length = boundaries.front(); length <= full.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        OpenedRecording cut(dir, RecordingBuilder(full).TruncateAt(length));
        std::vector<Delivered> expected;
        for (const Delivered& d : all) {
            auto start = std::find(boundaries.begin(), boundaries.end(), static_cast<std::size_t>(d.position));
            if (start + 1 != boundaries.end() && start[1] <= length) expected.push_back(d);
        }
        EXPECT_EQ(WalkAll(*cut.reader), expected);
        const std::size_t blockStart = *(std::upper_bound(boundaries.begin(), boundaries.end(), length) - 1);
        const StreamEnd end = blockStart == length ? StreamEnd::Clean
                              : length - blockStart < layout::kBlockFramingLength ? StreamEnd::TruncatedHeader
                                                                                  : StreamEnd::TruncatedData;
        EXPECT_EQ(cut.reader->Walk().end, end);
        EXPECT_EQ(cut.reader->Walk().endPosition, static_cast<std::int64_t>(blockStart));
    }
}

TEST(BlockWalk, BlockBufferDoesNotGrowPerBlock) {
    RecordingBuilder file;
    file.Header(1);
    for (std::uint32_t i = 0; i < 300; ++i)
        file.Samples16(100, [](std::uint32_t s) { return static_cast<std::int32_t>(s); }, At(i * 100)).Trigger(At(1), 8);
    TempDir dir;
    OpenedRecording r(dir, file);
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_TRUE(reader.ReadBlockHeader());
    ASSERT_TRUE(reader.ReadBlockData());
    const std::size_t capacity = reader.BlockBufferCapacity();
    EXPECT_GE(capacity, 200u);
    std::uint32_t blocks = 1;
    for (; reader.ReadBlockHeader(); ++blocks) {
        ASSERT_TRUE(blocks % 2 ? reader.SkipBlockData() : reader.ReadBlockData());
        EXPECT_EQ(reader.CurrentBlockHeader().SampleNo, blocks * 100);
    }
    EXPECT_EQ(blocks, 300u);
    EXPECT_EQ(reader.BlockBufferCapacity(), capacity);
    EXPECT_EQ(reader.Walk().blocks[static_cast<int>(BlockKind::Trigger)], 300u);
}

}  // namespace
}  // namespace tarn::test

#include <gtest/gtest.h>

#include <functional>

#include "format/LittleEndian.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

using layout::BlockKind;
using Blocks = std::function<void(RecordingBuilder&)>;

std::vector<std::uint32_t> SampleNos(const std::vector<Delivered>& blocks) {
    std::vector<std::uint32_t> out;
    for (const Delivered& d : blocks) out.push_back(std::get<2>(d));
    return out;
}

// Sample counts follow the width; a DC block is read whole and the next block follows it.
TEST(BlockWalk, EachKindIsReadWhole) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(4).Samples16({-1, 2}).Samples32({-70000})
                               .DC({{1, 0, 0x11}, {2, 3, 0x22}, {3, 0, 0x33}}, At(50).FrameId(1))
                               .Samples16({7, 8}, At(50)));
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_TRUE(reader.ReadBlockHeader() && reader.ReadBlockData());
    EXPECT_EQ(reader.CurrentSampleCount(), 2u);
    EXPECT_EQ(le::ReadS16(reader.BlockData() + 2), 2);
    ASSERT_TRUE(reader.ReadBlockHeader() && reader.ReadBlockData());
    EXPECT_EQ(reader.CurrentBlockHeader().Size, 5);
    EXPECT_EQ(reader.CurrentSampleCount(), 1u);
    EXPECT_EQ(le::ReadS32(reader.BlockData()), -70000);

    ASSERT_TRUE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.CurrentBlockHeader().Kind(), BlockKind::DC);
    EXPECT_EQ(reader.CurrentChannelKey(), 256 + 1);
    const unsigned char* rest = reader.BlockData();  // entries 2 and 3, then the three values
    EXPECT_EQ(layout::ChannelEntry::Decode(rest).channelstatus, 3);
    EXPECT_EQ(le::ReadU32(rest + 8), 0x11u);
    EXPECT_EQ(le::ReadU32(rest + 16), 0x33u);
    EXPECT_FALSE(reader.ReadBlockData());  // a DC block has no sample data to read
    ASSERT_TRUE(reader.ReadBlockHeader() && reader.ReadBlockData());
    EXPECT_EQ(reader.CurrentBlockPosition(), 60 + 36);
    EXPECT_EQ(reader.CurrentChannelKey(), 0);
    EXPECT_FALSE(reader.ReadBlockHeader());
    EXPECT_EQ(reader.Walk().end, StreamEnd::Clean);
    EXPECT_EQ(reader.Walk().endPosition, 60 + 36 + 20);
}

// A good block, the case's bad block, then a good block that a sound walk never reaches.
TEST(BlockWalk, StreamEndsAtTheBadBlock) {
    const std::pair<Blocks, StreamEnd> cases[] = {
        {[](RecordingBuilder& b) { b.Samples16({5, 6}, At(12).Size(4)); }, StreamEnd::EmptySampleBlock},
        {[](RecordingBuilder& b) { b.Samples16({5, 6}, At(12).Size(3)); }, StreamEnd::BadSize},
        {[](RecordingBuilder& b) { b.Trigger(Block().Size(0)); }, StreamEnd::BadSize},
        {[](RecordingBuilder& b) { b.DC({{0, 0, 1}, {1, 0, 2}}, Block().Size(6)); }, StreamEnd::CorruptDCBlock},
        {[](RecordingBuilder& b) { b.DC({}, Block().Size(4)); }, StreamEnd::CorruptDCBlock}};
    TempDir dir;
    for (const auto& [bad, end] : cases) {
        RecordingBuilder file;
        bad(file.Header(1).Samples16({1, 2}, At(10)));
        OpenedRecording r(dir, file.Samples16({3, 4}, At(12)));
        EXPECT_EQ(SampleNos(WalkAll(*r.reader)), std::vector<std::uint32_t>{10});
        EXPECT_EQ(r.reader->Walk().end, end) << Describe(r.reader->Walk().end);
        EXPECT_EQ(r.reader->Walk().endPosition, 40);
    }
}

TEST(BlockWalk, BaseAndTriggerFollowTheFirstTakenBlocks) {
    struct Case {
        Blocks blocks;
        std::vector<std::uint32_t> delivered;
        std::uint32_t base, trigger;
        std::uint64_t stale;
    };
    const Case cases[] = {
        {[](RecordingBuilder& b) {
             b.Other(At(5), 12).Samples16({1, 2}, At(1000)).Samples16({3, 4}, At(900)).Other(At(5)).Samples16({5, 6}, At(1002));
         }, {1000, 1002}, 1000, 0, 1},
        {[](RecordingBuilder& b) {
             b.Trigger(At(500), 8).Trigger(At(400)).Samples16({1, 2}, At(1000)).Samples16({1, 2}, At(800));
         }, {1000}, 1000, 500, 1},
        {[](RecordingBuilder& b) { b.DC({{0, 0, 7}}, At(2000)).Samples32({1}, At(1500)).Samples32({1}, At(2000)); },
         {2000, 2000}, 2000, 0, 1}};
    TempDir dir;
    for (const Case& c : cases) {
        RecordingBuilder file;
        c.blocks(file.Header(2));
        OpenedRecording r(dir, file);
        EXPECT_EQ(SampleNos(WalkAll(*r.reader)), c.delivered);
        EXPECT_EQ(r.reader->BaseSampleNumber(), c.base);
        EXPECT_EQ(r.reader->TriggerSampleNo(), c.trigger);
        EXPECT_EQ(r.reader->Walk().staleBlocks, c.stale);
        EXPECT_EQ(r.reader->Walk().end, StreamEnd::Clean);
    }
}

// Cut at every byte, the walk delivers and the scan indexes exactly the complete blocks.
TEST(BlockWalk, TruncationAtEveryByteKeepsTheCompleteBlocks) {
    RecordingBuilder full;
    std::vector<std::size_t> boundaries{full.Header(2).size()};
    const Blocks blocks[] = {
        [](RecordingBuilder& b) { b.Samples16({1, 2, 3, 4}, At(100)); },
        [](RecordingBuilder& b) { b.Trigger(At(102), 8); },
        [](RecordingBuilder& b) { b.DC({{0, 0, 9}, {1, 0, 8}}, At(101)); },
        [](RecordingBuilder& b) { b.Samples32({5, 6}, At(100, 1)); },
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
        std::size_t sampleBlocks = 0;
        for (const Delivered& d : all) {
            auto start = std::find(boundaries.begin(), boundaries.end(), static_cast<std::size_t>(std::get<4>(d)));
            if (start + 1 == boundaries.end() || start[1] > length) continue;
            expected.push_back(d);
            sampleBlocks += std::get<0>(d) == BlockKind::Samples;
        }
        EXPECT_EQ(WalkAll(*cut.reader), expected);
        const std::size_t blockStart = *(std::upper_bound(boundaries.begin(), boundaries.end(), length) - 1);
        const StreamEnd end = blockStart == length ? StreamEnd::Clean
                              : length - blockStart < layout::kBlockFramingLength ? StreamEnd::TruncatedHeader
                                                                                  : StreamEnd::TruncatedData;
        EXPECT_EQ(cut.reader->Walk().end, end);
        EXPECT_EQ(cut.reader->Walk().endPosition, static_cast<std::int64_t>(blockStart));

        OpenedRecording scanned(dir, RecordingBuilder(full).TruncateAt(length), RF_Interleaved);
        ScanAll(*scanned.reader);
        const auto& slots = scanned.reader->ChannelDescs();
        EXPECT_EQ(slots[0].Blocks().size() + slots[1].Blocks().size(), sampleBlocks);
    }
}

TEST(BlockWalk, BlockBufferDoesNotGrowPerBlock) {
    RecordingBuilder file;
    file.Header(1);
    for (std::uint32_t i = 0; i < 300; ++i) file.Samples16(100, Ramp, At(i * 100)).Trigger(At(1), 8);
    TempDir dir;
    OpenedRecording r(dir, file);
    CQVDataRecorderReader& reader = *r.reader;
    ASSERT_TRUE(reader.ReadBlockHeader() && reader.ReadBlockData());
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

// The block walk: what it delivers, where the stream ends, and the base and trigger it notes.
#include <functional>
#include <tuple>

#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

using layout::BlockKind;
using Blocks = std::function<void(RecordingBuilder&)>;
// A delivered block: kind, channel key, SampleNo, sample count (0 for DC).
using Delivered = std::tuple<BlockKind, std::int32_t, std::uint32_t, std::uint32_t>;

// Walks to the end as the tool does: reads each sample block's data, fixes the base.
std::vector<Delivered> WalkAll(CQVDataRecorderReader& reader) {
    std::vector<Delivered> out;
    while (reader.ReadBlockHeader() && out.size() < 1000) {
        const bool isSamples = reader.CurrentBlockHeader().Kind() == BlockKind::Samples;
        if (isSamples && !reader.ReadBlockData()) break;
        reader.FixBaseSampleNumber();
        out.emplace_back(reader.CurrentBlockHeader().Kind(), reader.CurrentChannelKey(),
                         reader.CurrentBlockHeader().SampleNo, isSamples ? reader.CurrentSampleCount() : 0);
    }
    return out;
}

// A good block, the case's bad block, then a good block that a sound walk never reaches.
TEST(Walk, StreamEndsAtTheBadBlock) {
    const std::pair<Blocks, StreamEnd> cases[] = {
        {[](RecordingBuilder& b) { b.Samples16({5, 6}, At(12).Size(4)); }, StreamEnd::EmptySampleBlock},
        {[](RecordingBuilder& b) { b.Samples16({5, 6}, At(12).Size(3)); }, StreamEnd::BadSize},
        {[](RecordingBuilder& b) { b.Trigger(Block().Size(0)); }, StreamEnd::BadSize},
        {[](RecordingBuilder& b) { b.DC({}, At(12).Size(5)); }, StreamEnd::EmptyDCBlock}};
    TempDir dir;
    for (const auto& [bad, end] : cases) {
        RecordingBuilder file;
        bad(file.Header(1).Samples16({1, 2}, At(10)));
        OpenedRecording r(dir, file.Samples16({3, 4}, At(12)));
        EXPECT_EQ(WalkAll(*r.reader), (std::vector<Delivered>{{BlockKind::Samples, 0, 10, 2}}));
        EXPECT_EQ(r->Walk().end, end) << Describe(r->Walk().end);
        EXPECT_EQ(r->Walk().endPosition, 40);
    }
}

// A DC block fixes the base as a sample block does; sample blocks below it are skipped, other
// kinds passed over; only the first trigger counts.
TEST(Walk, BaseAndTriggerFollowTheFirstTakenBlocks) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(2).Other(At(5), 12).Trigger(At(500), 8).DC({{0, 0, 7}}, At(2000))
                               .Samples32({1}, At(1500)).Trigger(At(400)).Samples32({1}, At(2000)).Other(At(5)));
    EXPECT_EQ(WalkAll(*r.reader), (std::vector<Delivered>{{BlockKind::DC, 0, 2000, 0}, {BlockKind::Samples, 0, 2000, 1}}));
    EXPECT_EQ(std::make_tuple(r->BaseSampleNumber(), r->TriggerSampleNo(), r->Walk().staleBlocks, r->Walk().end),
              std::make_tuple(2000u, 500u, 1u, StreamEnd::Clean));
}

// Cut at every byte, the walk delivers and the scan indexes exactly the complete blocks.
TEST(Walk, TruncationAtEveryByteKeepsTheCompleteBlocks) {
    struct Step { Blocks add; bool delivered; };
    const Step steps[] = {
        {[](RecordingBuilder& b) { b.Samples16({1, 2, 3, 4}, At(100)); }, true},
        {[](RecordingBuilder& b) { b.Trigger(At(102), 8); }, false},
        {[](RecordingBuilder& b) { b.DC({{0, 0, 9}, {1, 0, 8}}, At(101)); }, true},  // 28 bytes
        {[](RecordingBuilder& b) { b.Samples32({5, 6}, At(100, 1)); }, true},
        {[](RecordingBuilder& b) { b.Other(At(0), 4); }, false},
        {[](RecordingBuilder& b) { b.Samples16({7, 8}, At(104)); }, true}};
    RecordingBuilder full;
    std::vector<std::size_t> ends{full.Header(2).size()};  // where the header and each block end
    for (const Step& step : steps) {
        step.add(full);
        ends.push_back(full.size());
    }
    TempDir dir;
    OpenedRecording whole(dir, full);
    const std::vector<Delivered> all = WalkAll(*whole.reader);
    ASSERT_EQ(all, (std::vector<Delivered>{{BlockKind::Samples, 0, 100, 4}, {BlockKind::DC, 0, 101, 0},
                                           {BlockKind::Samples, 1, 100, 2}, {BlockKind::Samples, 0, 104, 2}}));

    for (std::size_t length = ends.front(); length <= full.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        std::size_t complete = 0, delivered = 0, blockStart = ends.front();
        for (; complete < std::size(steps) && ends[complete + 1] <= length; ++complete) {
            delivered += steps[complete].delivered;
            blockStart = ends[complete + 1];
        }
        OpenedRecording cut(dir, RecordingBuilder(full).TruncateAt(length));
        EXPECT_EQ(WalkAll(*cut.reader), std::vector<Delivered>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(delivered)));
        const std::size_t rest = length - blockStart;
        EXPECT_EQ(cut->Walk().end, rest == 0 ? StreamEnd::Clean
                                   : rest < layout::kBlockFramingLength ? StreamEnd::TruncatedHeader
                                                                        : StreamEnd::TruncatedData);
        EXPECT_EQ(cut->Walk().endPosition, static_cast<std::int64_t>(blockStart));

        OpenedRecording scanned(dir, RecordingBuilder(full).TruncateAt(length));
        scanned.Scan();
        EXPECT_EQ(scanned.Samples(1).size(), complete >= 6 ? 6u : complete >= 1 ? 4u : 0u);
        EXPECT_EQ(scanned.Samples(2).size(), complete >= 4 ? 2u : 0u);
        EXPECT_EQ(scanned.DCPairs().size(), complete >= 3 ? 2u : 0u);
    }
}

}  // namespace
}  // namespace tarn::test

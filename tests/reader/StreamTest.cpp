// The recording's layout, the start of a file, the block walk and the min/max reduction.
#include <algorithm>
#include <functional>
#include <tuple>

#include "format/LittleEndian.h"
#include "reader/CompressBlockMinMax.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

using layout::BlockKind;
using layout::FileHeader;

// Every header field at its offset, low byte first, and the encoding gives the bytes back.
TEST(Layout, BlockFieldsSitAtTheirOffsets) {
    const unsigned char bytes[layout::kBlockFramingLength] = {0x34, 0x12, 0x06, 0x07, 0x78, 0x56, 0x34, 0x12,
                                                     0x09, 0x0A, 0x02, 0x01, 0x05, 0x00, 0xFF, 0x01};
    const layout::BlockHeader h = layout::BlockHeader::Decode(bytes);
    const layout::ChannelEntry e = layout::ChannelEntry::Decode(bytes + layout::kBlockHeaderLength);
    EXPECT_EQ(std::make_tuple(h.Size, h.Kind(), h.Is32Bit(), h.Decimations, h.SampleNo, h.NoOfChannels, h.BlockStatus,
                              h.FE_Frame_ID, e.ID, e.channelstatus),
              std::make_tuple(0x1234, BlockKind::DC, true, 7, 0x12345678u, 9, 10, 0x0102, 5, 0x01FF));
    EXPECT_EQ(layout::ChannelKey(h.FE_Frame_ID, e.ID), 0x0102 * 256 + 5);
    EXPECT_EQ(le::ReadU64(bytes), 0x1234567807061234ull);
    EXPECT_EQ(le::ReadS16(bytes + 14), 0x01FF);
    unsigned char again[layout::kBlockFramingLength];
    h.Encode(again);
    e.Encode(again + layout::kBlockHeaderLength);
    EXPECT_TRUE(std::equal(bytes, bytes + sizeof bytes, again));
    // A DC block is walked by its entries whatever its Size says.
    EXPECT_EQ(h.WalkLength(), 12u + 8 * 9);
}

TEST(FileStart, AcceptsOrRejects) {
    const char text[] = "\n[SETUP START]\nX=1\n[SETUP STOP]\n";
    const std::uint32_t magic = layout::kFileHeaderMagic;
    struct Case { RecordingBuilder file; FileStartError error; std::int32_t channels = 0; };
    const Case cases[] = {
        {RecordingBuilder().Header(2), FileStartError::None, 2},
        {RecordingBuilder().Header(FileHeader{magic, 1, 1, 1, 2}), FileStartError::HeaderField2WithoutSetup},
        {RecordingBuilder().Setup(text).Header(FileHeader{magic, 1, 1, 1, 3}), FileStartError::None, 3},
        {RecordingBuilder().Header(FileHeader{0x0001BEC0, 1, 0, 1, 2}), FileStartError::BadMagic},  // a 32-bit magic
        {RecordingBuilder().Setup("", 7).Header(1), FileStartError::BadSetupChunkSize},
        {RecordingBuilder().Setup("", 0xFFFFFFF0u).Header(1), FileStartError::SetupChunkPastEnd},
        {RecordingBuilder().Setup("", 20).Header(1), FileStartError::TruncatedFileHeader},
        {RecordingBuilder().Header(0), FileStartError::NoChannels},
        {RecordingBuilder().Header(65536), FileStartError::None, 65536},
        {RecordingBuilder().Header(65537), FileStartError::TooManyChannels}};
    TempDir dir;
    for (const Case& c : cases) {
        OpenedRecording r(dir, c.file);
        EXPECT_EQ(r->StartError(), c.error) << r.path << ": " << Describe(r->StartError());
        EXPECT_EQ(r->EndOfData(), c.error != FileStartError::None);
        EXPECT_EQ(r->NumberOfChannels(), c.channels);
    }
}

TEST(FileStart, EveryShortFileIsRejected) {
    TempDir dir;
    const std::string body("\n[SETUP START]\n[SETUP STOP]\n[RECFileInfoSection]\n\0\1binary", 52);
    for (const RecordingBuilder& full : {RecordingBuilder().Setup(body).Header(2), RecordingBuilder().Header(2)})
        for (std::size_t length = 0; length <= full.size(); ++length)
            EXPECT_EQ(OpenedRecording(dir, RecordingBuilder(full).TruncateAt(length))->EndOfData(), length < full.size())
                << "length " << length;
}

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

// Buckets of about 50 samples, each giving its minimum and maximum: 101 samples end their buckets
// at 33, 67 and 101; the single-precision width alone would leave the last sample of 504 in no
// bucket. Blocks long enough for the vectorised loops and short ones, both widths.
TEST(Reduction, GivesEachBucketsMinAndMax) {
    using Case = std::tuple<std::uint32_t, bool, std::int32_t, std::vector<std::int32_t>>;  // n, 32-bit, offset, values
    const Case cases[] = {{1, false, -7, {-7, -7}}, {4, false, -32768, {-32768, -32765}}, {100, true, 0, {0, 49, 50, 99}},
                          {101, false, 0, {0, 32, 33, 66, 67, 100}}, {101, true, -70000, {-70000, -69968, -69967, -69934, -69933, -69900}}};
    for (const auto& [n, is32Bit, offset, expected] : cases) {
        RecordingBuilder block;
        const auto ramp = [offset = offset](std::uint32_t i) { return offset + Ramp(i); };
        is32Bit ? block.Samples32(n, ramp, Block().Size(1)) : block.Samples16(n, ramp, Block().Size(1));  // any n
        std::vector<std::int32_t> values;
        AppendMinMax(block.bytes().data() + layout::kBlockFramingLength, n, is32Bit, values);
        EXPECT_EQ(values, expected) << n;
    }
    RecordingBuilder block;
    block.Samples16(504, [](std::uint32_t i) { return i == 503 ? 30000 : 0; });
    std::vector<std::int32_t> values;
    AppendMinMax(block.bytes().data() + layout::kBlockFramingLength, 504, false, values);
    EXPECT_EQ(std::vector<std::int32_t>(values.end() - 2, values.end()), (std::vector<std::int32_t>{0, 30000}));
}

// The baseline loops and the widest ones the processor runs (AVX2 where it has it) against a
// plain loop: bucket lengths around the vector widths, extremes in every lane of a loop and of
// its overlapping tail, blocks of more buckets than are tabulated, both sample widths, and
// 16-bit samples into 16-bit values.
TEST(Reduction, EveryBuildOfTheLoopsAgreesWithAPlainLoop) {
    const auto plain = [](std::uint32_t n, const std::function<std::int32_t(std::uint32_t)>& value) {
        const MinMaxBuckets buckets(n);
        std::vector<std::int32_t> pairs;
        for (std::uint32_t b = 1, j = 0; b <= buckets.count; j = buckets.End(b++)) {
            std::int32_t lo = INT32_MAX, hi = INT32_MIN;
            for (std::uint32_t i = j; i < buckets.End(b); ++i) lo = std::min(lo, value(i)), hi = std::max(hi, value(i));
            pairs.insert(pairs.end(), {lo, hi});
        }
        return pairs;
    };
    const auto scattered = [](std::uint32_t i) { return static_cast<std::int32_t>(i * 7919u % 65536u) - 32768; };
    for (const Reductions* build : {&kBaselineReductions, &ChosenReductions()}) {
        // Sample width in bits, and whether the values are 16-bit too.
        for (const auto& kind : {std::pair{16, false}, {32, false}, {16, true}}) {
            const bool is32Bit = kind.first == 32, narrowValues = kind.second;
            const auto check = [&](std::uint32_t n, const std::function<std::int32_t(std::uint32_t)>& value) {
                RecordingBuilder block;
                const auto wide = [&](std::uint32_t i) { return is32Bit ? value(i) * 65535 : value(i); };
                is32Bit ? block.Samples32(n, wide, Block().Size(1)) : block.Samples16(n, value, Block().Size(1));
                const unsigned char* data = block.bytes().data() + layout::kBlockFramingLength;
                std::vector<std::int32_t> values(2 * MinMaxBuckets(n).count);
                if (narrowValues) {
                    std::vector<std::int16_t> narrow(values.size());
                    narrow.resize(static_cast<std::size_t>(build->narrow(data, TabulatedBuckets(n), narrow.data()) -
                                                           narrow.data()));
                    values.assign(narrow.begin(), narrow.end());
                } else {
                    values.resize(static_cast<std::size_t>(build->wide(data, TabulatedBuckets(n), is32Bit, values.data()) -
                                                           values.data()));
                }
                EXPECT_EQ(values, plain(n, wide)) << n << " width " << kind.first << (narrowValues ? " into 16" : "");
            };
            for (const std::uint32_t n : {7u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 48u, 49u, 1024u, 2000u, 5000u}) check(n, scattered);
            for (std::uint32_t at = 0; at < 49; ++at)
                check(49, [at](std::uint32_t i) { return i == at ? -5 : i == (at + 13) % 49 ? 7 : 0; });
        }
    }
}

}  // namespace
}  // namespace tarn::test

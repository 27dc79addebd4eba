#include <gtest/gtest.h>

#include <algorithm>

#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"

namespace tarn::layout {
namespace {

// Every header field at its offset, low byte first, and the encoding gives the bytes back.
TEST(RecordingLayout, BlockHeaderFieldsSitAtTheirOffsets) {
    const unsigned char bytes[kBlockFramingLength] = {0x34, 0x12, 0x06, 0x07, 0x78, 0x56, 0x34, 0x12,
                                                     0x09, 0x0A, 0x02, 0x01, 0x05, 0x00, 0xFF, 0x01};
    const BlockHeader h = BlockHeader::Decode(bytes);
    EXPECT_EQ(h.Size, 0x1234);
    EXPECT_EQ(h.Kind(), BlockKind::DC);
    EXPECT_TRUE(h.Is32Bit());
    EXPECT_EQ(h.Decimations, 7);
    EXPECT_EQ(h.SampleNo, 0x12345678u);
    EXPECT_EQ(h.NoOfChannels, 9);
    EXPECT_EQ(h.BlockStatus, 10);
    EXPECT_EQ(h.FE_Frame_ID, 0x0102);
    const ChannelEntry e = ChannelEntry::Decode(bytes + kBlockHeaderLength);
    EXPECT_EQ(e.channelstatus, 0x01FF);
    EXPECT_EQ(ChannelKey(h.FE_Frame_ID, e.ID), 0x0102 * 256 + 5);
    EXPECT_EQ(le::ReadS32(bytes + 12), 0x01FF0005);
    EXPECT_EQ(le::ReadU64(bytes), 0x1234567807061234ull);
    const unsigned char minusTwo[2] = {0xFE, 0xFF};
    EXPECT_EQ(le::ReadS16(minusTwo), -2);

    unsigned char again[kBlockFramingLength];
    h.Encode(again);
    e.Encode(again + kBlockHeaderLength);
    EXPECT_TRUE(std::equal(bytes, bytes + sizeof bytes, again));
}

TEST(RecordingLayout, SampleBlockSizeAcceptsOnlyWholeBlocks) {
    struct Case { std::uint32_t count; bool is32; std::uint16_t size; };
    const Case cases[] = {{2, false, 5}, {1, true, 5}, {0, true, 0}, {3, false, 0},
                          {131062, false, 0xFFFF}, {131064, false, 0}, {65531, true, 0xFFFF}, {65532, true, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(SampleBlockSize(c.count, c.is32), c.size) << c.count << (c.is32 ? " x32" : " x16");
    EXPECT_EQ(DCBlockHeader(0, 3).ByteLength(), 36u);
}

}  // namespace
}  // namespace tarn::layout

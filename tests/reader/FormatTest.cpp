// The recording's layout: field offsets, block sizes, and which starts of a file are accepted.
#include <algorithm>

#include "format/LittleEndian.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

using namespace layout;

// Every header field at its offset, low byte first, and the encoding gives the bytes back.
TEST(Layout, BlockFieldsSitAtTheirOffsets) {
    const unsigned char bytes[kBlockFramingLength] = {0x34, 0x12, 0x06, 0x07, 0x78, 0x56, 0x34, 0x12,
                                                     0x09, 0x0A, 0x02, 0x01, 0x05, 0x00, 0xFF, 0x01};
    const BlockHeader h = BlockHeader::Decode(bytes);
    const ChannelEntry e = ChannelEntry::Decode(bytes + kBlockHeaderLength);
    EXPECT_EQ(std::make_tuple(h.Size, h.Kind(), h.Is32Bit(), h.Decimations, h.SampleNo, h.NoOfChannels, h.BlockStatus,
                              h.FE_Frame_ID, e.ID, e.channelstatus),
              std::make_tuple(0x1234, BlockKind::DC, true, 7, 0x12345678u, 9, 10, 0x0102, 5, 0x01FF));
    EXPECT_EQ(ChannelKey(h.FE_Frame_ID, e.ID), 0x0102 * 256 + 5);
    EXPECT_EQ(le::ReadU64(bytes), 0x1234567807061234ull);
    EXPECT_EQ(le::ReadS16(bytes + 14), 0x01FF);
    unsigned char again[kBlockFramingLength];
    h.Encode(again);
    e.Encode(again + kBlockHeaderLength);
    EXPECT_TRUE(std::equal(bytes, bytes + sizeof bytes, again));
    // A DC block is walked by its entries whatever its Size says.
    EXPECT_EQ(h.WalkLength(), 12u + 8 * 9);
}

TEST(FileStart, AcceptsOrRejects) {
    const char text[] = "\n[SETUP START]\nX=1\n[SETUP STOP]\n";
    const std::uint32_t magic = kFileHeaderMagic;
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

TEST(FileStart, SetupTextIsTheWholeBodyAndEveryShortFileIsRejected) {
    TempDir dir;
    const std::string body("\n[SETUP START]\n[SETUP STOP]\n[RECFileInfoSection]\n\0\1binary", 52);
    OpenedRecording r(dir, RecordingBuilder().Setup(body).Header(3));
    ASSERT_NE(r->SetupText(), nullptr);
    EXPECT_EQ(std::string(r->SetupText(), r->SetupTextLength() + 1), body + '\0');
    EXPECT_EQ(OpenedRecording(dir, RecordingBuilder().Header(3))->SetupText(), nullptr);
    for (const RecordingBuilder& full : {RecordingBuilder().Setup(body).Header(2), RecordingBuilder().Header(2)})
        for (std::size_t length = 0; length <= full.size(); ++length)
            EXPECT_EQ(OpenedRecording(dir, RecordingBuilder(full).TruncateAt(length))->EndOfData(), length < full.size())
                << "length " << length;
}

}  // namespace
}  // namespace tarn::test

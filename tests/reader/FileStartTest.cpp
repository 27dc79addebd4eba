#include <gtest/gtest.h>

#include <limits>

#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

const char kText[] = "\n[SETUP START]\nX=1\n[SETUP STOP]\n";
const std::uint32_t kMagic = layout::kFileHeaderMagic;

layout::FileHeader HeaderWith(std::uint32_t magic, std::uint32_t field2, std::uint32_t channels) {
    layout::FileHeader h;
    h.Magic = magic;
    h.HeaderField2 = field2;
    h.NumberOfChannels = channels;
    return h;
}

TEST(FileStart, AcceptsOrRejects) {
    struct Case { RecordingBuilder file; FileStartError error; std::int64_t streamStart; };  // None: accepted
    const Case cases[] = {
        {RecordingBuilder().Header(2), FileStartError::None, 20},
        {RecordingBuilder().Header(HeaderWith(kMagic, 1, 2)), FileStartError::HeaderField2WithoutSetup, 0},
        {RecordingBuilder().Setup(kText).Header(HeaderWith(kMagic, 1, 2)), FileStartError::None, 8 + sizeof kText - 1 + 20},
        {RecordingBuilder().Header(HeaderWith(0x0001BEC0, 0, 2)), FileStartError::BadMagic, 0},  // the magic is 32 bits
        {RecordingBuilder().Setup("", 7).Header(1), FileStartError::BadSetupChunkSize, 0},
        {RecordingBuilder().Setup("", 0xFFFFFFF0u).Header(1), FileStartError::SetupChunkPastEnd, 0},
        {RecordingBuilder().Setup("", 20).Header(1), FileStartError::TruncatedFileHeader, 0},
        {RecordingBuilder().Header(0), FileStartError::NoChannels, 0},
        {RecordingBuilder().Header(65536), FileStartError::None, 20},
        {RecordingBuilder().Header(65537), FileStartError::TooManyChannels, 0},
        {RecordingBuilder().Header(0xFFFFFFFFu), FileStartError::TooManyChannels, 0}};
    TempDir dir;
    for (const Case& c : cases) {
        OpenedRecording r(dir, c.file);
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.reader->StartError(), c.error) << Describe(r.reader->StartError());
        const bool accepted = c.error == FileStartError::None;
        EXPECT_EQ(r.reader->EndOfData(), !accepted);
        EXPECT_EQ(r.reader->FormatMarker(), accepted ? 2 : c.error == FileStartError::HeaderField2WithoutSetup ? 1 : 0);
        EXPECT_EQ(accepted ? r.reader->Position() : r.reader->NumberOfChannels(), accepted ? c.streamStart : 0);
    }
}

TEST(FileStartText, SetupTextIsTheWholeBodyZeroTerminated) {
    TempDir dir;
    const std::string body("\n[SETUP START]\n[SETUP STOP]\n[RECFileInfoSection]\n\0\1binary", 52);
    OpenedRecording r(dir, RecordingBuilder().Setup(body).Header(3));
    ASSERT_NE(r.reader->SetupText(), nullptr);
    EXPECT_EQ(std::string(r.reader->SetupText(), r.reader->SetupTextLength()), body);
    EXPECT_EQ(r.reader->SetupText()[body.size()], '\0');
    OpenedRecording none(dir, RecordingBuilder().Header(3));
    EXPECT_EQ(none.reader->SetupText(), nullptr);
}

TEST(FileStartText, EveryShortFileIsRejected) {
    TempDir dir;
    for (const RecordingBuilder& full : {RecordingBuilder().Setup(kText).Header(2), RecordingBuilder().Header(2)}) {
        for (std::size_t length = 0; length <= full.size(); ++length) {
            OpenedRecording r(dir, RecordingBuilder(full).TruncateAt(length));
            EXPECT_EQ(r.reader->EndOfData(), length < full.size()) << "length " << length;
        }
    }
}

TEST(FileStartTables, CompressedReserveUsesTheSinglePrecisionFactor) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(3).Samples16(1000, [](std::uint32_t i) { return i; }));
    EXPECT_EQ(r.reader->CompressedReserve(), CompressedReserveFor(2036, 3));
    EXPECT_EQ(r.reader->OverrunFlags(), std::vector<std::uint8_t>(3, 0));
    EXPECT_GE(r.reader->MinMaxScratchCapacity(), 81u);
    EXPECT_EQ(CompressedReserveFor(10000, 2), 110u);
    EXPECT_EQ(CompressedReserveFor(49, 1), 0u);
    // 42,000,009 x 1.1 is 46,200,009.9; the float constant 1.1f adds about one more.
    EXPECT_EQ(CompressedReserveFor(42000009ull * 50, 1), 46200010u);
    EXPECT_EQ(CompressedReserveFor(std::numeric_limits<std::uint64_t>::max(), 1),
              std::numeric_limits<std::uint32_t>::max());
}

}  // namespace
}  // namespace tarn::test

// The scan: the per-channel index, overruns, blocks of no channel, resuming and rescanning.
#include "tests/debug/TraceTestFixture.h"
#include "tests/reader/ReaderFixture.h"

namespace tarn::test {
namespace {

class Scan : public TraceTest {
protected:
    void SetUp() override {
        TraceTest::SetUp();
        WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0\nFileFunctionLineInTrace=0");
    }
    TempDir m_Dir;
};

TEST_F(Scan, IndexesEachChannelFromTheBase) {
    OpenedRecording r(m_Dir, RecordingBuilder().Header(2).Samples16(500, Ramp, At(1000)).Samples16(500, Ramp, At(1000, 1))
                                 .Samples16(500, Ramp, At(1500)).Samples16(500, Ramp, At(1500, 1)));
    const std::size_t creation = Lines().size();
    r.Scan();
    EXPECT_EQ(r->BaseSampleNumber(), 1000u);
    std::vector<std::int32_t> expected(1000);
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<std::int32_t>(i % 500);
    EXPECT_EQ(r.Samples(1), expected);
    EXPECT_EQ(r.Samples(2, 499, 502), (std::vector<std::int32_t>{499, 0, 1}));
    EXPECT_EQ(std::make_pair(r->GetFirstSampleNumber(), r->GetLastSampleNumber()), std::make_pair(0, 1000));
    EXPECT_FALSE(r->IsOverrunLatched(1) || r->MetGap(1) || r->IsOverrunLatched(2) || r->MetGap(2));
    EXPECT_EQ(Lines().size(), creation);  // no block out of sequence
}

// Channel 2's blocks of 2 samples at these SampleNos (channel 1 has none): a block that does not
// follow the one before is traced; one that starts later latches the overrun once a later block
// of the channel shows up. A single lost sample counts.
TEST_F(Scan, OverrunLatchesOnTheChannelsNextBlock) {
    struct Case {
        std::vector<std::uint32_t> starts;
        bool latched, gap;
        std::vector<std::string> traces;
    };
    const std::string lost = "Channel 1 Block starting withe sample ";
    const Case cases[] = {
        {{100, 102, 104}, false, false, {}},
        {{100, 103, 105}, true, true, {lost + "2 not found next block is 3\r\n"}},
        {{100, 102, 105}, false, true, {lost + "4 not found next block is 5\r\n"}},
        {{100, 101, 103}, false, false, {lost + "2 not found next block is 1\r\n"}},  // early: nothing lost
        {{100, 700, 702}, true, true, {lost + "2 not found next block is 600\r\n"}}};
    for (const Case& c : cases) {
        RecordingBuilder file;
        file.Header(2);
        for (std::uint32_t start : c.starts) file.Samples16({1, 2}, At(start, 1));
        OpenedRecording r(m_Dir, file);
        const auto creation = static_cast<std::ptrdiff_t>(Lines().size());
        r.Scan();
        EXPECT_EQ(std::make_pair(r->IsOverrunLatched(2), r->MetGap(2)), std::make_pair(c.latched, c.gap)) << c.starts[1];
        EXPECT_FALSE(r->IsOverrunLatched(1) || r->MetGap(1));
        const std::vector<std::string> lines = Lines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + creation, lines.end()), c.traces);
    }
}

// The descriptors trace their min/max cache when created and destroyed, under their own names.
TEST_F(Scan, DescriptorTracesNameTheConstructorAndDestructor) {
    WriteConfig("Level=1\nKeywords=TARN\nKeywordInTrace=0");
    OpenedRecording(m_Dir, RecordingBuilder().Header(1));
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 9u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find(i < 3 ? "\\CChannelDesc::CChannelDesc(" : "\\CChannelDesc::~CChannelDesc("),
                  std::string::npos) << lines[i];
    EXPECT_EQ(lines[0].rfind("m_CompressedSamples.max_size() = 1073741823    Origin: ", 0), 0u);
}

// The range every channel has, as far as the scan got; blocks of keys beyond the channels
// belong to none and change nothing.
TEST(ScanSlots, FirstAndLastSampleNumberOverTheChannelsWithBlocks) {
    TempDir dir;
    OpenedRecording r(dir, RecordingBuilder().Header(3).Samples16(8, Ramp, At(100, 2)).Samples16(4, Ramp, At(102, 1))
                               .Samples16(100, Ramp, At(100, 7)).Samples16(2, Ramp, At(300, 3)));
    const auto range = [&r] { return std::pair{r->GetFirstSampleNumber(), r->GetLastSampleNumber()}; };
    EXPECT_EQ(range(), std::pair(0, 0));
    for (const auto& expected : {std::pair(0, 8), std::pair(2, 6), std::pair(2, 6), std::pair(2, 6)}) {
        ASSERT_TRUE(r->ScanFile());
        EXPECT_EQ(range(), expected);
    }
    EXPECT_TRUE(r.Samples(4).empty());
}

// Everything retrieval sees of a scanned recording.
std::vector<std::int32_t> Observed(OpenedRecording& r) {
    std::vector<std::int32_t> out = r.DCPairs();
    for (std::int32_t channel : {1, 2}) {
        const std::vector<std::int32_t> samples = r.Samples(channel);
        out.insert(out.end(), samples.begin(), samples.end());
        out.push_back(r->MetGap(channel));
    }
    out.push_back(r->GetLastSampleNumber());
    return out;
}

// Retrieval between scan steps, and anything else that moves the shared stream, must not make
// the scan index a block twice or skip one; a reset scan builds the same index again.
TEST(ScanResume, InterruptedStepsBuildTheSameIndex) {
    RecordingBuilder file;
    file.Header(2).Trigger(At(5), 8);
    for (std::uint32_t i = 0; i < 20; ++i)
        file.Samples16(6, Ramp, At(1000 + 6 * i)).Other(At(0), 4).Samples32(3, Ramp, At(1000 + 3 * i + i / 10, 1));
    file.DC({{0, 0, 1}}, At(1010)).Samples16(6, Ramp, At(900));
    TempDir dir;
    OpenedRecording whole(dir, file);
    const std::vector<std::int32_t> expected = Observed(whole.Scan());
    ASSERT_EQ(expected.size(), 2 + 121 + 31 + 1u);  // channel 2 up to its gap

    OpenedRecording r(dir, file);
    std::vector<std::int16_t> out(64);
    for (std::size_t steps = 0; r->ScanFile();) {
        ASSERT_LT(++steps, 100u);
        r->CopySamples16(1, 0, 40, out.data());
        r->OverloadStatusInRange(2, 0, 10);
        if (steps % 3 == 0) r.file.Seek(0);
        if (steps % 3 == 1) r->ReadBlockHeader();
    }
    EXPECT_EQ(Observed(r), expected);
    r->ResetScan();
    EXPECT_TRUE(r.Samples(1).empty());
    EXPECT_EQ(Observed(r.Scan()), expected);
}

}  // namespace
}  // namespace tarn::test

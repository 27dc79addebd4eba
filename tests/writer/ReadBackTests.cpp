// What the writer writes, read back by the reader and the setup parser.
#include "reader/CQVDataRecorderReader.h"
#include "setup/RECInfoSection.h"
#include "tests/setup/SetupTestText.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

// Channel 1 16-bit, channel 2 32-bit; blocks of 512, 2 and 1024 samples from sample 5000, one per
// channel a round, each round followed by a DC block on the recorder's count; an overload status
// in channel 1's second block.
TEST(WriterReadBack, WhatTheWriterWritesReadsBack) {
    const std::int32_t rounds[] = {512, 2, 1024}, total = 1538;
    std::vector<std::int32_t> values[2];
    for (std::int32_t i = 0; i < total; ++i) {
        values[0].push_back((i * 37) % 30000 - 15000);
        values[1].push_back(((i * 37) % 30000 - 15000) * 65536 + i);
    }
    TempDir dir;
    WrittenFile f(dir, "recording.dat");
    const Bytes recInfo = Pattern(1234);
    ASSERT_EQ(f->SetNumberOfChannels(2), Ok);
    ASSERT_EQ(f->SetParameter(u"SignalName", 2, u"Force"), Ok);
    ASSERT_EQ(f->SetRECInfo(platform::FileNameToWide(dir.write("set.REC", recInfo))), Ok);
    ASSERT_EQ(f->WriteSetupSection(), Ok);
    ASSERT_EQ(f->InitializeBinaryDataSection(5000), Ok);
    for (std::int32_t r = 0, done = 0; r < 3; done += rounds[r++]) {
        for (std::size_t k = 0; k < 2; ++k) {
            const Bytes data = SampleBytes({values[k].begin() + done, values[k].begin() + done + rounds[r]}, k == 1);
            ASSERT_EQ(k == 1 ? f->Create32bitBinaryDataBlock(2, rounds[r], data.data())
                             : f->CreateBinaryDataBlockWithOverloadStatus(1, rounds[r], data.data(), r == 1 ? 5 : 0),
                      Ok);
        }
        ASSERT_EQ(f->CreateDCChannelBlock(20, Data(DCBlock(90000 + static_cast<std::uint32_t>(done), 1))), Ok);
    }
    ASSERT_TRUE(f->CloseStream());

    platform::File file;
    ASSERT_TRUE(file.Open(f.m_Path, platform::File::Mode::Read));
    CQVDataRecorderReader reader(file, f.m_Path);
    ASSERT_EQ(reader.NumberOfChannels(), 2) << Describe(reader.StartError());
    CParamList store;
    ASSERT_TRUE(store.Init(3));
    ASSERT_TRUE(store.ParseSetupSection(std::string_view(reader.SetupText(), reader.SetupTextLength())));
    EXPECT_EQ(Param(store, 2, "SignalName"), u"Force");
    // The REC info where the setup text says it is.
    const std::u16string pos = *Param(store, 0, "RECInfoSectionPos");
    BYTE* block = nullptr;
    ASSERT_EQ(ReadRECInfoSection(file, std::stoi(std::string(pos.begin(), pos.end())), 1234, block), RECInfoStatus::Ok);
    EXPECT_EQ(Bytes(block, block + 1234), recInfo);
    CoTaskMemFree(block);

    reader.CreateChannelDescs(RF_Interleaved);
    while (reader.ScanFile()) {
    }
    EXPECT_EQ(reader.Walk().end, StreamEnd::Clean);
    for (std::int32_t k = 1; k <= 2; ++k) {
        std::vector<std::int32_t> samples(total);
        ASSERT_EQ(reader.CopySamples32(k, 0, total, samples.data()), total - 1);
        EXPECT_EQ(samples, values[k - 1]);
        EXPECT_FALSE(reader.MetGap(k));
        EXPECT_EQ(reader.OverloadStatusInRange(k, 500, total), k == 1 ? 5 : 0);
    }
    // The DC blocks, moved onto the writer's count.
    std::vector<std::int32_t> pairs;
    reader.DCChannelIndexes(0, total, pairs);
    EXPECT_EQ(pairs, (std::vector<std::int32_t>{0, 0, 0, 1, 0, 2}));
    std::string dc(20, '\0');
    ASSERT_TRUE(reader.ReadDCBlock(0, 2, reinterpret_cast<std::uint8_t*>(dc.data())));
    EXPECT_EQ(dc, DCBlock(5000 + 514, 1));
}

}  // namespace
}  // namespace tarn::test

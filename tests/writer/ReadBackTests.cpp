// What the writer writes, read back by the reader and the setup parser.
#include <functional>

#include "reader/CQVDataRecorderReader.h"
#include "setup/RECInfoSection.h"
#include "tests/setup/SetupTestText.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

constexpr std::uint32_t kFirstSample = 5000;
constexpr std::int32_t kRounds[] = {512, 2, 1024};  // samples per block; one block per channel a round
constexpr std::int32_t kTotal = 512 + 2 + 1024;
constexpr std::uint8_t kOverload = 0x05;             // channel 1, second round

std::vector<std::int32_t> Values(std::int32_t channel, bool is32Bit) {
    std::vector<std::int32_t> v;
    for (std::int32_t i = 0; i < kTotal; ++i) {
        const std::int32_t x = (i * 37 + channel * 1000) % 30000 - 15000;
        v.push_back(is32Bit ? x * 65536 + channel : x);
    }
    return v;
}

std::u16string Number(std::int32_t n) { return platform::AnsiToWide(std::to_string(n)); }

// A recording with REC info, sample blocks of every channel (32-bit where is32 says so), an
// overload status and DC blocks.
void WriteAndReadBack(const TempDir& dir, std::int32_t channels, const std::function<bool(std::int32_t)>& is32) {
    WrittenFile f(dir, "recording" + std::to_string(channels) + ".dat");
    const Bytes recInfo = Pattern(1234);
    ASSERT_EQ(f->SetNumberOfChannels(channels), Ok);
    ASSERT_EQ(f->SetParameter(u"SampleFrequency", 0, u"48000"), Ok);
    for (std::int32_t k = 1; k <= channels; ++k) ASSERT_EQ(f->SetParameter(u"SignalName", k, u"S" + Number(k)), Ok);
    ASSERT_EQ(f->SetRECInfo(platform::FileNameToWide(dir.write("set.REC", recInfo))), Ok);
    ASSERT_EQ(f->WriteSetupSection(), Ok);
    ASSERT_EQ(f->InitializeBinaryDataSection(kFirstSample), Ok);
    for (std::int32_t r = 0, done = 0; r < 3; done += kRounds[r++]) {
        for (std::int32_t k = 1; k <= channels; ++k) {
            const std::vector<std::int32_t> all = Values(k, is32(k));
            const Bytes data = SampleBytes({all.begin() + done, all.begin() + done + kRounds[r]}, is32(k));
            const std::uint8_t overload = k == 1 && r == 1 ? kOverload : 0;
            ASSERT_EQ(is32(k) ? f->Create32bitBinaryDataBlockWithOverloadStatus(k, kRounds[r], data.data(), overload)
                              : f->CreateBinaryDataBlockWithOverloadStatus(k, kRounds[r], data.data(), overload),
                      Ok);
        }
        // DC blocks on the recorder's count, moved onto the writer's on the way.
        const Bytes dc = DCBlock(90000 + static_cast<std::uint32_t>(done), 1, static_cast<std::uint32_t>(r));
        ASSERT_EQ(f->CreateDCChannelBlock(20, dc.data()), Ok);
    }
    ASSERT_TRUE(f->CloseStream());

    platform::File file;
    ASSERT_TRUE(file.Open(f.m_Path, platform::File::Mode::Read));
    CQVDataRecorderReader reader(file, f.m_Path);
    ASSERT_EQ(reader.NumberOfChannels(), channels) << Describe(reader.StartError());
    CParamList store;
    ASSERT_TRUE(store.Init(channels + 1));
    ASSERT_TRUE(store.ParseSetupSection(std::string_view(reader.SetupText(), reader.SetupTextLength())));
    EXPECT_EQ(Param(store, 0, "SampleFrequency"), u"48000");
    EXPECT_EQ(Param(store, 0, "NoChannels"), Number(channels));
    EXPECT_EQ(Param(store, 0, "RECInfoSectionSize"), u"1234");
    for (std::int32_t k = 1; k <= channels; ++k) EXPECT_EQ(Param(store, k, "SignalName"), u"S" + Number(k));

    // The REC info where the setup text says it is, read while a scan is under way.
    reader.CreateChannelDescs(RF_Interleaved);
    ASSERT_TRUE(reader.ScanFile());
    const std::u16string pos = *Param(store, 0, "RECInfoSectionPos");
    BYTE* block = nullptr;
    ASSERT_EQ(ReadRECInfoSection(file, std::stoi(std::string(pos.begin(), pos.end())), 1234, block), RECInfoStatus::Ok);
    EXPECT_EQ(Bytes(block, block + 1234), recInfo);
    CoTaskMemFree(block);

    while (reader.ScanFile()) {
    }
    EXPECT_EQ(reader.Walk().end, StreamEnd::Clean);
    for (std::int32_t k = 1; k <= channels; ++k) {
        SCOPED_TRACE(k);
        std::vector<std::int32_t> samples(kTotal);
        ASSERT_EQ(reader.CopySamples32(k, 0, kTotal, samples.data()), kTotal - 1);
        EXPECT_EQ(samples, Values(k, is32(k)));
        EXPECT_FALSE(reader.IsOverrunLatched(k) || reader.MetGap(k));
        EXPECT_EQ(reader.OverloadStatusInRange(k, 0, kTotal), k == 1 ? kOverload : 0);
        EXPECT_EQ(reader.OverloadStatusInRange(k, 0, 512), 0);
    }

    // One DC channel (key 10), its blocks on the writer's count from the first sample on.
    std::vector<std::int32_t> pairs;
    reader.DCChannelIndexes(0, kTotal, pairs);
    EXPECT_EQ(pairs, (std::vector<std::int32_t>{0, 0, 0, 1, 0, 2}));
    for (std::uint32_t r = 0, done = 0; r < 3; done += static_cast<std::uint32_t>(kRounds[r++])) {
        Bytes dc(20);
        ASSERT_TRUE(reader.ReadDCBlock(0, static_cast<std::int32_t>(r), dc.data()));
        EXPECT_EQ(dc, DCBlock(kFirstSample + done, 1, r));
    }
}

TEST(WriterReadBack, WhatTheWriterWritesReadsBack) {
    TempDir dir;
    WriteAndReadBack(dir, 3, [](std::int32_t k) { return k == 2; });
    WriteAndReadBack(dir, 16, [](std::int32_t) { return true; });
}

}  // namespace
}  // namespace tarn::test

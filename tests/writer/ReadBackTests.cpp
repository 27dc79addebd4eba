#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "reader/CQVDataRecorderReader.h"
#include "setup/ParamList.h"
#include "setup/RECInfoSection.h"
#include "tests/reader/ReaderFixture.h"
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
// overload status and DC blocks, written and then read back with the reader and the setup parser.
void WriteAndReadBack(const TempDir& dir, std::int32_t channels, const std::function<bool(std::int32_t)>& is32) {
    WrittenFile f(dir.file("recording" + std::to_string(channels) + ".dat"));
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
    ASSERT_FALSE(reader.EndOfData()) << Describe(reader.StartError());
    ASSERT_EQ(reader.NumberOfChannels(), channels);
    CParamList store;
    ASSERT_TRUE(store.Init(channels + 1));
    ASSERT_TRUE(store.ParseSetupSection(std::string_view(reader.SetupText(), reader.SetupTextLength())));
    EXPECT_EQ(Param(store, 0, "SampleFrequency"), u"48000");
    EXPECT_EQ(Param(store, 0, "NoChannels"), Number(channels));
    EXPECT_EQ(Param(store, 0, "RECInfoSectionSize"), u"1234");
    for (std::int32_t k = 1; k <= channels; ++k) {
        EXPECT_EQ(Param(store, k, "SignalName"), u"S" + Number(k));
        double factor = 0;
        EXPECT_TRUE(store.GetCorrectionFactor(k, factor) && factor == 0.0001) << k;
    }

    // The REC info where the setup text says it is, read while a scan is under way.
    reader.CreateChannelDescs(RF_Interleaved);
    ASSERT_TRUE(reader.ScanFile());
    const std::u16string pos = *Param(store, 0, "RECInfoSectionPos");
    BYTE* block = nullptr;
    ASSERT_EQ(ReadRECInfoSection(file, std::stoi(std::string(pos.begin(), pos.end())), 1234, block), RECInfoStatus::Ok);
    EXPECT_EQ(Bytes(block, block + 1234), recInfo);
    CoTaskMemFree(block);

    ScanAll(reader);
    reader.SetScanComplete();
    EXPECT_EQ(reader.Walk().end, StreamEnd::Clean);
    for (std::int32_t k = 1; k <= channels; ++k) {
        SCOPED_TRACE(k);
        std::vector<std::int32_t> expected = Values(k, is32(k)), wide(kTotal);
        std::vector<std::int16_t> narrow(kTotal);
        ASSERT_EQ(reader.CopySamples32(k, 0, kTotal, wide.data()), kTotal - 1);
        ASSERT_EQ(reader.CopySamples16(k, 0, kTotal, narrow.data()), kTotal - 1);
        EXPECT_EQ(wide, expected);
        // The 16-bit view of a 32-bit sample is its upper half.
        for (std::int32_t& v : expected) v = static_cast<std::int16_t>(is32(k) ? v >> 16 : v);
        EXPECT_EQ(std::vector<std::int32_t>(narrow.begin(), narrow.end()), expected);
        EXPECT_FALSE(reader.IsOverrunLatched(k));
        EXPECT_EQ(reader.OverloadStatusInRange(k, 0, kTotal), k == 1 ? kOverload : 0);
        EXPECT_EQ(reader.OverloadStatusInRange(k, 0, 512), 0);
    }

    // One DC channel (key 10), its blocks on the writer's count from the first sample on.
    ASSERT_EQ(reader.DCChannelCount(), 1u);
    ASSERT_EQ(reader.DCBlockCount(0), 3u);
    for (std::uint32_t r = 0, done = 0; r < 3; done += static_cast<std::uint32_t>(kRounds[r++])) {
        Bytes dc(20);
        ASSERT_TRUE(reader.ReadDCBlock(0, static_cast<std::int32_t>(r), dc.data()));
        EXPECT_EQ(dc, DCBlock(kFirstSample + done, 1, r));
    }
}

TEST(WriterReadBack, WhatTheWriterWritesReadsBack) {
    TempDir dir;
    WriteAndReadBack(dir, 1, [](std::int32_t) { return false; });
    WriteAndReadBack(dir, 3, [](std::int32_t k) { return k == 2; });
    WriteAndReadBack(dir, 16, [](std::int32_t) { return true; });
}

// REC info retrieval from a file of 100 bytes: the bytes, or a failure and no block.
TEST(WriterReadBack, RECInfoRetrieval) {
    const struct {
        std::int32_t position, size;
        RECInfoStatus status;
    } cases[] = {
        {0, 0, RECInfoStatus::Ok},  // no REC info: an empty block
        {0, 100, RECInfoStatus::Ok},       {97, 3, RECInfoStatus::Ok},       {100, 0, RECInfoStatus::Ok},
        {97, 4, RECInfoStatus::Failed},    {101, 0, RECInfoStatus::Failed},  {-1, 1, RECInfoStatus::Failed},
        {0, -1, RECInfoStatus::Failed},    {0, INT_MAX, RECInfoStatus::Failed},  // nothing allocated
        {INT_MAX, INT_MAX, RECInfoStatus::Failed},
    };
    TempDir dir;
    const Bytes all = Pattern(100);
    platform::File file;
    ASSERT_TRUE(file.Open(dir.write("rec.dat", all), platform::File::Mode::Read));
    BYTE untouched = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        BYTE* block = &untouched;
        ASSERT_TRUE(file.Seek(7));
        ASSERT_EQ(ReadRECInfoSection(file, c.position, c.size, block), c.status);
        EXPECT_EQ(file.Tell(), 7) << "the stream's reader finds it where it left it";
        if (c.status != RECInfoStatus::Ok) {
            EXPECT_EQ(block, &untouched);
            continue;
        }
        EXPECT_EQ(Bytes(block, block + c.size), Bytes(all.begin() + c.position, all.begin() + c.position + c.size));
        CoTaskMemFree(block);
    }
    file.Close();
    BYTE* block = &untouched;
    EXPECT_EQ(ReadRECInfoSection(file, 0, 0, block), RECInfoStatus::Failed);
    EXPECT_EQ(block, &untouched);
}

}  // namespace
}  // namespace tarn::test

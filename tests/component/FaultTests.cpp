// The component over a file that fails it (the platform's file fault plan), over a channel whose
// blocks are out of order, and with ranges far larger than the recording.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <tuple>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "tests/component/ComponentFixture.h"
#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

using Faults = ComponentTest;
using Clock = std::chrono::steady_clock;

// How many of samples [0, count) differ from what channel(s) says they are.
template <class Sample>
std::int32_t Mismatches(const Sample* samples, std::int32_t count, std::int32_t (*channel)(std::int32_t)) {
    std::int32_t wrong = 0;
    for (std::int32_t s = 0; s < count; ++s) wrong += samples[s] != static_cast<Sample>(channel(s));
    return wrong;
}
std::int32_t Ramp7(std::int32_t s) { return s * 7; }
// The samples of a block from sample first on, Ramp7 of their numbers.
RecordingBuilder::Generator Ramp7From(std::uint32_t first) {
    return [first](std::uint32_t j) { return Ramp7(static_cast<std::int32_t>(first + j)); };
}
constexpr char kTwoChannels[] = "\n[SETUP START]\nNoChannels=2\n[SETUP STOP]\n";
std::int32_t ManyBlocksSample(std::int32_t s) { return s; }

// Channel 1 in blocks of 2 samples stored as 0, 2, 4, ..., then 1, 3, 5, ...: walking the index
// from where a binary search over these unordered ends lands would pass half the index for every
// odd block, a cost per block that grows with the index. Every sample is found, and a recording
// four times as long takes about four times as long, not sixteen (both read block by block, so
// the comparison holds under sanitizers and Wine too).
TEST_F(Faults, OutOfOrderBlocksReadWithoutAWalkPerBlock) {
    Clock::duration took[2];
    std::size_t run = 0;
    for (const std::uint32_t blocks : {25001u, 100001u}) {
        RecordingBuilder file;
        file.Setup(kTwoChannels).Header(2);
        for (const std::uint32_t firstBlock : {0u, 1u})
            for (std::uint32_t b = firstBlock; b < blocks; b += 2) file.Samples16(2, Ramp7From(b * 2), Block().SampleNo(b * 2));
        if (run > 0) {
            ASSERT_EQ(component().close(), S_OK);
        }
        Open(file, run == 0 ? "short.dat" : "long.dat");
        ScanAll();
        const auto start = Clock::now();
        LONG last = 0;
        short* samples = nullptr;
        ASSERT_EQ(component().GetSamples(1, 0, static_cast<LONG>(2 * blocks), &last, &samples), S_OK);
        const TaskMem<short> owned(samples);
        took[run++] = Clock::now() - start;
        ASSERT_EQ(last, static_cast<LONG>(2 * blocks - 1));
        EXPECT_EQ(Mismatches(samples, last + 1, Ramp7), 0);
    }
    EXPECT_LT(took[1], 8 * took[0] + std::chrono::milliseconds(100));
}

// Out of order, a lookup finds what the walk forward from the binary search's landing place
// finds, and only that: channel 1 holds [100, 200), [0, 50) and [300, 400) in this order, so a
// sample of the first block (counted from 100) is found by no lookup.
TEST_F(Faults, OutOfOrderLookupsFindWhatTheWalkFinds) {
    Open(RecordingBuilder()
             .Setup(kTwoChannels)
             .Header(2)
             .Samples16(2, Ramp7From(0), Block().SampleNo(0).Id(1))
             .Samples16(100, Ramp7From(100), Block().SampleNo(100))
             .Samples16(50, Ramp7From(0), Block().SampleNo(0))
             .Samples16(100, Ramp7From(300), Block().SampleNo(300)));
    ScanAll();
    const std::tuple<LONG, LONG, LONG> ranges[] = {{0, 10, -1}, {50, 60, 49}, {200, 300, 299}, {250, 400, 299}};
    for (const auto& [from, to, expected] : ranges) {
        LONG last = 0;
        short* samples = nullptr;
        ASSERT_EQ(component().GetSamples(1, from, to, &last, &samples), S_OK);
        const TaskMem<short> owned(samples);
        EXPECT_EQ(last, expected) << from;
        for (LONG s = from; s <= last; ++s) EXPECT_EQ(samples[s - from], static_cast<short>(Ramp7(s + 100))) << s;
    }
}

#if defined(__GLIBC__)
// A range far beyond the recording gets a result the size of what the channel holds there (or
// of a range of 2^20 samples, with up to a huge page more for the task memory's alignment), not of
// the range.
TEST_F(Faults, ResultSizedByTheSamplesThere) {
    Open(TwoChannelRecording());
    ScanAll();
    LONG last = 0;
    short* p16 = nullptr;
    LONG* p32 = nullptr;
    ASSERT_EQ(component().GetSamples(1, 0, 1 << 30, &last, &p16), S_OK);
    const TaskMem<short> owned16(p16);
    EXPECT_EQ(last, 11);
    EXPECT_LT(malloc_usable_size(p16), 5u << 20);
    ASSERT_EQ(component().GetSamples32Bit(2, 6, INT_MAX, &last, &p32), S_OK);
    const TaskMem<LONG> owned32(p32);
    EXPECT_EQ(last, 7);
    EXPECT_LT(malloc_usable_size(p32), 7u << 20);
    EXPECT_EQ(p32[0], 7);
}

// A block far beyond a gap: the copy stops at the gap, so the result is sized to it (the
// whole-channel overview asks for the channel's full extent).
TEST_F(Faults, ResultSizedUpToTheFirstGap) {
    Open(RecordingBuilder().Header(1).Samples16({1, 2}).Samples16({3, 4}, Block().SampleNo(1u << 29)));
    ScanAll();
    LONG last = 0;
    short* p16 = nullptr;
    ASSERT_EQ(component().GetSamples(1, 0, (1 << 29) + 2, &last, &p16), S_OK);
    const TaskMem<short> owned16(p16);
    EXPECT_EQ(last, 1);
    EXPECT_LT(malloc_usable_size(p16), 5u << 20);
}
#endif

// Reads that fail: the file start gives E_INVALIDARG; a scan ends at the last block it could
// read, and retrieval gives the samples of the blocks indexed, or nothing, never other bytes.
TEST_F(Faults, FailingReadsEndTheirOperationCleanly) {
    const std::string path = ManyBlocks(400).WriteTo(dir, "many.dat");
    SetFileName(path);
    LONG ok = 0;
    {
        const ScopedFileFaults faults(-1, 3);
        EXPECT_EQ(component().open(&ok), E_INVALIDARG);
    }
    ASSERT_EQ(component().open(&ok), S_OK);
    {
        const ScopedFileFaults faults(-1, 5000);
        ScanAll();
    }
    LONG last = 0, end = 0;
    short* samples = nullptr;
    ASSERT_EQ(component().GetLastSampleNumber(&end), S_OK);
    EXPECT_GT(end, 0);
    EXPECT_LT(end, 3200);
    ASSERT_EQ(component().GetSamples(1, 0, 3200, &last, &samples), S_OK);
    TaskMem<short> owned(samples);
    EXPECT_GE(last + 1, end);
    EXPECT_LT(last, 3199);
    EXPECT_EQ(Mismatches(samples, last + 1, ManyBlocksSample), 0);
    {
        const ScopedFileFaults faults(-1, 0);
        ASSERT_EQ(component().GetSamples(1, 8, 3200, &last, &samples), S_OK);
        owned.reset(samples);
        EXPECT_EQ(last, 7);
    }
    {
        // Reads that come in pieces are taken whole.
        const ScopedFileFaults faults(-1, -1, 5);
        ASSERT_EQ(component().GetSamples(1, 0, 3200, &last, &samples), S_OK);
        owned.reset(samples);
        EXPECT_GE(last + 1, end);
        EXPECT_EQ(Mismatches(samples, last + 1, ManyBlocksSample), 0);
    }
}

// A disk that fills up under the writer: the block call that meets it, every one after it and
// CloseFile fail, and the recording keeps every block before it.
TEST_F(Faults, FullDiskKeepsTheRecordingReadable) {
    SetFileName(dir.file("full.dat"));
    const Bytes data = SampleBytes(Ramp(100), false);
    ASSERT_EQ(component().OpenFile(), S_OK);
    ASSERT_EQ(component().SetNumberOfChannels(1), S_OK);
    ASSERT_EQ(component().SetRECInfoArray(3, TaskCopy(Pattern(3))), S_OK);
    ASSERT_EQ(component().WriteSetupSection(), S_OK);
    ASSERT_EQ(component().InitializeBinaryDataSection(0), S_OK);
    {
        const ScopedFileFaults faults(10 * 216 + 100);
        for (int k = 0; k < 20; ++k)
            EXPECT_EQ(component().CreateBinaryDataBlock(1, 100, const_cast<BYTE*>(data.data())), k < 10 ? S_OK : E_FAIL);
        EXPECT_EQ(component().CloseFile(), E_FAIL);
    }
    LONG ok = 0, last = 0;
    ASSERT_EQ(component().open(&ok), S_OK);
    ScanAll();
    short* samples = nullptr;
    ASSERT_EQ(component().GetSamples(1, 0, 2000, &last, &samples), S_OK);
    const TaskMem<short> owned(samples);
    ASSERT_EQ(last, 999);
    EXPECT_EQ(Mismatches(samples, 1000, [](std::int32_t s) { return Ramp(100)[s % 100]; }), 0);
}

}  // namespace
}  // namespace tarn::test

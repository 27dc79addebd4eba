// The file header and the sample and DC blocks the writer appends, byte for byte.
#include <functional>

#include "tests/writer/WriterFixture.h"

namespace tarn::test {
namespace {

using W = CQVDataRecorderWriter;
using D = const unsigned char*;

std::vector<std::int32_t> Ramp(std::int32_t count) {
    std::vector<std::int32_t> v(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) v[static_cast<std::size_t>(i)] = i * 7919 - 40000;
    return v;
}

// The sample block a recorder would write for these fields.
std::string Expected(const std::vector<std::int32_t>& samples, bool is32Bit, const Block& fields) {
    RecordingBuilder block;
    const auto at = [&samples](std::uint32_t i) { return samples[i]; };
    const auto count = static_cast<std::uint32_t>(samples.size());
    (is32Bit ? block.Samples32(count, at, fields) : block.Samples16(count, at, fields));
    return std::string(block.bytes().begin(), block.bytes().end());
}

TEST(WriterBlocks, FileHeaderCarriesTheChannelCount) {
    TempDir dir;
    WrittenFile f(dir, "header.dat");
    ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
    EXPECT_EQ(f.Appended([&] { return f->InitializeBinaryDataSection(1000); }),
              std::string("\xC0\xBE\0\0\1\0\0\0\0\0\0\0\1\0\0\0\4\0\0\0", 20));
}

// After 4 channels from sample 1000 and `before`: one block of channel, count samples.
TEST(WriterBlocks, SampleBlocksCarryTheirChannelsCountAndId) {
    const auto none = [](W&) {};
    const auto block2 = [](W& w) { ASSERT_EQ(w.CreateBinaryDataBlock(2, 512, SampleBytes(Ramp(512), false).data()), Ok); };
    const struct {
        std::function<void(W&)> before;
        std::int32_t channel, count;
        bool is32Bit;
        std::uint8_t overload;
        std::uint32_t sampleNo;  // expected, with the id
        std::uint16_t id;
    } cases[] = {
        {none, 2, 512, false, 0, 1000, 1},   {block2, 2, 512, false, 0, 1512, 1},  // the count goes on
        {block2, 3, 2, false, 0, 1000, 2},   {none, 4, 3, true, 0x81, 1000, 3},    // per channel
        {[](W& w) { ASSERT_EQ(w.SetChId(1, 0x12345), Ok); }, 2, 2, false, 0, 1000, 0x2345},
        {none, 1, 131062, false, 0, 1000, 0}, {none, 1, 65531, true, 1, 1000, 0},  // the largest blocks
        // A new file header restarts every count and id; counts wrap.
        {[](W& w) {
             ASSERT_EQ(w.SetChId(0, 9), Ok);
             ASSERT_EQ(w.CreateBinaryDataBlock(1, 4, SampleBytes(Ramp(4), false).data()), Ok);
             ASSERT_EQ(w.InitializeBinaryDataSection(-2), Ok);
             ASSERT_EQ(w.CreateBinaryDataBlock(1, 4, SampleBytes(Ramp(4), false).data()), Ok);
         }, 1, 2, false, 0, 2, 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        f.Start(4, 1000);
        c.before(*f);
        const Bytes data = SampleBytes(Ramp(c.count), c.is32Bit);
        EXPECT_EQ(f.Appended([&] {
            return c.is32Bit ? f->Create32bitBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload)
                             : f->CreateBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload);
        }), Expected(Ramp(c.count), c.is32Bit, Block().SampleNo(c.sampleNo).Id(c.id).Status(c.overload)));
    }
}

// Rejected calls write nothing and count nothing: each channel's next block still starts at 1000
// with its own id.
TEST(WriterBlocks, RejectedCallsWriteAndCountNothing) {
    const struct {
        bool initialized;
        std::function<WriterStatus(W&, D)> call;
        WriterStatus status;
    } cases[] = {
        {true, [](W& w, D d) { return w.CreateBinaryDataBlock(0, 2, d); }, Invalid},
        {true, [](W& w, D d) { return w.Create32bitBinaryDataBlock(5, 2, d); }, Invalid},
        {false, [](W& w, D d) { return w.CreateBinaryDataBlock(1, 2, d); }, Failed},  // no table yet
        {true, [](W& w, D d) { return w.SetNumberOfChannels(5) == Ok ? w.CreateBinaryDataBlock(5, 2, d) : Ok; }, Invalid},
        {true, [](W& w, D d) { return w.CreateBinaryDataBlock(1, 0, d); }, Invalid},
        {true, [](W& w, D d) { return w.CreateBinaryDataBlockWithOverloadStatus(1, 3, d, 1); }, Invalid},  // odd
        {true, [](W& w, D d) { return w.CreateBinaryDataBlock(1, 131064, d); }, Invalid},
        {true, [](W& w, D d) { return w.Create32bitBinaryDataBlockWithOverloadStatus(1, 65532, d, 0); }, Invalid},
        {true, [](W& w, D) { return w.CreateBinaryDataBlock(1, 2, nullptr); }, Null},
        {true, [](W& w, D) { return w.SetChId(4, 9); }, Failed},  // the index counts from 0
        {false, [](W& w, D) { return w.SetChId(0, 9); }, Failed},
    };
    TempDir dir;
    const Bytes data = SampleBytes(std::vector<std::int32_t>(150000, 0x22), true);
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
        if (c.initialized) ASSERT_EQ(f->InitializeBinaryDataSection(1000), Ok);
        EXPECT_EQ(f.Appended([&] { return c.call(*f, data.data()); }, c.status), "");
        for (std::uint16_t k = 1; c.initialized && k <= 4; ++k)
            EXPECT_EQ(f.Appended([&] { return f->CreateBinaryDataBlock(k, 2, data.data()); }),
                      Expected({0x22, 0}, false, Block().SampleNo(1000).Id(k - 1)));
    }
}

// SampleNo of DC blocks as given and as written, after InitializeBinaryDataSection(first), or
// before it when first is negative. The caller's blocks stay as they are.
TEST(WriterBlocks, DCBlocksMoveOntoTheWritersCount) {
    const struct {
        std::int32_t first;
        std::vector<std::uint32_t> given, written;
    } cases[] = {{100, {500, 600, 550}, {100, 200, 150}}, {-1, {500, 510}, {0, 10}}, {1000, {10, 5}, {1000, 995}}};
    TempDir dir;
    for (const auto& c : cases) {
        WrittenFile f(dir, std::to_string(c.first));
        if (c.first >= 0) ASSERT_EQ(f->InitializeBinaryDataSection(c.first), Ok);
        for (std::size_t i = 0; i < c.given.size(); ++i) {
            const std::string block = DCBlock(c.given[i], 3), copy = block;
            EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(36, Data(block)); }), DCBlock(c.written[i], 3));
            EXPECT_EQ(block, copy);
        }
    }
}

// Blocks the file's own walk would take with another length: rejected before anything is written
// or shifted (the first DC block accepted afterwards still moves onto the first sample, 100).
TEST(WriterBlocks, RejectedDCBlocksWriteNothing) {
    const auto intact = [](std::string&) {};
    const struct {
        std::function<void(std::string&)> damage;
        std::int32_t sizeDelta;  // added to the block's true length
        WriterStatus status;
    } cases[] = {
        {intact, 0, Null},    {intact, -17, Invalid}, {intact, -1000, Invalid}, {intact, -4, Invalid}, {intact, 8, Invalid},
        {[](std::string& b) { b[0] = 9; }, 0, Invalid},             // its Size field
        {[](std::string& b) { b[8] = 1; }, 0, Invalid},             // its entry count
        {[](std::string& b) { b = DCBlock(500, 0); }, 0, Invalid},  // no entries
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        f.Start(1, 100);
        std::string block = DCBlock(500, 2);
        c.damage(block);
        const std::string copy = block;
        const auto size = static_cast<std::int32_t>(block.size()) + c.sizeDelta;
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(size, c.status == Null ? nullptr : Data(block)); },
                             c.status), "");
        EXPECT_EQ(block, copy);
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(28, Data(DCBlock(500, 2))); }), DCBlock(100, 2));
    }
}

}  // namespace
}  // namespace tarn::test

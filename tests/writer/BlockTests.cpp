// The file header and the sample and DC blocks the writer appends, byte for byte.
#include <functional>
#include <tuple>

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

void Block16(W& w, std::int32_t ch, std::int32_t count) {
    ASSERT_EQ(w.CreateBinaryDataBlock(ch, count, SampleBytes(Ramp(count), false).data()), Ok);
}

// Header fields of a written block: Size, Content, SampleNo, NoOfChannels, ID, channelstatus.
using Fields = std::tuple<std::uint16_t, std::uint8_t, std::uint32_t, std::uint8_t, std::uint16_t, std::uint16_t>;
Fields FieldsOf(const std::string& block) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const auto h = layout::BlockHeader::Decode(bytes);
    const auto e = layout::ChannelEntry::Decode(bytes + 12);
    EXPECT_EQ(h.Decimations | h.BlockStatus | h.FE_Frame_ID, 0);
    return {h.Size, h.Content, h.SampleNo, h.NoOfChannels, e.ID, e.channelstatus};
}

TEST(WriterBlocks, FileHeaderCarriesTheChannelCount) {
    TempDir dir;
    WrittenFile f(dir, "header.dat");
    ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
    EXPECT_EQ(f.Appended([&] { return f->InitializeBinaryDataSection(1000); }),
              std::string("\xC0\xBE\0\0\1\0\0\0\0\0\0\0\1\0\0\0\4\0\0\0", 20));
}

// After 4 channels from sample 1000 and `before`: one block with an overload status.
TEST(WriterBlocks, SampleBlockFields) {
    const auto none = [](W&) {};
    const struct {
        std::function<void(W&)> before;
        std::int32_t channel, count;
        bool is32Bit;
        std::uint8_t overload;
        std::uint32_t sampleNo;  // expected, with Size and ID
        std::uint16_t size, id;
    } cases[] = {
        {none, 2, 512, false, 0, 1000, 260, 1},
        {[](W& w) { Block16(w, 2, 512); }, 2, 512, false, 0, 1512, 260, 1},  // the count goes on
        {[](W& w) { Block16(w, 2, 512); }, 3, 2, false, 0, 1000, 5, 2},       // per channel
        {[](W& w) { ASSERT_EQ(w.SetChId(1, 0x12345), Ok); }, 2, 2, false, 0, 1000, 5, 0x2345},
        {none, 1, 4, false, 0x81, 1000, 6, 0},
        {none, 4, 3, true, 0, 1000, 7, 3},
        {none, 1, 131062, false, 0, 1000, 0xFFFF, 0},  // the largest blocks
        {none, 1, 65531, true, 1, 1000, 0xFFFF, 0},
        // A new file header restarts every count and id; counts wrap.
        {[](W& w) {
             ASSERT_EQ(w.SetChId(0, 9), Ok);
             Block16(w, 1, 4);
             ASSERT_EQ(w.InitializeBinaryDataSection(-2), Ok);
             Block16(w, 1, 4);
         }, 1, 2, false, 0, 2, 5, 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        f.Start(4, 1000);
        c.before(*f);
        const Bytes data = SampleBytes(Ramp(c.count), c.is32Bit);
        const std::string block = f.Appended([&] {
            return c.is32Bit ? f->Create32bitBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload)
                             : f->CreateBinaryDataBlockWithOverloadStatus(c.channel, c.count, data.data(), c.overload);
        });
        ASSERT_EQ(block.size(), c.size * 4u);
        EXPECT_EQ(FieldsOf(block), Fields(c.size, c.is32Bit ? 4 : 0, c.sampleNo, 1, c.id, c.overload));
        EXPECT_EQ(block.substr(16), std::string(data.begin(), data.end()));
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
        {true, [](W& w, D d) { return w.Create32bitBinaryDataBlock(1, -4, d); }, Invalid},
        {true, [](W& w, D d) { return w.CreateBinaryDataBlockWithOverloadStatus(1, 3, d, 1); }, Invalid},  // odd
        {true, [](W& w, D d) { return w.CreateBinaryDataBlock(1, 131064, d); }, Invalid},
        {true, [](W& w, D d) { return w.Create32bitBinaryDataBlockWithOverloadStatus(1, 65532, d, 0); }, Invalid},
        {true, [](W& w, D) { return w.CreateBinaryDataBlock(1, 2, nullptr); }, Null},
        {true, [](W& w, D) { return w.SetChId(4, 9); }, Failed},  // the index counts from 0
        {true, [](W& w, D) { return w.SetChId(-1, 9); }, Failed},
        {false, [](W& w, D) { return w.SetChId(0, 9); }, Failed},
    };
    TempDir dir;
    const Bytes data(300000, 0x22);
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        ASSERT_EQ(f->SetNumberOfChannels(4), Ok);
        if (c.initialized) ASSERT_EQ(f->InitializeBinaryDataSection(1000), Ok);
        EXPECT_EQ(f.Appended([&] { return c.call(*f, data.data()); }, c.status), "");
        if (!c.initialized) continue;
        for (std::int32_t k = 1; k <= 4; ++k)
            EXPECT_EQ(FieldsOf(f.Appended([&] { return f->CreateBinaryDataBlock(k, 2, data.data()); })),
                      Fields(5, 0, 1000, 1, static_cast<std::uint16_t>(k - 1), 0));
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
            const Bytes block = DCBlock(c.given[i], 3), copy = block;
            Bytes expected = DCBlock(c.written[i], 3);
            EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(static_cast<std::int32_t>(block.size()), block.data()); }),
                      std::string(expected.begin(), expected.end())) << c.first << " " << i;
            EXPECT_EQ(block, copy);
        }
    }
}

// Blocks the file's own walk would take with another length: rejected before anything is written
// or shifted (the first DC block accepted afterwards still moves onto the first sample, 100).
TEST(WriterBlocks, RejectedDCBlocksWriteNothing) {
    const auto intact = [](Bytes&) {};
    const struct {
        std::function<void(Bytes&)> damage;
        std::int32_t sizeDelta;  // added to the block's true length
        WriterStatus status;
    } cases[] = {
        {intact, 0, Null},       {intact, -17, Invalid}, {intact, -1000, Invalid}, {intact, -4, Invalid},
        {intact, 8, Invalid},    {[](Bytes& b) { le::WriteU16(&b[0], 9); }, 0, Invalid},  // its Size field
        {[](Bytes& b) { b[8] = 1; }, 0, Invalid},                                          // its entry count
        {[](Bytes& b) { b = DCBlock(500, 0); }, 0, Invalid},                               // no entries
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        WrittenFile f(dir, std::to_string(&c - cases));
        f.Start(1, 100);
        Bytes block = DCBlock(500, 2);
        c.damage(block);
        const Bytes copy = block;
        const auto size = static_cast<std::int32_t>(block.size()) + c.sizeDelta;
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(size, c.status == Null ? nullptr : block.data()); },
                             c.status), "");
        EXPECT_EQ(block, copy);
        const Bytes good = DCBlock(500, 2), expected = DCBlock(100, 2);
        EXPECT_EQ(f.Appended([&] { return f->CreateDCChannelBlock(20 + 8, good.data()); }),
                  std::string(expected.begin(), expected.end()));
    }
}

}  // namespace
}  // namespace tarn::test

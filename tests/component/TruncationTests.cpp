// A recording with every kind of block and a setup text, cut at every byte: each cut opens (once
// its file header is whole), scans and reads as exactly the complete blocks before the cut, as
// the uncut recording has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/component/ComponentFixture.h"

namespace tarn::test {
namespace {

constexpr LONG kChannels = 3;
constexpr LONG kAll = 1000;   // beyond every channel's samples

// What the component gives for a recording: per channel its samples from 0 and the overload
// status of [0, n) for each n up to their count, the DC index pairs and blocks, and every block
// sequential reading delivers.
struct Reading {
    std::vector<std::vector<LONG>> samples;
    std::vector<std::vector<BYTE>> overload;
    std::vector<LONG> dcPairs;
    std::vector<std::vector<BYTE>> dcBlocks;
    std::vector<std::vector<LONG>> delivered;
};

// The bytes of a one-dimensional SAFEARRAY as LONGs (getBlock32: two 16-bit elements per value).
std::vector<LONG> Values(VARIANT* value) {
    void* data = nullptr;
    if ((V_VT(value) & VT_ARRAY) == 0 || FAILED(SafeArrayAccessData(V_ARRAY(value), &data))) return {};
    const auto* first = static_cast<const LONG*>(data);
    std::vector<LONG> out(first, first + V_ARRAY(value)->rgsabound[0].cElements * V_ARRAY(value)->cbElements / 4);
    SafeArrayUnaccessData(V_ARRAY(value));
    return out;
}

class Truncation : public ComponentTest {
protected:
    // Opens the file of these bytes; false when open refuses it.
    bool OpenCut(const RecordingBuilder& file) {
        SetFileName(file.WriteTo(dir, "cut.dat"));
        LONG ok = 0;
        return SUCCEEDED(component().open(&ok)) && ok == 1;
    }

    Reading Read() {
        ScanAll();
        Reading r;
        for (LONG channel = 1; channel <= kChannels; ++channel) {
            LONG last = -1, *values = nullptr;
            EXPECT_EQ(component().GetSamples32Bit(channel, 0, kAll, &last, &values), S_OK);
            const TaskMem<LONG> owned(values);
            r.samples.emplace_back(values, values + last + 1);
            std::vector<BYTE>& status = r.overload.emplace_back(static_cast<std::size_t>(last + 2));
            for (LONG n = 0; n <= last + 1; ++n)
                EXPECT_EQ(component().GetOverloadStatusInRange(channel, 0, n, &status[std::size_t(n)]), S_OK);
        }
        ScopedVariant list;
        EXPECT_EQ(component().GetDCChannelIndexes(0, kAll, list.get()), S_OK);
        r.dcPairs = Values(list.get());
        for (std::size_t i = 0; i + 1 < r.dcPairs.size(); i += 2) {
            LONG size = 0;
            BYTE* block = nullptr;
            EXPECT_EQ(component().GetDCChannelBlock(r.dcPairs[i], r.dcPairs[i + 1], &size, &block), S_OK);
            const TaskMem<BYTE> owned(block);
            r.dcBlocks.emplace_back(block, block + size);
        }
        for (LONG ok = 1; component().read(&ok) == S_OK && ok == 1 && r.delivered.size() < 100;) {
            ScopedVariant block;
            EXPECT_EQ(component().getBlock32(block.get()), S_OK);
            r.delivered.push_back(Values(block.get()));
        }
        EXPECT_EQ(component().close(), S_OK);
        return r;
    }
};

template <class T> std::vector<T> Prefix(const std::vector<T>& all, std::size_t n) {
    return std::vector<T>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(n, all.size())));
}

std::int32_t Value(std::uint32_t i) { return static_cast<std::int32_t>(i * 37) - 100; }
Block At(std::uint32_t sampleNo, std::uint16_t id = 0) { return Block().SampleNo(sampleNo).Id(id); }

TEST_F(Truncation, EveryCutReadsAsTheCompleteBlocksBeforeIt) {
    // Each block: what it adds, its channel (0: none) and sample count, whether it is a DC block.
    struct Step { std::function<void(RecordingBuilder&)> add; LONG channel; std::uint32_t samples; bool dc; };
    const Step steps[] = {
        {[](RecordingBuilder& b) { b.DC({{0, 0, 9}, {1, 1, 8}}, At(100)); }, 0, 0, true},
        {[](RecordingBuilder& b) { b.Samples16(4, Value, At(100).Status(0x01)); }, 1, 4, false},
        {[](RecordingBuilder& b) { b.Samples32(2, Value, At(100, 1)); }, 2, 2, false},
        {[](RecordingBuilder& b) { b.Trigger(At(101), 4); }, 0, 0, false},
        {[](RecordingBuilder& b) { b.Samples16(6, Value, At(100, 2)); }, 3, 6, false},
        {[](RecordingBuilder& b) { b.Samples16(2, Value, At(104).Status(0x04)); }, 1, 2, false},
        {[](RecordingBuilder& b) { b.Other(At(0), 8); }, 0, 0, false},
        {[](RecordingBuilder& b) { b.Samples32(4, Value, At(102, 1).Status(0x02)); }, 2, 4, false},
        {[](RecordingBuilder& b) { b.DC({{0, 0, 7}, {1, 0, 6}}, At(104)); }, 0, 0, true},
        {[](RecordingBuilder& b) { b.Samples16({-5, 5}, At(106)); }, 1, 2, false},
        {[](RecordingBuilder& b) { b.Samples32(2, Value, At(106, 2)); }, 3, 2, false}};
    RecordingBuilder full;
    full.Setup("\n[SETUP START]\nNoChannels=3\n[Channel 1]\nSignalName=Cut\n[SETUP STOP]\n").Header(kChannels);
    std::vector<std::size_t> ends{full.size()};   // where the file header and each block end
    for (const Step& step : steps) {
        step.add(full);
        ends.push_back(full.size());
    }
    ASSERT_TRUE(OpenCut(full));
    const Reading whole = Read();
    ASSERT_EQ(whole.samples[0].size(), 8u);
    ASSERT_EQ(whole.dcBlocks.size(), 2u);
    ASSERT_FALSE(whole.delivered.empty());

    for (std::size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        if (!OpenCut(RecordingBuilder(full).TruncateAt(length))) {
            EXPECT_LT(length, ends.front());
            continue;
        }
        ASSERT_GE(length, ends.front());
        std::vector<std::size_t> samples(kChannels);
        std::size_t dcBlocks = 0;
        for (std::size_t i = 0; i < std::size(steps) && ends[i + 1] <= length; ++i) {
            if (steps[i].channel > 0) samples[static_cast<std::size_t>(steps[i].channel - 1)] += steps[i].samples;
            dcBlocks += steps[i].dc;
        }
        const Reading cut = Read();
        for (std::size_t c = 0; c < samples.size(); ++c) {
            EXPECT_EQ(cut.samples[c], Prefix(whole.samples[c], samples[c])) << "channel " << c + 1;
            EXPECT_EQ(cut.overload[c], Prefix(whole.overload[c], samples[c] + 1)) << "channel " << c + 1;
        }
        EXPECT_EQ(cut.dcPairs, Prefix(whole.dcPairs, 2 * dcBlocks));
        EXPECT_EQ(cut.dcBlocks, Prefix(whole.dcBlocks, dcBlocks));
        EXPECT_EQ(cut.delivered, Prefix(whole.delivered, cut.delivered.size()));
    }
}

}  // namespace
}  // namespace tarn::test

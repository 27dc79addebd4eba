// Recordings built for the reader and opened as opening a recording does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "format/RecordingBuilder.h"
#include "reader/CQVDataRecorderReader.h"
#include "reader/CompressBlockMinMax.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

// A block's min/max values as the reader caches them, in 32 bits, appended to out.
inline void AppendMinMax(const unsigned char* data, std::uint32_t n, bool is32Bit, std::vector<std::int32_t>& out) {
    const std::size_t at = out.size();
    out.resize(at + MinMaxBuckets(n).Values());
    out.resize(at + CompressBlockMinMax(data, n, is32Bit, out.data() + at));
}

inline Block At(std::uint32_t sampleNo, std::uint16_t id = 0) { return Block().SampleNo(sampleNo).Id(id); }
inline std::int32_t Ramp(std::uint32_t i) { return static_cast<std::int32_t>(i); }
template <class T> using Copied = std::pair<std::int32_t, std::vector<T>>;  // lastsampleread, values

// A reader on a built recording, with its channel slots created.
struct OpenedRecording {
    std::string path;
    platform::File file;
    std::unique_ptr<CQVDataRecorderReader> reader;

    OpenedRecording(const TempDir& dir, const RecordingBuilder& recording) {
        static int serial = 0;
        path = recording.WriteTo(dir, "recording" + std::to_string(++serial) + ".dat");
        EXPECT_TRUE(file.Open(path, platform::File::Mode::Read));
        reader = std::make_unique<CQVDataRecorderReader>(file, path);
        reader->CreateChannelDescs(RF_Interleaved);
    }
    CQVDataRecorderReader* operator->() { return reader.get(); }

    // Scan steps until one returns false; a scan that does not end fails instead of hanging.
    OpenedRecording& Scan() {
        for (int steps = 0; reader->ScanFile() && ++steps < 1000000;) {
        }
        EXPECT_FALSE(reader->ScanFile()) << "the scan does not end";
        reader->SetScanComplete();
        return *this;
    }

    // lastsampleread and the values copied of [s0, s1) of channel; nothing may be written past them
    // (these copies are too short to be cut in two).
    template <class T> Copied<T> Copy(std::int32_t channel, std::int32_t s0, std::int32_t s1) {
        const auto size = static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{s1} - s0, 0));
        std::vector<T> out(size + 1, static_cast<T>(0x5A5A));
        std::int32_t last;
        if constexpr (sizeof(T) == 2)
            last = reader->CopySamples16(channel, s0, s1, out.data());
        else
            last = reader->CopySamples32(channel, s0, s1, out.data());
        // As 32-bit arithmetic wraps it: nothing copied for s0 = INT32_MIN is INT32_MAX.
        const std::size_t copied = static_cast<std::uint32_t>(last) - static_cast<std::uint32_t>(s0) + 1u;
        EXPECT_LE(copied, size);
        for (std::size_t i = copied; i <= size; ++i) EXPECT_EQ(out[i], static_cast<T>(0x5A5A)) << "written at " << i;
        out.resize(std::min(copied, size));
        return {last, out};
    }
    std::vector<std::int32_t> Samples(std::int32_t channel, std::int32_t s0 = 0, std::int32_t s1 = 1000) {
        return Copy<std::int32_t>(channel, s0, s1).second;
    }
    // The channel's overview from the min/max cache in n values, by default as many as it
    // caches, so that each output pair is one cached pair; empty when overviews do not come from
    // the cache.
    std::vector<std::int32_t> CachedPairs(std::int32_t channel, std::uint64_t n = 0) {
        const CChannelDesc& slot = *reader->ChannelSlot(channel);
        std::uint64_t cached = 0;
        for (std::size_t i = 0; i < slot.Blocks().size(); ++i) cached += MinMaxBuckets(slot.Blocks()[i].count()).Values();
        if (n == 0) n = cached;
        void* values = nullptr;
        const auto allocate = [](std::uint64_t count, std::size_t width) { return std::malloc(count * width); };
        std::vector<std::int32_t> pairs;
        if (slot.GetCompressed32BitSamples(0, 0, n, allocate, values) == CChannelDesc::CompressedResult::Delivered)
            pairs.assign(static_cast<std::int32_t*>(values), static_cast<std::int32_t*>(values) + n);
        std::free(values);
        return pairs;
    }
    std::vector<std::int32_t> DCPairs(std::int32_t s0 = 0, std::int32_t s1 = 1 << 30) {
        std::vector<std::int32_t> pairs;
        reader->DCChannelIndexes(s0, s1, pairs);
        return pairs;
    }
};

}  // namespace tarn::test

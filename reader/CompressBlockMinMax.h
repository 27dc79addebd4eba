// The min/max reduction of one sample block: the block is cut into buckets of about 50 samples
// and each bucket contributes its minimum and its maximum. Overview retrieval serves decimated
// data from these pairs without rereading the file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace tarn {

// The bucket layout of a block of n samples: B = ceil(n / 50.0 rounded to single precision)
// buckets of width w = n / B in single precision. Bucket b (1 .. B) ends at trunc(b * w), except
// the last, which ends at n: with the single-precision width some block lengths (504 samples is
// the smallest) would leave their last sample in no bucket.
struct MinMaxBuckets {
    explicit MinMaxBuckets(std::uint32_t n);
    // The end (one past the last sample) of bucket b, counted from 1. Inline: it is asked for
    // every bucket of every block the scan takes.
    std::uint32_t End(std::uint32_t b) const { return b >= count ? samples : std::min(WidthEnd(b), samples); }
    // The end the single-precision width alone gives, the last bucket included.
    std::uint32_t WidthEnd(std::uint32_t b) const {
        return static_cast<std::uint32_t>(static_cast<float>(b) * width);
    }
    // The values the block's reduction writes: a (min, max) pair per bucket.
    std::size_t Values() const { return 2 * std::size_t{count}; }

    std::uint32_t samples;
    std::uint32_t count;
    float width;
};

// The same layout with the ends of its first kTabulated buckets worked out once (every block
// length up to 3,200 samples): the scan reduces block after block of one length, and working out
// each bucket's end in the loop cost a quarter of the reduction's time.
struct TabulatedBuckets : MinMaxBuckets {
    static constexpr std::uint32_t kTabulated = 64;
    explicit TabulatedBuckets(std::uint32_t n);
    std::uint32_t End(std::uint32_t b) const { return b <= kTabulated ? ends[b] : MinMaxBuckets::End(b); }

    std::array<std::uint32_t, kTabulated + 1> ends;
};

// Writes min, max of every bucket of the n samples at data (little-endian, 16-bit or 32-bit,
// widened to 32 bits) to out, which has room for 2 * MinMaxBuckets(n).count values; returns how
// many it wrote. Every bucket takes at least one sample.
std::size_t CompressBlockMinMax(const unsigned char* data, std::uint32_t n, bool is32Bit, std::int32_t* out);
// The same for 16-bit samples, into 16-bit values: half the memory for the common width.
std::size_t CompressBlockMinMax(const unsigned char* data, std::uint32_t n, std::int16_t* out);

// One build of the reduction's loops: samples of either width into 32-bit values, and 16-bit
// samples into 16-bit values. Built for the baseline processor and, where the compiler can, for
// AVX2.
struct Reductions {
    std::int32_t* (*wide)(const unsigned char* data, const TabulatedBuckets& buckets, bool is32Bit, std::int32_t* out);
    std::int16_t* (*narrow)(const unsigned char* data, const TabulatedBuckets& buckets, std::int16_t* out);
};
extern const Reductions kBaselineReductions;
extern const Reductions kAvx2Reductions;
// The widest of them this processor runs: the one CompressBlockMinMax uses.
const Reductions& ChosenReductions();
// Whether the reader's loops were built for AVX2 and this processor runs them (asked once).
bool ProcessorRunsAvx2();

}  // namespace tarn

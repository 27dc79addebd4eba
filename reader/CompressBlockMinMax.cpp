#include "reader/CompressBlockMinMax.h"

#include <algorithm>
#include <cmath>

#include "reader/LittleEndian.h"

namespace tarn {

MinMaxBuckets::MinMaxBuckets(std::uint32_t n)
    : samples(n),
      count(static_cast<std::uint32_t>(std::ceil(static_cast<float>(n / 50.0)))),
      width(count == 0 ? 0.0f : static_cast<float>(n) / static_cast<float>(count)) {}

std::uint32_t MinMaxBuckets::WidthEnd(std::uint32_t b) const {
    return static_cast<std::uint32_t>(static_cast<float>(b) * width);
}

std::uint32_t MinMaxBuckets::End(std::uint32_t b) const {
    return b >= count ? samples : std::min(WidthEnd(b), samples);
}

namespace {

// Min and max of count >= 1 samples of a contiguous span. The main loop keeps 32 bytes of
// independent running minima and maxima, a fixed-width inner loop that compilers turn into vector
// min/max even at -O2 (where a loop of unknown length is not vectorised); the lanes are folded
// together at the end and the tail is done one sample at a time.
template <class T>
void SpanMinMax(const unsigned char* data, std::uint32_t count, std::int32_t& min, std::int32_t& max) {
    constexpr std::uint32_t kLanes = 32 / sizeof(T);
    auto at = [data](std::size_t i) { return le::LoadSigned<T>(data + i * sizeof(T)); };
    T lo = at(0);
    T hi = lo;
    std::uint32_t i = 0;
    if (count >= kLanes) {
        T lanesLo[kLanes];
        T lanesHi[kLanes];
        for (std::uint32_t k = 0; k < kLanes; ++k) lanesLo[k] = lanesHi[k] = at(k);
        for (i = kLanes; i + kLanes <= count; i += kLanes) {
            for (std::uint32_t k = 0; k < kLanes; ++k) {
                const T v = at(std::size_t{i} + k);
                lanesLo[k] = v < lanesLo[k] ? v : lanesLo[k];
                lanesHi[k] = v > lanesHi[k] ? v : lanesHi[k];
            }
        }
        for (std::uint32_t k = 0; k < kLanes; ++k) {
            lo = lanesLo[k] < lo ? lanesLo[k] : lo;
            hi = lanesHi[k] > hi ? lanesHi[k] : hi;
        }
    }
    for (; i < count; ++i) {
        const T v = at(i);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    min = lo;
    max = hi;
}

template <class T>
void Reduce(const unsigned char* data, const MinMaxBuckets& buckets, std::vector<std::int32_t>& out) {
    std::uint32_t j = 0;
    for (std::uint32_t b = 1; b <= buckets.count && j < buckets.samples; ++b) {
        const std::uint32_t end = std::max(buckets.End(b), j + 1);
        std::int32_t min = 0;
        std::int32_t max = 0;
        SpanMinMax<T>(data + std::size_t{j} * sizeof(T), end - j, min, max);
        out.push_back(min);
        out.push_back(max);
        j = end;
    }
}

}  // namespace

void CompressBlockMinMax(const unsigned char* data, std::uint32_t n, bool is32Bit, std::vector<std::int32_t>& out) {
    const MinMaxBuckets buckets(n);
    if (is32Bit)
        Reduce<std::int32_t>(data, buckets, out);
    else
        Reduce<std::int16_t>(data, buckets, out);
}

}  // namespace tarn

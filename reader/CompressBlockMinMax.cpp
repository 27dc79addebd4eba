#include "reader/CompressBlockMinMax.h"

#include <algorithm>
#include <cmath>

#include "format/LittleEndian.h"

namespace tarn {

MinMaxBuckets::MinMaxBuckets(std::uint32_t n)
    : samples(n),
      count(static_cast<std::uint32_t>(std::ceil(static_cast<float>(n / 50.0)))),
      width(count == 0 ? 0.0f : static_cast<float>(n) / static_cast<float>(count)) {}

namespace {

// Min and max of count >= 1 samples of a contiguous span: two plain loops with no early exit and
// no dependence between iterations but the two running values. The first covers a multiple of
// 16 samples, so that its vectorised form needs no epilogue (which GCC's cost model at -O2
// otherwise refuses); the second takes the remaining few one by one.
template <class T>
void SpanMinMax(const unsigned char* data, std::uint32_t count, std::int32_t& min, std::int32_t& max) {
    auto at = [data](std::size_t i) { return le::LoadSigned<T>(data + i * sizeof(T)); };
    T lo = at(0);
    T hi = lo;
    const std::uint32_t bulk = count & ~15u;
    for (std::uint32_t i = 0; i < bulk; ++i) {
        const T v = at(i);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    for (std::uint32_t i = bulk; i < count; ++i) {
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

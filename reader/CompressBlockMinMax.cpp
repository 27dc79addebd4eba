#include "reader/CompressBlockMinMax.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "format/LittleEndian.h"

namespace tarn {

namespace {

// ceil(n / 50.0 rounded to single precision). Below 2^20 samples the rounding error (at most
// 2^-10) is smaller than any nonzero fraction of n / 50 (at least 0.02) and never crosses an
// integer, so the integer quotient is the same and costs no floating-point call per block.
std::uint32_t BucketCount(std::uint32_t n) {
    if (n < (1u << 20)) return (n + 49) / 50;
    return static_cast<std::uint32_t>(std::ceil(static_cast<float>(n / 50.0)));
}

}  // namespace

MinMaxBuckets::MinMaxBuckets(std::uint32_t n)
    : samples(n),
      count(BucketCount(n)),
      width(count == 0 ? 0.0f : static_cast<float>(n) / static_cast<float>(count)) {}

namespace {

// Min and max of count >= 1 samples of a contiguous span: two plain loops with no early exit and
// no dependence between iterations but the two running values. The first covers a multiple of
// 16 samples, so that its vectorised form needs no epilogue (which GCC's cost model at -O2
// otherwise refuses); the second takes the remaining few one by one.
template <class T>
void ScalarMinMax(const unsigned char* data, std::uint32_t count, std::int32_t& min, std::int32_t& max) {
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

#if defined(__SSE2__)
// Min and max of count >= 8 16-bit samples, eight at a time. The last eight are loaded from the
// span's end, overlapping what came before (an extreme does not mind being seen twice): with
// buckets of about 50 samples a scalar tail would cost as much as the rest.
void Vector16MinMax(const unsigned char* data, std::uint32_t count, std::int32_t& min, std::int32_t& max) {
    const auto load = [data](std::uint32_t i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + std::size_t{i} * sizeof(std::int16_t)));
    };
    __m128i lo = load(count - 8);
    __m128i hi = lo;
    for (std::uint32_t i = 0; i + 8 < count; i += 8) {
        const __m128i v = load(i);
        lo = _mm_min_epi16(lo, v);
        hi = _mm_max_epi16(hi, v);
    }
    // Fold the eight lanes into one: halves, quarters, then neighbours.
    lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, 0x4E));
    hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, 0x4E));
    lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, 0xB1));
    hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, 0xB1));
    lo = _mm_min_epi16(lo, _mm_shufflelo_epi16(lo, 0xB1));
    hi = _mm_max_epi16(hi, _mm_shufflelo_epi16(hi, 0xB1));
    min = static_cast<std::int16_t>(_mm_cvtsi128_si32(lo));
    max = static_cast<std::int16_t>(_mm_cvtsi128_si32(hi));
}
#endif

template <class T>
void SpanMinMax(const unsigned char* data, std::uint32_t count, std::int32_t& min, std::int32_t& max) {
#if defined(__SSE2__)
    if constexpr (std::is_same_v<T, std::int16_t>)
        if (count >= 8) return Vector16MinMax(data, count, min, max);
#endif
    ScalarMinMax<T>(data, count, min, max);
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

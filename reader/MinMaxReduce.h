// The reduction's loops, compiled twice: for the baseline processor and, in a file of its own,
// with AVX2 (chosen at run time where the processor has it). Only the 16-bit lanes' loads differ
// by hand; the 32-bit loops are left to the compiler's vectoriser. Internal to those two files.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "format/LittleEndian.h"
#include "reader/CompressBlockMinMax.h"

namespace tarn {
namespace {

// Min and max of count >= 1 samples of a contiguous span: two plain loops with no early exit and
// no dependence between iterations but the two running values. The first covers a multiple of
// 16 samples, so that its vectorised form needs no epilogue (which GCC's cost model at -O2
// otherwise refuses); the second takes the remaining few one by one.
template <class T, class Value>
void ScalarMinMax(const unsigned char* data, std::uint32_t count, Value& min, Value& max) {
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
// The extremes of count >= 8 16-bit samples, lane by lane, eight samples at a time. The last
// eight are loaded from the span's end, overlapping what came before (an extreme does not mind
// being seen twice): with buckets of about 50 samples a scalar tail would cost as much as the rest.
inline void LaneExtremes8(const unsigned char* data, std::uint32_t count, __m128i& lo, __m128i& hi) {
    lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + std::size_t{count - 8} * sizeof(std::int16_t)));
    hi = lo;
    for (std::uint32_t i = 0; i + 8 < count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + std::size_t{i} * sizeof(std::int16_t)));
        lo = _mm_min_epi16(lo, v);
        hi = _mm_max_epi16(hi, v);
    }
}

#if defined(__AVX2__)
// The same, sixteen samples at a time where there are as many, the two halves folded at the end.
// Buckets of 32 to 64 samples (those of blocks of 1,000 samples and more) take four loads, the
// last two from the end: a loop whose trip count alternated between neighbouring buckets
// (48 and 49 samples) was mispredicted about once a bucket, which cost more than the loads.
inline void LaneExtremes(const unsigned char* data, std::uint32_t count, __m128i& lo, __m128i& hi) {
    if (count < 16) return LaneExtremes8(data, count, lo, hi);
    const auto load = [data](std::uint32_t i) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + std::size_t{i} * sizeof(std::int16_t)));
    };
    __m256i wideLo = load(count - 16);
    __m256i wideHi = wideLo;
    if (count >= 32 && count <= 64) {
        const __m256i a = load(0), b = load(16), c = load(count - 32);
        wideLo = _mm256_min_epi16(_mm256_min_epi16(wideLo, a), _mm256_min_epi16(b, c));
        wideHi = _mm256_max_epi16(_mm256_max_epi16(wideHi, a), _mm256_max_epi16(b, c));
    } else {
        for (std::uint32_t i = 0; i + 16 < count; i += 16) {
            const __m256i v = load(i);
            wideLo = _mm256_min_epi16(wideLo, v);
            wideHi = _mm256_max_epi16(wideHi, v);
        }
    }
    lo = _mm_min_epi16(_mm256_castsi256_si128(wideLo), _mm256_extracti128_si256(wideLo, 1));
    hi = _mm_max_epi16(_mm256_castsi256_si128(wideHi), _mm256_extracti128_si256(wideHi, 1));
}
#else
inline void LaneExtremes(const unsigned char* data, std::uint32_t count, __m128i& lo, __m128i& hi) {
    LaneExtremes8(data, count, lo, hi);
}
#endif

inline __m128i Min16(__m128i a, __m128i b) { return _mm_min_epi16(a, b); }
inline __m128i Max16(__m128i a, __m128i b) { return _mm_max_epi16(a, b); }

// One bucket's lanes folded into lane 0: halves, quarters, then neighbours.
template <__m128i (*Op)(__m128i, __m128i)> std::int32_t FoldOne(__m128i v) {
    v = Op(v, _mm_shuffle_epi32(v, 0x4E));
    v = Op(v, _mm_shuffle_epi32(v, 0xB1));
    v = Op(v, _mm_shufflelo_epi16(v, 0xB1));
    return static_cast<std::int16_t>(_mm_cvtsi128_si32(v));
}

// Four buckets' lanes folded at once into lanes 0 .. 3, a transposition whose shuffles they share.
template <__m128i (*Op)(__m128i, __m128i)> __m128i FoldFour(const __m128i* v) {
    const __m128i ab = Op(_mm_unpacklo_epi16(v[0], v[1]), _mm_unpackhi_epi16(v[0], v[1]));
    const __m128i cd = Op(_mm_unpacklo_epi16(v[2], v[3]), _mm_unpackhi_epi16(v[2], v[3]));
    const __m128i abcd = Op(_mm_unpacklo_epi32(ab, cd), _mm_unpackhi_epi32(ab, cd));
    return Op(abcd, _mm_shuffle_epi32(abcd, 0x4E));
}

// Buckets [j, ends[0]), [ends[0], ends[1]), ... of 16-bit samples, four at a time while each has
// eight samples or more (every bucket of a block of a few hundred samples); their (min, max) pairs
// go to pair as 16-bit or 32-bit values. Returns the end of what it wrote; b and j are where it stopped.
template <class Value>
Value* FourBucketsAtATime(const unsigned char* data, const TabulatedBuckets& buckets, std::uint32_t& b,
                          std::uint32_t& j, Value* pair) {
    for (; b + 3 <= buckets.count; b += 4, pair += 8) {
        std::uint32_t ends[4];
        std::uint32_t from = j;
        bool wide = true;
        for (std::uint32_t k = 0; k < 4; ++k) {
            ends[k] = std::max(buckets.End(b + k), from + 1);
            wide = wide && ends[k] - from >= 8;
            from = ends[k];
        }
        if (!wide) break;
        __m128i lo[4];
        __m128i hi[4];
        for (std::uint32_t k = 0; k < 4; ++k) {
            LaneExtremes(data + std::size_t{j} * sizeof(std::int16_t), ends[k] - j, lo[k], hi[k]);
            j = ends[k];
        }
        const __m128i pairs = _mm_unpacklo_epi16(FoldFour<Min16>(lo), FoldFour<Max16>(hi));
        auto* to = reinterpret_cast<__m128i*>(pair);
        if constexpr (sizeof(Value) == sizeof(std::int16_t)) {
            _mm_storeu_si128(to, pairs);
        } else {
            _mm_storeu_si128(to, _mm_srai_epi32(_mm_unpacklo_epi16(pairs, pairs), 16));
            _mm_storeu_si128(to + 1, _mm_srai_epi32(_mm_unpackhi_epi16(pairs, pairs), 16));
        }
    }
    return pair;
}
#endif

// Writes the (min, max) pair of every bucket of samples of type T to pair, as values of a type that
// holds them; returns the end of what it wrote.
template <class T, class Value>
Value* Reduce(const unsigned char* data, const TabulatedBuckets& buckets, Value* pair) {
    static_assert(sizeof(Value) >= sizeof(T), "the values hold the samples' extremes");
    std::uint32_t j = 0;
    std::uint32_t b = 1;
#if defined(__SSE2__)
    if constexpr (sizeof(T) == sizeof(std::int16_t)) pair = FourBucketsAtATime(data, buckets, b, j, pair);
#endif
    for (; b <= buckets.count && j < buckets.samples; ++b, pair += 2) {
        const std::uint32_t end = std::max(buckets.End(b), j + 1);
        const unsigned char* span = data + std::size_t{j} * sizeof(T);
        const std::uint32_t count = end - j;
        j = end;
#if defined(__SSE2__)
        if constexpr (sizeof(T) == sizeof(std::int16_t))
            if (count >= 8) {
                __m128i lo;
                __m128i hi;
                LaneExtremes(span, count, lo, hi);
                pair[0] = static_cast<Value>(FoldOne<Min16>(lo));
                pair[1] = static_cast<Value>(FoldOne<Max16>(hi));
                continue;
            }
#endif
        ScalarMinMax<T>(span, count, pair[0], pair[1]);
    }
    return pair;
}

// The reductions as built by the file that includes this one, with its own instruction set.
constexpr Reductions kThisBuild = {
    [](const unsigned char* data, const TabulatedBuckets& buckets, bool is32Bit, std::int32_t* out) {
        return is32Bit ? Reduce<std::int32_t>(data, buckets, out) : Reduce<std::int16_t>(data, buckets, out);
    },
    [](const unsigned char* data, const TabulatedBuckets& buckets, std::int16_t* out) {
        return Reduce<std::int16_t>(data, buckets, out);
    },
};

}  // namespace
}  // namespace tarn

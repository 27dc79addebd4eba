// The four-channel interleave compiled for AVX2; OutputBlock calls it only where the processor has it.
#include "reader/InterleaveFour.h"

#include <immintrin.h>

namespace tarn {

std::size_t InterleaveFour16Avx2(const unsigned char* const* sources, std::size_t n, std::int16_t* out) {
    const auto load = [sources](std::size_t j, std::size_t i) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sources[j] + i * sizeof(std::int16_t)));
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16, out += 64) {
        const __m256i a = load(0, i), b = load(1, i), c = load(2, i), d = load(3, i);
        const __m256i abLow = _mm256_unpacklo_epi16(a, b), abHigh = _mm256_unpackhi_epi16(a, b);
        const __m256i cdLow = _mm256_unpacklo_epi16(c, d), cdHigh = _mm256_unpackhi_epi16(c, d);
        // Each 128-bit lane holds two samples' values of the eight it transposed (lane 0 samples
        // 0 .. 7, lane 1 samples 8 .. 15); the lanes are put in order as they are stored.
        const __m256i s01 = _mm256_unpacklo_epi32(abLow, cdLow), s23 = _mm256_unpackhi_epi32(abLow, cdLow);
        const __m256i s45 = _mm256_unpacklo_epi32(abHigh, cdHigh), s67 = _mm256_unpackhi_epi32(abHigh, cdHigh);
        auto* to = reinterpret_cast<__m256i*>(out);
        _mm256_storeu_si256(to, _mm256_permute2x128_si256(s01, s23, 0x20));
        _mm256_storeu_si256(to + 1, _mm256_permute2x128_si256(s45, s67, 0x20));
        _mm256_storeu_si256(to + 2, _mm256_permute2x128_si256(s01, s23, 0x31));
        _mm256_storeu_si256(to + 3, _mm256_permute2x128_si256(s45, s67, 0x31));
    }
    return i;
}

}  // namespace tarn

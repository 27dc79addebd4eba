#include "reader/CompressBlockMinMax.h"

#include <cmath>

#include "reader/MinMaxReduce.h"

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

TabulatedBuckets::TabulatedBuckets(std::uint32_t n) : MinMaxBuckets(n) {
    for (std::uint32_t b = 0; b <= kTabulated; ++b) ends[b] = MinMaxBuckets::End(b);
}

const Reductions kBaselineReductions = kThisBuild;

bool ProcessorRunsAvx2() {
#if defined(TARN_HAVE_AVX2)
    static const bool runs = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return runs;
#else
    return false;
#endif
}

// Asked once (through ProcessorRunsAvx2): the binaries run on any x86 processor.
const Reductions& ChosenReductions() {
#if defined(TARN_HAVE_AVX2)
    if (ProcessorRunsAvx2()) return kAvx2Reductions;
#endif
    return kBaselineReductions;
}

std::size_t CompressBlockMinMax(const unsigned char* data, std::uint32_t n, bool is32Bit, std::int32_t* out) {
    return static_cast<std::size_t>(ChosenReductions().wide(data, TabulatedBuckets(n), is32Bit, out) - out);
}

std::size_t CompressBlockMinMax(const unsigned char* data, std::uint32_t n, std::int16_t* out) {
    return static_cast<std::size_t>(ChosenReductions().narrow(data, TabulatedBuckets(n), out) - out);
}

}  // namespace tarn

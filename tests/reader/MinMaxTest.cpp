#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "reader/CompressBlockMinMax.h"
#include "format/LittleEndian.h"

namespace tarn {
namespace {

using Sample = std::function<std::int32_t(std::uint32_t)>;

std::vector<std::int32_t> Reduce(std::uint32_t n, bool is32Bit, const Sample& sample) {
    std::vector<unsigned char> bytes(std::size_t{n} * (is32Bit ? 4 : 2));
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint32_t>(sample(i));
        if (is32Bit)
            le::WriteU32(&bytes[std::size_t{i} * 4], v);
        else
            le::WriteU16(&bytes[std::size_t{i} * 2], static_cast<std::uint16_t>(v));
    }
    std::vector<std::int32_t> out;
    CompressBlockMinMax(bytes.data(), n, is32Bit, out);
    return out;
}

std::int32_t Index(std::uint32_t i) { return static_cast<std::int32_t>(i); }

TEST(Reduction, GivesEachBucketsMinAndMax) {
    // The width alone would end the last bucket at 503 and lose the peak at 503.
    EXPECT_EQ(Reduce(504, false, [](std::uint32_t i) { return i == 503 ? 30000 : 0; }),
              (std::vector<std::int32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000}));
    EXPECT_EQ(Reduce(101, false, Index), (std::vector<std::int32_t>{0, 32, 33, 66, 67, 100}));
    EXPECT_EQ(Reduce(4, false, [](std::uint32_t i) { return -32768 + Index(i); }),
              (std::vector<std::int32_t>{-32768, -32765}));
}

// Every sample lies in exactly one bucket, in order; every bucket end but the last is the one
// the single-precision width gives; and the vectorised loop agrees with a plain pass.
TEST(Reduction, EverySampleInExactlyOneBucket) {
    std::uint32_t firstShortWidth = 0;
    for (bool is32Bit : {false, true}) {
        const Sample sample = [is32Bit](std::uint32_t i) {
            return (Index((i * 7919u) % 2003u) - 1000) * (is32Bit ? 70000 : 1);
        };
        for (std::uint32_t n = 1; n <= 4096; ++n) {
            const MinMaxBuckets buckets(n);
            const std::vector<std::int32_t> values = Reduce(n, is32Bit, sample);
            ASSERT_EQ(values.size(), 2u * buckets.count) << n;
            std::uint32_t j = 0;
            for (std::uint32_t b = 1; b <= buckets.count; ++b) {
                if (b < buckets.count) {
                    ASSERT_EQ(buckets.End(b), buckets.WidthEnd(b)) << n << " bucket " << b;
                }
                ASSERT_GT(buckets.End(b), j) << n << " bucket " << b << " is empty";
                std::int32_t lo = sample(j), hi = lo;
                for (++j; j < buckets.End(b); ++j) {
                    lo = std::min(lo, sample(j));
                    hi = std::max(hi, sample(j));
                }
                ASSERT_EQ(values[2 * (b - 1)], lo) << n << (is32Bit ? " x32" : " x16") << " bucket " << b;
                ASSERT_EQ(values[2 * (b - 1) + 1], hi) << n << (is32Bit ? " x32" : " x16") << " bucket " << b;
            }
            ASSERT_EQ(j, n);
            if (firstShortWidth == 0 && buckets.WidthEnd(buckets.count) != n) firstShortWidth = n;
        }
    }
    EXPECT_EQ(firstShortWidth, 504u);
}

}  // namespace
}  // namespace tarn

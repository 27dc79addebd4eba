// The min/max reduction of a sample block into buckets of about 50 samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "format/LittleEndian.h"
#include "reader/CompressBlockMinMax.h"

namespace tarn {
namespace {

// Every sample lies in exactly one bucket, in order; every bucket end but the last is the one the
// single-precision width gives (101 samples: 33, 67, 101), the last is the block's end (the width
// alone would lose the last sample of 504); the vectorised loops agree with a plain pass.
TEST(Reduction, EverySampleInExactlyOneBucket) {
    EXPECT_EQ(std::vector<std::uint32_t>({MinMaxBuckets(101).End(1), MinMaxBuckets(101).End(2), MinMaxBuckets(101).End(3)}),
              (std::vector<std::uint32_t>{33, 67, 101}));
    EXPECT_NE(MinMaxBuckets(504).WidthEnd(11), 504u);
    for (bool is32Bit : {false, true}) {
        const auto sample = [is32Bit](std::uint32_t i) {
            if (i == 503) return 30000;  // the peak the width alone would lose
            return (static_cast<std::int32_t>((i * 7919u) % 2003u) - 1000) * (is32Bit ? 70000 : 1);
        };
        std::vector<unsigned char> bytes(4096 * 4);
        for (std::uint32_t i = 0; i < 4096; ++i) {
            if (is32Bit)
                le::WriteU32(&bytes[i * 4], static_cast<std::uint32_t>(sample(i)));
            else
                le::WriteU16(&bytes[i * 2], static_cast<std::uint16_t>(sample(i)));
        }
        for (std::uint32_t n = 1; n <= 4096; ++n) {
            const MinMaxBuckets buckets(n);
            std::vector<std::int32_t> values;
            CompressBlockMinMax(bytes.data(), n, is32Bit, values);
            ASSERT_EQ(values.size(), 2u * static_cast<std::uint32_t>(std::ceil(n / 50.0))) << n;
            std::uint32_t j = 0;
            for (std::uint32_t b = 1; b <= buckets.count; ++b) {
                const std::uint32_t end = b < buckets.count ? buckets.WidthEnd(b) : n;
                ASSERT_GT(end, j) << n << " bucket " << b << " is empty";
                std::int32_t lo = sample(j), hi = lo;
                for (++j; j < end; ++j) {
                    lo = std::min(lo, sample(j));
                    hi = std::max(hi, sample(j));
                }
                ASSERT_EQ(std::make_pair(values[2 * (b - 1)], values[2 * b - 1]), std::make_pair(lo, hi))
                    << n << (is32Bit ? " x32" : " x16") << " bucket " << b;
            }
        }
    }
}

}  // namespace
}  // namespace tarn

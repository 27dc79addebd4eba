#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "reader/CompressBlockMinMax.h"
#include "reader/LittleEndian.h"

namespace tarn {
namespace {

std::vector<unsigned char> Encode(std::uint32_t n, bool is32Bit, const std::function<std::int32_t(std::uint32_t)>& sample) {
    std::vector<unsigned char> bytes(std::size_t{n} * (is32Bit ? 4 : 2));
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint32_t>(sample(i));
        if (is32Bit)
            le::WriteU32(&bytes[std::size_t{i} * 4], v);
        else
            le::WriteU16(&bytes[std::size_t{i} * 2], static_cast<std::uint16_t>(v));
    }
    return bytes;
}

std::vector<std::int32_t> Reduce(std::uint32_t n, bool is32Bit, const std::function<std::int32_t(std::uint32_t)>& sample) {
    const std::vector<unsigned char> bytes = Encode(n, is32Bit, sample);
    std::vector<std::int32_t> out;
    CompressBlockMinMax(bytes.data(), n, is32Bit, out);
    return out;
}

std::int32_t Index(std::uint32_t i) { return static_cast<std::int32_t>(i); }

struct ReductionCase {
    const char* name;
    std::uint32_t n;
    bool is32Bit;
    std::function<std::int32_t(std::uint32_t)> sample;
    std::vector<std::int32_t> values;  // min, max of each bucket
};

class Reduction : public testing::TestWithParam<ReductionCase> {};

TEST_P(Reduction, GivesEachBucketsMinAndMax) {
    const ReductionCase& c = GetParam();
    EXPECT_EQ(Reduce(c.n, c.is32Bit, c.sample), c.values);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Reduction,
    testing::Values(
        ReductionCase{"OneSample", 1, false, [](std::uint32_t) { return -7; }, {-7, -7}},
        ReductionCase{"Hundred", 100, false, [](std::uint32_t i) { return 50 - Index(i % 60); }, {1, 50, -9, 50}},
        ReductionCase{"HundredAndOneEndAt33And67", 101, false, Index, {0, 32, 33, 66, 67, 100}},
        // The width alone would end the last bucket at 503 and lose the peak at 503.
        ReductionCase{"LastSampleOf504", 504, false, [](std::uint32_t i) { return i == 503 ? 30000 : 0; },
                      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000}},
        ReductionCase{"Wide32BitValues", 60, true, [](std::uint32_t i) { return i < 30 ? -70000 - Index(i) : 70000 + Index(i); },
                      {-70029, -70000, 70030, 70059}},
        ReductionCase{"Negative16BitValuesWiden", 4, false, [](std::uint32_t i) { return -32768 + Index(i); }, {-32768, -32765}}),
    [](const testing::TestParamInfo<ReductionCase>& info) { return std::string(info.param.name); });

// Every sample lies in exactly one bucket, in order; every bucket end but the last is the one
// the single-precision width gives; and the vectorised span loop agrees with a plain one.
TEST(Reduction, EverySampleInExactlyOneBucket) {
    std::uint32_t firstShortWidth = 0;
    for (std::uint32_t n = 1; n <= 4096; ++n) {
        const MinMaxBuckets buckets(n);
        const std::vector<std::int32_t> values = Reduce(n, false, Index);
        ASSERT_EQ(values.size(), 2u * buckets.count) << n;
        std::int32_t next = 0;
        for (std::uint32_t b = 1; b <= buckets.count; ++b) {
            const std::int32_t end = static_cast<std::int32_t>(buckets.End(b));
            ASSERT_EQ(values[2 * (b - 1)], next) << n << " bucket " << b;
            ASSERT_EQ(values[2 * (b - 1) + 1], end - 1) << n << " bucket " << b;
            if (b < buckets.count) {
                ASSERT_EQ(buckets.End(b), buckets.WidthEnd(b)) << n << " bucket " << b;
            }
            next = end;
        }
        ASSERT_EQ(next, static_cast<std::int32_t>(n));
        if (firstShortWidth == 0 && buckets.WidthEnd(buckets.count) != n) firstShortWidth = n;
    }
    EXPECT_EQ(firstShortWidth, 504u);
}

TEST(Reduction, LanesAgreeWithAPlainPass) {
    for (bool is32Bit : {false, true}) {
        for (std::uint32_t n : {15u, 16u, 17u, 49u, 50u, 1024u, 4093u}) {
            auto sample = [](std::uint32_t i) { return Index((i * 7919u) % 2003u) - 1000; };
            const std::vector<std::int32_t> values = Reduce(n, is32Bit, sample);
            const MinMaxBuckets buckets(n);
            std::uint32_t j = 0;
            for (std::uint32_t b = 1; b <= buckets.count; ++b) {
                std::int32_t lo = sample(j), hi = lo;
                for (++j; j < buckets.End(b); ++j) {
                    lo = std::min(lo, sample(j));
                    hi = std::max(hi, sample(j));
                }
                EXPECT_EQ(values[2 * (b - 1)], lo) << n << (is32Bit ? " x32" : " x16");
                EXPECT_EQ(values[2 * (b - 1) + 1], hi) << n << (is32Bit ? " x32" : " x16");
            }
        }
    }
}

}  // namespace
}  // namespace tarn

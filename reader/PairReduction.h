// The reduction both overview paths share: a run of values becomes pairs of (minimum, maximum),
// pair p ending where trunc((p + 1) * step + base) does, in single precision.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tarn {

// values[0, count) are the values base .. base + count - 1 of a longer run; step is the number of
// values per pair. The bucket ends are computed in single precision, as overview clients have
// always had them. Each pair takes at least one value, and the last one every value left: the
// single-precision ends can stop it a value short (1,000 values in 30 pairs), which would drop
// that value from the envelope. count >= pairs; emit(minimum, maximum) runs once per pair.
template <class Value, class Emit>
void ReduceToPairs(const Value* values, std::uint32_t count, std::uint32_t base, std::uint32_t pairs, float step,
                   Emit&& emit) {
    if (count == 0) return;
    std::uint32_t i = 0;
    for (std::uint32_t p = 0; p < pairs; ++p) {
        const float at = static_cast<float>(p + 1) * step + static_cast<float>(base);
        std::uint32_t end = count;
        if (p + 1 < pairs && static_cast<double>(at) < static_cast<double>(base) + count)
            end = at > static_cast<float>(base) ? static_cast<std::uint32_t>(at) - base : 0;
        i = std::min(i, count - 1);
        Value low = values[i];
        Value high = values[i];
        for (++i; i < end; ++i) {
            high = std::max(high, values[i]);
            low = std::min(low, values[i]);
        }
        emit(low, high);
    }
}

}  // namespace tarn

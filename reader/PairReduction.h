// The reduction both overview paths share: a run of values becomes pairs of (minimum, maximum),
// each made of whole groups of the run.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tarn {

// values[0, count) come in groups of unit values (2: the min/max cache's (minimum, maximum)
// pairs; 1: raw samples), G = count / unit of them. Pair p takes the groups
// [p * G / pairs, (p + 1) * G / pairs), the last pair also any values after the last whole group.
// The ends are exact integers counted from values[0]: single-precision ends, or ends counted from
// where the run lies in a longer one, drift off the groups far into a channel. Each pair takes at
// least one value when G >= pairs, as the callers ensure. emit(minimum, maximum) runs once per pair.
template <class Value, class Emit>
void ReduceToPairs(const Value* values, std::uint32_t count, std::uint32_t unit, std::uint32_t pairs, Emit&& emit) {
    if (count == 0) return;
    const std::uint64_t groups = std::max<std::uint64_t>(count / unit, pairs);
    std::uint32_t i = 0;
    for (std::uint32_t p = 0; p < pairs; ++p) {
        const std::uint64_t end = p + 1 == pairs ? count : (p + 1) * groups / pairs * unit;
        i = std::min(i, count - 1);
        Value low = values[i];
        Value high = values[i];
        for (++i; i < std::min<std::uint64_t>(end, count); ++i) {
            high = std::max(high, values[i]);
            low = std::min(low, values[i]);
        }
        emit(low, high);
    }
}

}  // namespace tarn

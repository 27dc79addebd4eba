// The entries of a channel whose blocks are out of order in the file, sorted by their first
// sample: the entries holding a sample are then found by a binary search and a walk over those
// that start at or before it and reach past it, instead of a walk through the whole list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/BlockEntry.h"

namespace tarn {

class BlockOrder {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Sorts the entries afresh when the list has grown since the last call.
    void Update(const BlockList& entries);
    // The lowest index from `from` on whose entry holds sample target (first() <= target < last()),
    // or kNone: what walking the list forward from `from` would find.
    std::size_t FirstHolding(const BlockList& entries, std::int64_t target, std::size_t from) const;
    std::size_t MemoryBytes() const;

private:
    std::vector<std::size_t> m_ByFirst;  // entry indexes by first(), then by index
    std::vector<std::int64_t> m_Reach;   // the largest last() of m_ByFirst[0 .. i]
};

}  // namespace tarn

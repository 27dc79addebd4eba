#include "reader/BlockOrder.h"

#include <algorithm>
#include <numeric>

namespace tarn {

void BlockOrder::Update(const BlockList& entries) {
    if (m_ByFirst.size() == entries.size()) return;
    m_ByFirst.resize(entries.size());
    std::iota(m_ByFirst.begin(), m_ByFirst.end(), std::size_t{0});
    std::stable_sort(m_ByFirst.begin(), m_ByFirst.end(),
                     [&entries](std::size_t a, std::size_t b) { return entries[a].first() < entries[b].first(); });
    m_Reach.resize(entries.size());
    std::int64_t reach = 0;
    for (std::size_t i = 0; i < m_ByFirst.size(); ++i) m_Reach[i] = reach = std::max(reach, entries[m_ByFirst[i]].last());
}

std::size_t BlockOrder::FirstHolding(const BlockList& entries, std::int64_t target, std::size_t from) const {
    // The entries starting at or before the target come first; of them, walk back only while
    // some entry at or before the step still reaches past the target.
    const auto startsAfter = std::upper_bound(m_ByFirst.begin(), m_ByFirst.end(), target,
                                              [&entries](std::int64_t t, std::size_t i) { return t < entries[i].first(); });
    std::size_t found = kNone;
    for (auto j = static_cast<std::size_t>(startsAfter - m_ByFirst.begin()); j > 0 && m_Reach[j - 1] > target; --j) {
        const std::size_t index = m_ByFirst[j - 1];
        if (index >= from && index < found && entries[index].last() > target) found = index;
    }
    return found;
}

std::size_t BlockOrder::MemoryBytes() const {
    return m_ByFirst.capacity() * sizeof(std::size_t) + m_Reach.capacity() * sizeof(std::int64_t);
}

}  // namespace tarn

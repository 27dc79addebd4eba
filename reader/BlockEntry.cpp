#include "reader/BlockEntry.h"

namespace tarn {

void BlockList::push_back(const BlockEntry& entry) {
    if (m_Chunks.empty() || m_Chunks.back().size() == kChunkEntries) {
        m_Chunks.emplace_back();
        // Later chunks are known to fill up; the first grows by doubling and so ends at exactly
        // kChunkEntries too.
        if (m_Chunks.size() > 1) m_Chunks.back().reserve(kChunkEntries);
    }
    m_Chunks.back().push_back(entry);
    ++m_Size;
}

std::size_t BlockList::capacity() const {
    std::size_t entries = 0;
    for (const std::vector<BlockEntry>& chunk : m_Chunks) entries += chunk.capacity();
    return entries;
}

std::size_t BlockList::MemoryBytes() const {
    return capacity() * sizeof(BlockEntry) + m_Chunks.capacity() * sizeof(std::vector<BlockEntry>);
}

}  // namespace tarn

#include "reader/BlockEntry.h"

#include <new>

#include "reader/HugePageAllocator.h"

namespace tarn {

void ChunkArena::SlabDeleter::operator()(BlockEntry* slab) const {
    HugePageAllocator<BlockEntry>().deallocate(slab, kSlabEntries);
}

BlockEntry* ChunkArena::Take() {
    if (m_Slabs.empty() || m_Used == kSlabEntries) {
        try {
            m_Slabs.emplace_back(HugePageAllocator<BlockEntry>().allocate(kSlabEntries));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        m_Used = 0;
    }
    BlockEntry* chunk = m_Slabs.back().get() + m_Used;
    m_Used += BlockList::kChunkEntries;
    return chunk;
}

bool BlockList::push_back(const BlockEntry& entry) {
    const std::size_t at = m_Size % kChunkEntries;
    if (m_Size < kChunkEntries) {
        // The first chunk grows by doubling and so ends at exactly kChunkEntries.
        m_First.push_back(entry);
        if (m_Chunks.empty()) m_Chunks.push_back(nullptr);
        m_Chunks[0] = m_First.data();
    } else {
        if (at == 0) {
            BlockEntry* chunk = m_Arena.Take();
            if (!chunk) return false;
            m_Chunks.push_back(chunk);
        }
        ::new (static_cast<void*>(m_Chunks.back() + at)) BlockEntry(entry);
    }
    ++m_Size;
    return true;
}

std::size_t BlockList::capacity() const {
    const std::size_t arenaChunks = m_Chunks.size() > 1 ? m_Chunks.size() - 1 : 0;
    return m_First.capacity() + arenaChunks * kChunkEntries;
}

std::size_t BlockList::MemoryBytes() const {
    return m_First.capacity() * sizeof(BlockEntry) + m_Chunks.capacity() * sizeof(BlockEntry*);
}

}  // namespace tarn

#include "reader/ChannelTable.h"

#include <algorithm>

#include "reader/IndexMemory.h"

namespace tarn {

void ChannelTable::Create(std::int32_t channels, std::uint32_t reserve) {
    Clear();
    m_Channels = std::max(channels, 0);
    m_Slots.reserve(static_cast<std::size_t>(m_Channels));
    for (std::int32_t i = 0; i < m_Channels; ++i)
        m_Slots.push_back(std::make_unique<CChannelDesc>(m_Arena, reserve, false));
}

void ChannelTable::Clear() {
    m_Slots.clear();
    m_Arena = ChunkArena();
    m_ExtraSlots.clear();
    m_Channels = 0;
}

CChannelDesc& ChannelTable::SlotFor(std::int32_t key) {
    std::size_t slot = static_cast<std::size_t>(key);
    if (key >= m_Channels) {
        const auto [it, created] = m_ExtraSlots.try_emplace(key, m_Slots.size());
        if (created) m_Slots.push_back(std::make_unique<CChannelDesc>(m_Arena, 0, false));
        slot = it->second;
    }
    CChannelDesc& desc = *m_Slots[slot];
    if (desc.Id() == -1) desc.SetId(key);
    return desc;
}

std::int32_t ChannelTable::FirstSampleNumber() const {
    std::uint32_t first = 0;
    for (std::int32_t i = 0; i < m_Channels; ++i) {
        const BlockList& blocks = m_Slots[static_cast<std::size_t>(i)]->Blocks();
        if (!blocks.empty()) first = std::max(first, blocks.front().first());
    }
    return static_cast<std::int32_t>(first);
}

std::int32_t ChannelTable::LastSampleNumber() const {
    bool any = false;
    std::int64_t last = 0;
    for (std::int32_t i = 0; i < m_Channels; ++i) {
        const BlockList& blocks = m_Slots[static_cast<std::size_t>(i)]->Blocks();
        if (blocks.empty()) continue;
        last = any ? std::min(last, blocks.back().last()) : blocks.back().last();
        any = true;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(last));
}

std::size_t ChannelTable::MemoryBytes() const {
    std::size_t bytes = m_Slots.capacity() * sizeof(m_Slots[0]);
    for (const auto& slot : m_Slots) bytes += slot->MemoryBytes();
    return bytes + m_Arena.MemoryBytes() + HashMapMemoryBytes(m_ExtraSlots);
}

}  // namespace tarn

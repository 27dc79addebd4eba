#include "reader/DCChannelDesc.h"

#include "reader/IndexMemory.h"

namespace tarn {

void DCChannelDesc::add(const DCBlockEntry& block) {
    if (m_Blocks.empty()) m_First = block.sampleNumber;
    m_Last = block.sampleNumber;
    m_Blocks.push_back(block);
}

void DCTable::Add(std::int32_t key, const DCBlockEntry& block) {
    const auto [it, created] = m_ByKey.try_emplace(key, m_Channels.size());
    if (created) m_Channels.emplace_back(key);
    m_Channels[it->second].add(block);
}

void DCTable::Clear() {
    m_Channels.clear();
    m_ByKey.clear();
}

const DCBlockEntry* DCTable::Find(std::int32_t channel, std::int32_t index) const {
    if (channel < 0 || static_cast<std::size_t>(channel) >= m_Channels.size()) return nullptr;
    const std::vector<DCBlockEntry>& blocks = m_Channels[static_cast<std::size_t>(channel)].Blocks();
    if (index < 0 || static_cast<std::size_t>(index) >= blocks.size()) return nullptr;
    return &blocks[static_cast<std::size_t>(index)];
}

void DCTable::Indexes(std::int32_t s0, std::int32_t s1, std::vector<std::int32_t>& pairs) const {
    pairs.clear();
    for (std::size_t i = 0; i < m_Channels.size(); ++i) {
        const DCChannelDesc& channel = m_Channels[i];
        // A channel outside the range has nothing for it; the channels after it still may.
        if (s1 < static_cast<std::int32_t>(channel.First()) || s0 > static_cast<std::int32_t>(channel.Last()))
            continue;
        const std::vector<DCBlockEntry>& blocks = channel.Blocks();
        for (std::size_t j = 0; j < blocks.size(); ++j) {
            const auto sample = static_cast<std::int32_t>(blocks[j].sampleNumber);
            if (sample >= s1) break;
            if (sample >= s0) {
                pairs.push_back(static_cast<std::int32_t>(i));
                pairs.push_back(static_cast<std::int32_t>(j));
            }
        }
    }
}

std::size_t DCTable::MemoryBytes() const {
    std::size_t bytes = m_Channels.capacity() * sizeof(DCChannelDesc);
    for (const DCChannelDesc& channel : m_Channels) bytes += channel.Blocks().capacity() * sizeof(DCBlockEntry);
    return bytes + HashMapMemoryBytes(m_ByKey);
}

}  // namespace tarn

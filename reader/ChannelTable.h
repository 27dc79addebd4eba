// The channel slots of the index. Channel c (from 1) is slot c - 1 and serves channel key c - 1;
// blocks of keys N and above belong to no channel and get one slot per key after the N.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "reader/CChannelDesc.h"

namespace tarn {

class ChannelTable {
public:
    // Discards every slot and creates channels fresh ones, each reserving reserve min/max values.
    void Create(std::int32_t channels, std::uint32_t reserve);
    void Clear();

    // The slot of channel key key (>= 0), which takes the key as its Id on the key's first block.
    // A key of N or more gets a slot of its own on its first block, with nothing reserved: such
    // blocks are rare, and a file full of them must not cost a whole-file reservation each.
    CChannelDesc& SlotFor(std::int32_t key);

    std::size_t size() const { return m_Slots.size(); }
    const CChannelDesc& operator[](std::size_t slot) const { return *m_Slots[slot]; }
    CChannelDesc& Slot(std::int32_t slot) { return *m_Slots[static_cast<std::size_t>(slot)]; }
    // visit(slot) for every slot, those of keys N and above included.
    template <class Visit> void ForEachSlot(Visit&& visit) {
        for (const std::unique_ptr<CChannelDesc>& slot : m_Slots) visit(*slot);
    }

    // Over the N channels that have an entry (0 when none has): the largest first sample, which
    // every channel has reached, and the smallest end, up to which every channel has samples.
    std::int32_t FirstSampleNumber() const;
    std::int32_t LastSampleNumber() const;

    std::size_t MemoryBytes() const;

private:
    std::int32_t m_Channels = 0;
    ChunkArena m_Arena;  // before the slots, which hold chunks of it
    std::vector<std::unique_ptr<CChannelDesc>> m_Slots;
    std::unordered_map<std::int32_t, std::size_t> m_ExtraSlots;  // key >= N to slot
};

}  // namespace tarn

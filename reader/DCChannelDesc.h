// The DC table: the DC blocks of a recording grouped by channel key into DC channels, numbered
// from 0 in the order in which each key first occurs in the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarn {

struct DCBlockEntry {
    std::uint32_t sampleNumber;  // relative SampleNo of the block
    std::int32_t byteLength;     // the whole block: 12 + 8n for its n entries
    std::int64_t position;       // file offset of the block's header
};

class DCChannelDesc {
public:
    explicit DCChannelDesc(std::int32_t key) : m_Key(key) {}

    void add(const DCBlockEntry& block);

    std::int32_t Key() const { return m_Key; }
    // Relative SampleNo of the channel's first and of its latest DC block.
    std::uint32_t First() const { return m_First; }
    std::uint32_t Last() const { return m_Last; }
    const std::vector<DCBlockEntry>& Blocks() const { return m_Blocks; }

private:
    std::int32_t m_Key;
    std::uint32_t m_First = 0;
    std::uint32_t m_Last = 0;
    std::vector<DCBlockEntry> m_Blocks;
};

class DCTable {
public:
    // Adds a block to the DC channel of key, which is created on its first block.
    void Add(std::int32_t key, const DCBlockEntry& block);
    void Clear();

    // Block index of DC channel channel (both from 0); null when outside the table.
    const DCBlockEntry* Find(std::int32_t channel, std::int32_t index) const;
    const DCChannelDesc& Channel(std::size_t channel) const { return m_Channels[channel]; }

    // The (channel, block) pairs of the blocks whose sample number lies in [s0, s1), flattened,
    // channel after channel, each channel's blocks in file order.
    void Indexes(std::int32_t s0, std::int32_t s1, std::vector<std::int32_t>& pairs) const;

    std::size_t MemoryBytes() const;

private:
    std::vector<DCChannelDesc> m_Channels;
    // Key to channel number: a file may hold many keys, and each DC block looks its key up.
    std::unordered_map<std::int32_t, std::size_t> m_ByKey;
};

}  // namespace tarn

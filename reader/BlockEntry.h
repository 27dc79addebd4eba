// The index entry of one sample block and the per-channel list of them. An entry is 16 bytes:
// the index of a long recording is a few percent of the file, and most of it is these entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "format/RecordingLayout.h"

namespace tarn {

class BlockEntry {
public:
    // Positions the packed field can hold (64 TiB); the scan indexes no block beyond.
    static constexpr std::int64_t kMaxPosition = (std::int64_t{1} << 46) - 1;
    static constexpr std::uint32_t kMaxCount = (1u << 17) - 1;  // above any block's sample count

    // position must be 0 .. kMaxPosition and count 1 .. kMaxCount (CChannelDesc::add checks).
    BlockEntry(std::uint32_t first, std::uint32_t count, bool is32Bit, std::int64_t position,
               std::uint32_t compressedStart)
        : m_First(first),
          m_CompressedStart(compressedStart),
          m_Packed(static_cast<std::uint64_t>(position) << 18 | std::uint64_t{is32Bit} << 17 | count) {}

    // Relative sample number of the block's first sample; last() is one past its last sample.
    std::uint32_t first() const { return m_First; }
    std::int64_t last() const { return std::int64_t{m_First} + count(); }
    std::uint32_t count() const { return static_cast<std::uint32_t>(m_Packed & kMaxCount); }
    bool is32Bit() const { return (m_Packed >> 17 & 1) != 0; }
    // File offset of the block's header.
    std::int64_t position() const { return static_cast<std::int64_t>(m_Packed >> 18); }
    std::uint32_t sampleWidth() const { return layout::SampleWidth(is32Bit()); }
    // The whole block: header, its one channel entry and the samples.
    std::uint32_t byteLength() const {
        return static_cast<std::uint32_t>(layout::kBlockFramingLength) + count() * sampleWidth();
    }
    // Index of the block's first min/max value in the channel's cache; its values run up to the
    // next entry's first.
    std::uint32_t compressedStart() const { return m_CompressedStart; }
    void setCompressedStart(std::uint32_t start) { m_CompressedStart = start; }

private:
    std::uint32_t m_First;
    std::uint32_t m_CompressedStart;
    std::uint64_t m_Packed;  // position << 18 | is32Bit << 17 | count
};
static_assert(sizeof(BlockEntry) == 16, "the index memory budget counts on 16-byte entries");

// The memory of the channels' full chunks of entries, cut from huge pages that every channel of
// one index shares: chunks of small pages would cost a first-touch fault per 256 entries, and a
// huge page per channel would be a lot of spare room for a recording of many short channels.
class ChunkArena {
public:
    // Room for BlockList::kChunkEntries entries, valid as long as the arena; nullptr when no
    // memory is left.
    BlockEntry* Take();
    std::size_t MemoryBytes() const { return m_Slabs.size() * kSlabEntries * sizeof(BlockEntry); }

private:
    static constexpr std::size_t kSlabEntries = (std::size_t{2} << 20) / sizeof(BlockEntry);
    struct SlabDeleter {
        void operator()(BlockEntry* slab) const;
    };
    std::vector<std::unique_ptr<BlockEntry, SlabDeleter>> m_Slabs;
    std::size_t m_Used = 0;  // entries handed out from the last slab
};

// A channel's entries in scan order, kept in chunks of fixed size: growing never copies the
// entries already indexed and never holds more than one chunk of spare room, while the first
// chunk grows from nothing so that a channel with a few blocks costs a few entries. The chunks
// after the first come from the index's arena.
class BlockList {
public:
    static constexpr std::size_t kChunkEntries = 4096;

    // arena is not owned and must outlive the list.
    explicit BlockList(ChunkArena& arena) : m_Arena(arena) {}
    BlockList(const BlockList&) = delete;
    BlockList& operator=(const BlockList&) = delete;

    // False when no memory is left for the entry.
    bool push_back(const BlockEntry& entry);
    std::size_t size() const { return m_Size; }
    bool empty() const { return m_Size == 0; }
    const BlockEntry& operator[](std::size_t i) const { return m_Chunks[i / kChunkEntries][i % kChunkEntries]; }
    BlockEntry& operator[](std::size_t i) { return m_Chunks[i / kChunkEntries][i % kChunkEntries]; }
    const BlockEntry& front() const { return (*this)[0]; }
    const BlockEntry& back() const { return (*this)[m_Size - 1]; }
    // Entries the chunks have room for.
    std::size_t capacity() const;
    // Bytes held, chunk table included; the arena's chunks are the arena's.
    std::size_t MemoryBytes() const;

private:
    ChunkArena& m_Arena;
    std::vector<BlockEntry> m_First;
    std::vector<BlockEntry*> m_Chunks;  // m_First's storage, then the arena's
    std::size_t m_Size = 0;
};

}  // namespace tarn

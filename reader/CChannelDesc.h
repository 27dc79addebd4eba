// One channel slot of the index: the channel's sample blocks in scan order with their file
// positions, and the min/max values of every block for overview retrieval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/BlockEntry.h"
#include "reader/HugePageAllocator.h"

namespace tarn {

// The min/max values of a channel's blocks, reserved for the whole file at creation.
using MinMaxValues = std::vector<std::int32_t, HugePageAllocator<std::int32_t>>;

class CChannelDesc {
public:
    // reserve: values reserved in the min/max cache (the scan's estimate for a whole file).
    CChannelDesc(std::uint32_t reserve, bool is32Bit);
    ~CChannelDesc();
    CChannelDesc(const CChannelDesc&) = delete;
    CChannelDesc& operator=(const CChannelDesc&) = delete;

    // Indexes a block of count samples starting at relative sample first, whose header lies at
    // position, with its min/max values (minmax may be null when minmaxCount is 0). Marks an
    // overrun when the block starts later than the channel's next expected sample, and traces
    // any other start than the expected one. False (nothing indexed) for a position or count the
    // index cannot hold.
    bool add(std::uint32_t first, std::uint32_t count, bool is32Bit, std::int64_t position,
             const std::int32_t* minmax, std::size_t minmaxCount);

    // The block holding relative sample s, counted from the channel's first indexed sample.
    struct Location {
        const BlockEntry* entry = nullptr;  // null: not found
        std::uint32_t offset = 0;           // of the sample within the block
    };
    Location FindBlock(std::int64_t s) const;

    std::int32_t Id() const { return m_Id; }
    void SetId(std::int32_t id) { m_Id = id; }
    bool Overrun() const { return m_Overrun; }
    bool Is32Bit() const { return m_Is32Bit; }
    void SetIs32Bit(bool is32Bit) { m_Is32Bit = is32Bit; }
    const BlockList& Blocks() const { return m_SamplesInFile; }
    // Bytes held by the entries and the min/max cache.
    std::size_t MemoryBytes() const;

private:
    std::int32_t m_Id = -1;
    std::uint32_t m_NextSample = 0;
    bool m_Overrun = false;
    bool m_Is32Bit;
    bool m_Ordered = true;  // every entry starts at or after the end of the one before
    MinMaxValues m_CompressedSamples;
    std::uint32_t m_NoOfCompressedValues = 0;
    BlockList m_SamplesInFile;
};

}  // namespace tarn

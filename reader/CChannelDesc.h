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

    // What an overview request from the min/max cache came to.
    enum class CompressedResult {
        Delivered,  // noOfValues values written
        Empty,      // no indexed block, or startSample beyond the last one
        TooFew,     // the range has fewer cached values than wanted: raw samples must do
        NoMemory,   // the result could not be allocated
    };
    // Gives room for count values of width bytes, or null.
    using ResultAllocator = void* (*)(std::uint64_t count, std::size_t width);
    // noOfValues (even) values describing the blocks of relative samples [startSample, endSample)
    // (startSample = endSample: the whole channel) from the min/max cache, as (minimum, maximum)
    // pairs, into a buffer from allocate handed out through pVal. The 16-bit values of a 32-bit
    // channel are the upper halves, as its samples are viewed in 16 bits.
    CompressedResult GetCompressedSamples(std::uint32_t startSample, std::uint32_t endSample,
                                          std::uint32_t noOfValues, ResultAllocator allocate, void*& pVal) const;
    CompressedResult GetCompressed32BitSamples(std::uint32_t startSample, std::uint32_t endSample,
                                               std::uint32_t noOfValues, ResultAllocator allocate,
                                               void*& pVal) const;

    std::int32_t Id() const { return m_Id; }
    void SetId(std::int32_t id) { m_Id = id; }
    bool Overrun() const { return m_Overrun; }
    bool Is32Bit() const { return m_Is32Bit; }
    void SetIs32Bit(bool is32Bit) { m_Is32Bit = is32Bit; }
    const BlockList& Blocks() const { return m_SamplesInFile; }
    // Bytes held by the entries and the min/max cache.
    std::size_t MemoryBytes() const;

private:
    // The first entry from index from on whose end is not below target.
    std::size_t FirstEndingAtOrAfter(std::int64_t target, std::size_t from) const;
    // One past the cached values of entry index.
    std::uint32_t CompressedEnd(std::size_t index) const;
    template <class Value>
    CompressedResult GetCompressed(std::uint32_t startSample, std::uint32_t endSample, std::uint32_t noOfValues,
                                   ResultAllocator allocate, void*& pVal) const;

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

// One channel slot of the index: the channel's sample blocks in scan order with their file
// positions, and the min/max values of every block for overview retrieval.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "reader/BlockEntry.h"
#include "reader/BlockOrder.h"
#include "reader/MinMaxCache.h"
#include "reader/SampleSegment.h"

namespace tarn {

class CChannelDesc {
public:
    // arena: where the index's full chunks come from (not owned, outlives the slot); reserve:
    // values reserved in the min/max cache (the scan's estimate for a whole file).
    CChannelDesc(ChunkArena& arena, std::uint32_t reserve, bool is32Bit);
    ~CChannelDesc();
    CChannelDesc(const CChannelDesc&) = delete;
    CChannelDesc& operator=(const CChannelDesc&) = delete;

    // A block of count samples starting at relative sample first, indexed at position (its
    // header's) with the min/max values of its data (its samples as stored, reduced straight into
    // the cache; without data the block has none yet): an overrun is marked when the block starts
    // later than the channel's next expected sample, and any other start than the expected one is
    // traced. False (nothing indexed) for a negative position, or a position or count the index
    // cannot hold. Sequential reading holds the samples in memory beside this (HoldSamples).
    bool add(std::uint32_t first, std::uint32_t count, bool is32Bit, std::int64_t position,
             const unsigned char* data);
    // Entries indexed without min/max values: while there are any, overviews do not come from
    // the cache (its values would not cover the range they describe).
    std::size_t UncachedBlocks() const { return m_UncachedBlocks; }
    // The first entry without values, while there are any.
    std::size_t FirstUncachedBlock() const { return m_FirstUncached; }
    bool HasCachedValues(std::size_t index) const {
        return CompressedEnd(index) > m_SamplesInFile[index].compressedStart();
    }
    // Gives the entries without values, in entry order, the values in filled: their blocks'
    // reductions one after the other (filled may be widened for it). False, with the entries
    // unchanged, when filled does not hold as many values as they take or there is no memory for
    // the merged cache.
    bool FillCacheGaps(MinMaxCache& filled);

    // The block holding relative sample s, counted from the channel's first indexed sample.
    // previous, a block found before, is where a walk through a range came from: when the entry
    // after it holds s, no search is made (a search per block costs more as the index grows).
    struct Location {
        const BlockEntry* entry = nullptr;  // null: not found
        std::uint32_t offset = 0;           // of the sample within the block
        std::size_t index = 0;              // of the entry
    };
    Location FindBlock(std::int64_t s, const Location* previous = nullptr) const;

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
                                          std::uint64_t noOfValues, ResultAllocator allocate, void*& pVal) const;
    CompressedResult GetCompressed32BitSamples(std::uint32_t startSample, std::uint32_t endSample,
                                               std::uint64_t noOfValues, ResultAllocator allocate,
                                               void*& pVal) const;

    std::int32_t Id() const { return m_Id; }
    void SetId(std::int32_t id) { m_Id = id; }
    bool Overrun() const { return m_Overrun; }
    bool Is32Bit() const { return m_Is32Bit; }
    void SetIs32Bit(bool is32Bit) { m_Is32Bit = is32Bit; }
    const BlockList& Blocks() const { return m_SamplesInFile; }
    // ---- Sequential reading: runs of samples held until every channel taking part has them.
    // Holds the block as the end of the last run or as a new run after it; false, and nothing
    // held, for a block that repeats or overlaps samples held or already discarded, or that lies
    // between two runs. lent: samples stay where they are until KeepHeldSamples, so a block that
    // starts a run may be held there without a copy.
    bool HoldSamples(std::uint32_t first, const unsigned char* samples, std::uint32_t count, bool is32Bit,
                     bool lent);
    // Copies the held samples that were lent into the runs' own storage.
    void KeepHeldSamples();
    // Drops the samples before s: every run that ends at or before s goes (the last one stays
    // as an empty run, keeping its storage), and a block before s is refused from now on.
    void DiscardSamplesBefore(std::int64_t s);
    // The first run holds samples: [BufferFirst(), BufferEnd()).
    bool HasSamples() const { return !m_Samples.empty() && !m_Samples.front()->Empty(); }
    std::int64_t BufferFirst() const { return m_Samples.front()->First(); }
    // The first sample the channel ever held (-1: none yet): before it the channel had not begun.
    std::int64_t FirstHeld() const { return m_FirstHeld; }
    std::int64_t BufferEnd() const { return m_Samples.front()->End(); }
    const SampleSegment& FirstRun() const { return *m_Samples.front(); }

    // Bytes held by the entries, their order and the min/max cache.
    std::size_t MemoryBytes() const;
    // The min/max cache's room that the next blocks fill, for having it mapped ahead
    // (MinMaxCache::Ahead).
    platform::MemoryRegion CacheAhead() { return m_CompressedSamples.Ahead(); }

private:
    // The first entry from index from on whose end is not below target.
    std::size_t FirstEndingAtOrAfter(std::int64_t target, std::size_t from) const;
    // One past the cached values of entry index.
    std::uint32_t CompressedEnd(std::size_t index) const;
    template <class Value>
    CompressedResult GetCompressed(std::uint32_t startSample, std::uint32_t endSample, std::uint64_t noOfValues,
                                   ResultAllocator allocate, void*& pVal) const;

    std::int32_t m_Id = -1;
    std::uint32_t m_NextSample = 0;
    bool m_Overrun = false;
    bool m_Is32Bit;
    bool m_Ordered = true;  // every entry starts at or after the end of the one before
    // The entries sorted for FindBlock once they are out of order; brought up to date by it.
    mutable BlockOrder m_Order;
    MinMaxCache m_CompressedSamples;  // reserved for the whole file at creation
    std::uint32_t m_NoOfCompressedValues = 0;
    std::size_t m_UncachedBlocks = 0;
    std::size_t m_FirstUncached = 0;
    BlockList m_SamplesInFile;
    std::vector<std::unique_ptr<SampleSegment>> m_Samples;
    std::int64_t m_DiscardedBefore = 0;  // sequential reading passed every sample below this
    std::int64_t m_FirstHeld = -1;
};

}  // namespace tarn

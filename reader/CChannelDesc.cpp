#include "reader/CChannelDesc.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#include "debug/QVDebug.h"
#include "format/RecordingLayout.h"
#include "reader/CompressBlockMinMax.h"

namespace tarn {

namespace {

// The container limit the traces report: what a 32-bit count of 4-byte elements can address.
constexpr unsigned kTracedMaxSize = 1073741823u;

}  // namespace

// The min/max cache's lines, traced by the constructor and the destructor: a macro, so that the
// origin of each line names the one of them that traced it.
#define TRACE_COMPRESSED_CACHE()                                                                              \
    do {                                                                                                      \
        QV_TRACE("TARN", 1, "m_CompressedSamples.max_size() = %u", kTracedMaxSize);                           \
        QV_TRACE("TARN", 1, "m_CompressedSamples.capacity() = %u",                                            \
                 static_cast<unsigned>(m_CompressedSamples.capacity()));                                      \
        QV_TRACE("TARN", 1, "m_CompressedSamples.size() = %u", static_cast<unsigned>(m_CompressedSamples.size())); \
    } while (0)

CChannelDesc::CChannelDesc(ChunkArena& arena, std::uint32_t reserve, bool is32Bit)
    : m_Is32Bit(is32Bit), m_SamplesInFile(arena) {
    m_CompressedSamples.Reserve(reserve);
    TRACE_COMPRESSED_CACHE();
}

CChannelDesc::~CChannelDesc() {
    try {
        if (!m_SamplesInFile.empty()) {
            QV_TRACE("TARN", 1, "m_SamplesInFile.begin()->first() = %u", m_SamplesInFile.front().first());
            QV_TRACE("TARN", 1, "m_SamplesInFile.back()->last() = %u",
                     static_cast<unsigned>(m_SamplesInFile.back().last()));
        }
        TRACE_COMPRESSED_CACHE();
        QV_TRACE("TARN", 1, "m_Samples.max_size() = %u", kTracedMaxSize);
        QV_TRACE("TARN", 1, "m_Samples.capacity() = %u", static_cast<unsigned>(m_Samples.capacity()));
        QV_TRACE("TARN", 1, "m_Samples.size() = %u", static_cast<unsigned>(m_Samples.size()));
        QV_TRACE("TARN", 1, "m_SamplesInFile.max_size() = %u", kTracedMaxSize);
        QV_TRACE("TARN", 1, "m_SamplesInFile.capacity() = %u", static_cast<unsigned>(m_SamplesInFile.capacity()));
        QV_TRACE("TARN", 1, "m_SamplesInFile.size() = %u", static_cast<unsigned>(m_SamplesInFile.size()));
    } catch (...) {
        QV_TRACE("Assert", 1, "ERROR: exception caught in destructor");
    }
}

bool CChannelDesc::add(std::uint32_t first, std::uint32_t count, bool is32Bit, std::int64_t position,
                       const unsigned char* data) {
    if (position < 0 || position > BlockEntry::kMaxPosition || count == 0 || count > BlockEntry::kMaxCount)
        return false;
    const bool ordered = m_SamplesInFile.empty() || first >= m_SamplesInFile.back().last();
    const std::uint32_t start = m_NoOfCompressedValues;
    if (data != nullptr) m_CompressedSamples.Append(data, count, is32Bit);
    // Without room for its entry the block is not indexed, and its cached values go too.
    if (!m_SamplesInFile.push_back(BlockEntry(first, count, is32Bit, position, start))) {
        m_CompressedSamples.Resize(start);
        return false;
    }
    m_NoOfCompressedValues = static_cast<std::uint32_t>(m_CompressedSamples.size());
    if (data == nullptr && m_UncachedBlocks++ == 0) m_FirstUncached = m_SamplesInFile.size() - 1;

    // Signed, as the recorder's counters are compared: a block that starts later than expected
    // means samples were lost.
    if (static_cast<std::int32_t>(m_NextSample) <= static_cast<std::int32_t>(first - 1u)) m_Overrun = true;
    if (!ordered) m_Ordered = false;
    if (m_NextSample != first)
        QV_TRACE("TARN", 1, "Channel %u Block starting withe sample %u not found next block is %u",
                 static_cast<unsigned>(m_Id), m_NextSample, first);
    m_NextSample = first + count;
    return true;
}

CChannelDesc::Location CChannelDesc::FindBlock(std::int64_t s, const Location* previous) const {
    Location found;
    if (m_SamplesInFile.empty()) return found;
    const std::int64_t target = std::int64_t{m_SamplesInFile.front().first()} + s;
    if (previous && previous->entry && m_Ordered && previous->index + 1 < m_SamplesInFile.size()) {
        const BlockEntry& next = m_SamplesInFile[previous->index + 1];
        if (next.first() <= target && target < next.last())
            return {&next, static_cast<std::uint32_t>(target - next.first()), previous->index + 1};
    }

    // The first entry whose end is not below the target, then forward to the first entry that
    // holds it. In an ordered list nothing past an entry starting beyond the target can hold it;
    // out of order, the walk is taken by the sorted entries, which give the same entry.
    const std::size_t from = FirstEndingAtOrAfter(target, 0);
    std::size_t i = from;
    if (m_Ordered) {
        for (; i < m_SamplesInFile.size(); ++i) {
            const BlockEntry& entry = m_SamplesInFile[i];
            if (entry.first() > target) return found;
            if (target < entry.last()) break;
        }
    } else {
        m_Order.Update(m_SamplesInFile);
        i = m_Order.FirstHolding(m_SamplesInFile, target, from);
    }
    if (i >= m_SamplesInFile.size()) return found;
    found.entry = &m_SamplesInFile[i];
    found.offset = static_cast<std::uint32_t>(target - found.entry->first());
    found.index = i;
    return found;
}

std::size_t CChannelDesc::FirstEndingAtOrAfter(std::int64_t target, std::size_t from) const {
    std::size_t lo = from;
    std::size_t hi = m_SamplesInFile.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (m_SamplesInFile[mid].last() < target)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool CChannelDesc::HoldSamples(std::uint32_t first, const unsigned char* samples, std::uint32_t count,
                               bool is32Bit, bool lent) {
    if (count == 0 || first < m_DiscardedBefore) return false;
    if (!m_Samples.empty()) {
        SampleSegment& last = *m_Samples.back();
        if (last.Empty()) {
            last.Restart(first, is32Bit);
        } else if (first < last.End()) {
            return false;
        } else if (first > last.End() || last.Is32() != is32Bit) {
            m_Samples.push_back(std::make_unique<SampleSegment>(first, is32Bit));
        }
    } else {
        m_Samples.push_back(std::make_unique<SampleSegment>(first, is32Bit));
    }
    SampleSegment& run = *m_Samples.back();
    if (lent && run.Empty()) {
        run.Lend(samples, count);
    } else {
        std::memcpy(run.Room(count), samples, std::size_t{count} * layout::SampleWidth(is32Bit));
        run.Commit(count);
    }
    if (m_FirstHeld < 0) m_FirstHeld = first;
    return true;
}

bool CChannelDesc::FillCacheGaps(MinMaxCache& filled) {
    if (m_UncachedBlocks == 0) return filled.empty();
    // Only the values from the first entry without any on move: a client that reads on and asks
    // for an overview now and then costs the blocks read since, not the whole cache each time.
    const std::size_t from = m_FirstUncached;
    std::uint64_t needed = 0;
    for (std::size_t i = from; i < m_SamplesInFile.size(); ++i)
        if (!HasCachedValues(i)) needed += MinMaxBuckets(m_SamplesInFile[i].count()).Values();
    const std::uint64_t total = std::uint64_t{m_NoOfCompressedValues} + filled.size();
    if (needed != filled.size() || total > UINT32_MAX) return false;
    try {
        // Both in the wider of the two widths; a cache widened stays right if the rest fails.
        if (filled.Wide()) m_CompressedSamples.Widen();
        if (m_CompressedSamples.Wide()) filled.Widen();
        m_CompressedSamples.Resize(static_cast<std::size_t>(total));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    // Nothing below throws. Merged in place from the last entry back: an entry's values move up
    // by the filled values still to go before them, so none lands on values not yet moved.
    const std::size_t width = m_CompressedSamples.ValueBytes();
    unsigned char* const values = m_CompressedSamples.Bytes();
    std::size_t end = m_NoOfCompressedValues;  // of the entry's values as they were
    std::size_t to = static_cast<std::size_t>(total);
    std::size_t next = filled.size();
    for (std::size_t i = m_SamplesInFile.size(); i-- > from;) {
        BlockEntry& entry = m_SamplesInFile[i];
        const std::size_t start = entry.compressedStart();
        if (end > start) {
            to -= end - start;
            std::memmove(values + to * width, values + start * width, (end - start) * width);
        } else {
            const std::size_t count = MinMaxBuckets(entry.count()).Values();
            to -= count;
            next -= count;
            std::memcpy(values + to * width, filled.Bytes() + next * width, count * width);
        }
        entry.setCompressedStart(static_cast<std::uint32_t>(to));
        end = start;
    }
    m_NoOfCompressedValues = static_cast<std::uint32_t>(total);
    m_UncachedBlocks = 0;
    return true;
}

void CChannelDesc::KeepHeldSamples() {
    for (const std::unique_ptr<SampleSegment>& run : m_Samples) run->Keep();
}

void CChannelDesc::DiscardSamplesBefore(std::int64_t s) {
    m_DiscardedBefore = std::max(m_DiscardedBefore, s);
    std::size_t gone = 0;
    while (gone + 1 < m_Samples.size() && m_Samples[gone]->End() <= s) ++gone;
    m_Samples.erase(m_Samples.begin(), m_Samples.begin() + static_cast<std::ptrdiff_t>(gone));
    if (!m_Samples.empty()) m_Samples.front()->DiscardBefore(s);
}

std::size_t CChannelDesc::MemoryBytes() const {
    return sizeof(*this) + m_CompressedSamples.MemoryBytes() + m_SamplesInFile.MemoryBytes() +
           m_Order.MemoryBytes();
}

}  // namespace tarn

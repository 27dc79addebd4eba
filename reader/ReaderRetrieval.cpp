// Retrieval through the index: the blocks a range touches are read with positional reads on the
// reader's own handle, a batch of them handed to the kernel at once; each block is read whole in
// one read, checked against its entry and copied straight into the result.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "reader/CQVDataRecorderReader.h"
#include "format/LittleEndian.h"
#include "reader/CompressBlockMinMax.h"

namespace tarn {

namespace {

// s - 1 as 32-bit arithmetic wraps it: the "nothing copied" answer for a range starting at s.
std::int32_t Before(std::int32_t s) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(s) - 1u); }

// count samples of a block (16-bit or 32-bit) into out. The 16-bit view of a 32-bit sample is
// its upper half; a 16-bit sample widens to 32 bits with its sign.
template <class Out> void ConvertSamples(const unsigned char* data, bool is32Bit, std::uint32_t count, Out* out) {
    const std::uint32_t width = layout::SampleWidth(is32Bit);
    if (width == sizeof(Out) && le::kHostIsLittleEndian) {
        std::memcpy(out, data, std::size_t{count} * width);
    } else if (is32Bit) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t v = le::LoadSigned<std::int32_t>(data + std::size_t{i} * 4);
            out[i] = static_cast<Out>(std::is_same_v<Out, std::int16_t> ? v >> 16 : v);
        }
    } else {
        for (std::uint32_t i = 0; i < count; ++i) out[i] = le::LoadSigned<std::int16_t>(data + std::size_t{i} * 2);
    }
}

}  // namespace

const CChannelDesc* CQVDataRecorderReader::ChannelSlot(std::int32_t channel) const {
    if (channel < 1 || channel > m_NumberOfChannels || static_cast<std::size_t>(channel) > m_ChannelDescs.size())
        return nullptr;
    return &m_ChannelDescs[static_cast<std::size_t>(channel - 1)];
}

CQVDataRecorderReader::IndexedBlock CQVDataRecorderReader::CheckIndexedBlock(const CChannelDesc& slot,
                                                                             const BlockEntry& entry,
                                                                             const unsigned char* bytes) const {
    // The file may have changed since the scan: anything but the very block indexed there ends
    // the copy.
    IndexedBlock block;
    const auto header = layout::BlockHeader::Decode(bytes);
    const auto channel = layout::ChannelEntry::Decode(bytes + layout::kBlockHeaderLength);
    if (header.Kind() != layout::BlockKind::Samples || header.Is32Bit() != entry.is32Bit() ||
        header.ByteLength() != entry.byteLength() || layout::ChannelKey(header.FE_Frame_ID, channel.ID) != slot.Id() ||
        header.SampleNo - m_BaseSampleNo != entry.first())
        return block;
    block.data = bytes + layout::kBlockFramingLength;
    block.channelstatus = channel.channelstatus;
    return block;
}

template <class Visit>
std::int64_t CQVDataRecorderReader::ForEachBlockInRange(RangeWalker& walker, platform::RandomAccessFile& file,
                                                        const CChannelDesc& slot, std::int64_t s0, std::int64_t s1,
                                                        bool withData, Visit&& visit) {
    std::int64_t cur = s0;
    CChannelDesc::Location previous;
    while (cur < s1) {
        // The next blocks of the range as the index has them, read together.
        walker.Clear();
        for (std::int64_t next = cur; next < s1;) {
            const CChannelDesc::Location at = slot.FindBlock(next, &previous);
            if (!at.entry) break;
            const std::size_t length = withData ? at.entry->byteLength() : layout::kBlockFramingLength;
            const auto take = static_cast<std::uint32_t>(std::min<std::int64_t>(at.entry->count() - at.offset, s1 - next));
            if (!walker.Plan(*at.entry, at.offset, take, length)) break;
            next += take;
            previous = at;
        }
        if (walker.plan.empty()) break;
        ReadPlannedBlocks(walker, file);
        for (std::size_t i = 0; i < walker.plan.size(); ++i) {
            const PlannedBlock& p = walker.plan[i];
            const IndexedBlock block = PlannedBlockRead(walker, slot, i);
            if (!block.data) return cur;
            visit(*p.entry, block, p.offset, cur - s0, p.take);
            cur += p.take;
        }
    }
    return cur;
}

void CQVDataRecorderReader::ReadPlannedBlocks(RangeWalker& walker, platform::RandomAccessFile& file) {
    std::vector<PlannedBlock>& plan = walker.plan;
    walker.requests.resize(plan.size());
    // Blocks close together in the file (a channel of a few interleaved ones) are read in one
    // request with what lies between them: the kernel copies a few kilobytes in the time it takes
    // to answer one request more.
    const std::int64_t first = plan.front().entry->position();
    const std::int64_t end = plan.back().entry->position() + static_cast<std::int64_t>(plan.back().length);
    bool close = end - first <= static_cast<std::int64_t>(plan.size() * kCloseBlockBytes);
    for (std::size_t i = 1; close && i < plan.size(); ++i)
        close = plan[i].entry->position() >= plan[i - 1].entry->position() + static_cast<std::int64_t>(plan[i - 1].length);
    if (close) {
        const auto span = static_cast<std::size_t>(end - first);
        if (walker.buffer.size() < span) walker.buffer.resize(span);
        const std::size_t got = file.ReadAt(first, walker.buffer.data(), span);
        for (std::size_t i = 0; i < plan.size(); ++i) {
            PlannedBlock& p = plan[i];
            p.at = static_cast<std::size_t>(p.entry->position() - first);
            walker.requests[i].done = got >= p.at + p.length ? p.length : 0;
        }
        return;
    }
    if (walker.buffer.size() < walker.bytes) walker.buffer.resize(walker.bytes);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PlannedBlock& p = plan[i];
        walker.requests[i] = {p.entry->position(), walker.buffer.data() + p.at, p.length, 0};
    }
    file.ReadBatch(walker.requests.data(), walker.requests.size());
}

CQVDataRecorderReader::IndexedBlock CQVDataRecorderReader::PlannedBlockRead(const RangeWalker& walker,
                                                                            const CChannelDesc& slot,
                                                                            std::size_t i) const {
    const PlannedBlock& p = walker.plan[i];
    if (walker.requests[i].done != p.length) return {};
    return CheckIndexedBlock(slot, *p.entry, walker.buffer.data() + p.at);
}

bool CQVDataRecorderReader::CompleteCache(std::int32_t channel) {
    if (ChannelSlot(channel) == nullptr) return false;
    CChannelDesc& slot = m_ChannelDescs.Slot(channel - 1);
    if (slot.UncachedBlocks() == 0) return true;
    const BlockList& entries = slot.Blocks();
    RangeWalker& walker = m_RangeWalker;
    try {
        MinMaxCache filled;
        for (std::size_t i = slot.FirstUncachedBlock(); i < entries.size();) {
            walker.Clear();
            for (; i < entries.size(); ++i)
                if (!slot.HasCachedValues(i) && !walker.Plan(entries[i], 0, entries[i].count(), entries[i].byteLength()))
                    break;
            if (walker.plan.empty()) continue;
            ReadPlannedBlocks(walker, m_RandomAccess);
            for (std::size_t j = 0; j < walker.plan.size(); ++j) {
                const IndexedBlock block = PlannedBlockRead(walker, slot, j);
                if (!block.data) return false;
                const BlockEntry& entry = *walker.plan[j].entry;
                filled.Append(block.data, entry.count(), entry.is32Bit());
            }
        }
        return slot.FillCacheGaps(filled);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

std::int64_t CQVDataRecorderReader::HeldWithoutGap(const CChannelDesc& slot, std::int64_t s0, std::int64_t s1) const {
    std::int64_t next = s0;
    CChannelDesc::Location previous;
    while (next < s1) {
        const CChannelDesc::Location at = slot.FindBlock(next, &previous);
        if (!at.entry) break;
        next += at.entry->count() - at.offset;
        previous = at;
    }
    return std::min(next, s1);
}

std::int64_t CQVDataRecorderReader::CopyBound(std::int32_t channel, std::int32_t s0, std::int32_t s1) const {
    const CChannelDesc* slot = ChannelSlot(channel);
    if (!slot || s0 < 0) return 0;
    // A copy stops at the first sample no block holds: the blocks that follow on from s0 are all
    // it can fill (a block far beyond a gap must not size the result).
    return HeldWithoutGap(*slot, s0, s1) - s0;
}

std::int64_t CQVDataRecorderReader::SplitPoint(const CChannelDesc& slot, std::int64_t s0, std::int64_t s1) {
    if (s1 - s0 < m_SplitSamples) return s1;
    const std::int64_t mid = s0 + (s1 - s0) / 2;
    // The result has room for the samples held from s0 on without a gap: the second half may
    // be written only where the first ends without one.
    if (HeldWithoutGap(slot, s0, mid) != mid) return s1;
    if (!m_HelperAccess.IsOpen() && !m_HelperAccess.Open(m_FileName)) return s1;
    return mid;
}

template <class Out>
std::int32_t CQVDataRecorderReader::CopySamples(std::int32_t channel, std::int32_t s0, std::int32_t s1, Out* out) {
    const CChannelDesc* slot = ChannelSlot(channel);
    if (!slot || s0 < 0 || s1 <= s0) return Before(s0);
    const auto copyFrom = [](Out* first) {
        return [first](const BlockEntry& entry, const IndexedBlock& block, std::uint32_t offset, std::int64_t done,
                       std::uint32_t take) {
            ConvertSamples(block.data + std::size_t{offset} * entry.sampleWidth(), entry.is32Bit(), take, first + done);
        };
    };
    const std::int64_t mid = SplitPoint(*slot, s0, s1);
    std::int64_t secondEnd = mid;
    if (mid < s1) {
        m_Helper.Post([&] {
            try {
                secondEnd = ForEachBlockInRange(m_HelperWalker, m_HelperAccess, *slot, mid, s1, true,
                                                copyFrom(out + (mid - s0)));
            } catch (...) {
                secondEnd = mid;  // the half that could not be read ends the copy there
            }
        });
    }
    std::int64_t end = s0;
    try {
        end = ForEachBlockInRange(m_RangeWalker, m_RandomAccess, *slot, s0, mid, true, copyFrom(out));
    } catch (...) {
        if (mid < s1) m_Helper.Wait();
        throw;
    }
    if (mid < s1) {
        m_Helper.Wait();
        if (end == mid) end = secondEnd;
    }
    return static_cast<std::int32_t>(end - 1);
}

std::int32_t CQVDataRecorderReader::CopySamples16(std::int32_t channel, std::int32_t s0, std::int32_t s1,
                                                  std::int16_t* out) {
    return CopySamples(channel, s0, s1, out);
}

std::int32_t CQVDataRecorderReader::CopySamples32(std::int32_t channel, std::int32_t s0, std::int32_t s1,
                                                  std::int32_t* out) {
    return CopySamples(channel, s0, s1, out);
}

std::uint8_t CQVDataRecorderReader::OverloadStatusInRange(std::int32_t channel, std::int32_t s0, std::int32_t s1) {
    const CChannelDesc* slot = ChannelSlot(channel);
    std::uint8_t status = 0;
    if (!slot || s0 < 0 || s1 <= s0) return status;
    ForEachBlockInRange(m_RangeWalker, m_RandomAccess, *slot, s0, s1, false,
                        [&status](const BlockEntry&, const IndexedBlock& block, std::uint32_t, std::int64_t, std::uint32_t) {
                            status |= static_cast<std::uint8_t>(block.channelstatus & 0xFF);
                        });
    return status;
}

bool CQVDataRecorderReader::DCBlockLength(std::int32_t channel, std::int32_t index, std::int32_t& bytes) const {
    const DCBlockEntry* block = m_DCChannels.Find(channel, index);
    if (!block) return false;
    bytes = block->byteLength;
    return true;
}

bool CQVDataRecorderReader::ReadDCBlock(std::int32_t channel, std::int32_t index, std::uint8_t* out) {
    const DCBlockEntry* block = m_DCChannels.Find(channel, index);
    if (!block) return false;
    const auto bytes = static_cast<std::size_t>(block->byteLength);
    if (m_RandomAccess.ReadAt(block->position, out, bytes) != bytes) return false;
    const auto header = layout::BlockHeader::Decode(out);
    const auto entry = layout::ChannelEntry::Decode(out + layout::kBlockHeaderLength);
    return header.Kind() == layout::BlockKind::DC && header.WalkLength() == bytes &&
           header.SampleNo - m_BaseSampleNo == block->sampleNumber &&
           layout::ChannelKey(header.FE_Frame_ID, entry.ID) == m_DCChannels.Channel(static_cast<std::size_t>(channel)).Key();
}

bool CQVDataRecorderReader::Is32BitData(std::int32_t channelIndex, bool& is32Bit) const {
    // In range before it becomes a channel number: channelIndex + 1 overflows at INT32_MAX.
    if (channelIndex < 0 || channelIndex >= m_NumberOfChannels) return false;
    const CChannelDesc* slot = ChannelSlot(channelIndex + 1);
    if (!slot) return false;
    is32Bit = slot->Is32Bit();
    return true;
}

}  // namespace tarn

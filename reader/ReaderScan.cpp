// The scan: one block per step, building the channel index, the min/max cache and the DC table.
#include <algorithm>

#include "reader/CQVDataRecorderReader.h"

namespace tarn {

using layout::BlockKind;

void CQVDataRecorderReader::CreateChannelDescs(RFMode mode) {
    m_ChannelDescs.Create(m_NumberOfChannels, m_CompressedReserve);
    m_ReadMode = mode;
    m_FirstTriggerSample = -1;
    m_LastSampleNumber = -1;
    // What the channels held is gone: sequential reading starts again at the first block.
    m_ReadPosition = m_BlockStreamStart;
    m_ReadWindow.Drop();
    m_ReadEnded = false;
    m_PassedEnd = -1;
}

bool CQVDataRecorderReader::EndScan() {
    m_EndOfData = true;
    m_ScanEnded = true;
    return false;
}

bool CQVDataRecorderReader::ScanFile() {
    // A rejected file has no channel slots to index into.
    if (m_NumberOfChannels == 0 || m_ScanEnded) return false;
    return TakeBlock(m_ScanWindow, m_ScanPosition, true, false) || EndScan();
}

bool CQVDataRecorderReader::TakeBlock(FileWindow& window, std::int64_t& at, bool index, bool hold) {
    // Whatever walked the window since (the walk's own public steps), each goes on where it
    // stopped; otherwise blocks would be skipped or taken twice.
    m_Walker = &window;
    m_Walker->Seek(at);
    if (!ReadBlockHeader()) return false;
    // The block's own header: the walk may have passed over trigger, kind-3 or stale blocks.
    const std::int64_t position = m_BlockPosition;
    if (position < 0) return false;
    const std::uint32_t length = m_BlockHeader.WalkLength();

    if (m_BlockHeader.Kind() == BlockKind::DC) {
        FixBaseSampleNumber();
        if (index)
            m_DCChannels.Add(m_ChannelKey, DCBlockEntry{m_BlockHeader.SampleNo - m_BaseSampleNo,
                                                        static_cast<std::int32_t>(length), position});
    } else {
        CChannelDesc& slot = m_ChannelDescs.SlotFor(m_ChannelKey);
        // An overrun is latched once a later block of the channel shows up.
        if (index && m_ChannelKey < m_NumberOfChannels && slot.Overrun())
            m_OverrunFlags[static_cast<std::size_t>(m_ChannelKey)] = 1;
        FixBaseSampleNumber();
        if (!ReadBlockData()) return false;
        // The span was read on the other core (or by the kernel) into memory this core has not
        // cached: the next block, most likely as long as this one, is asked for while this one
        // is folded or delivered, rather than line by line when it is its turn.
        m_Walker->PrefetchAhead(m_DataBytes + layout::kBlockFramingLength);
        // Only the N channels take part in sequential reading; other keys' samples are not held.
        // Samples read in place stay in the window until it moves on, which has them kept first;
        // a block read across two spans is in the block buffer, which the next block overwrites.
        if (hold && m_ChannelKey < m_NumberOfChannels)
            slot.HoldSamples(m_BlockHeader.SampleNo - m_BaseSampleNo, m_BlockData, CurrentSampleCount(),
                             m_BlockHeader.Is32Bit(), m_BlockData != m_BlockBuffer.data());
        // Sequential reading indexes without the min/max values: most of the index's memory and
        // a fold of every sample, which an overview asks for only later, if at all.
        AddSampleBlock(slot, index ? position : -1, hold ? nullptr : m_BlockData);
    }
    at = position + length;
    return true;
}

void CQVDataRecorderReader::AddSampleBlock(CChannelDesc& slot, std::int64_t position, const unsigned char* data) {
    const bool is32Bit = m_BlockHeader.Is32Bit();
    const std::uint32_t count = CurrentSampleCount();
    if (is32Bit) m_Has32BitData = true;
    slot.add(m_BlockHeader.SampleNo - m_BaseSampleNo, count, is32Bit, position, data);
    if (is32Bit) slot.SetIs32Bit(true);
}

void CQVDataRecorderReader::ResetScan() {
    if (m_NumberOfChannels == 0) return;
    CreateChannelDescs(m_ReadMode);
    m_DCChannels.Clear();
    m_ScanComplete = false;
    m_ScanEnded = false;
    m_EndOfData = false;
    m_Has32BitData = false;
    std::fill(m_OverrunFlags.begin(), m_OverrunFlags.end(), std::uint8_t{0});
    ResetWalk();
    m_ScanPosition = m_BlockStreamStart;
    // A scan afresh reads the file afresh: it may have changed since.
    m_ScanWindow.Drop();
    m_ScanWindow.Seek(m_BlockStreamStart);
    m_Walker = &m_ScanWindow;
}

bool CQVDataRecorderReader::IsOverrunLatched(std::int32_t channel) {
    if (!m_ScanComplete) ScanFile();
    if (channel < 1 || channel > m_NumberOfChannels) return false;
    return m_OverrunFlags[static_cast<std::size_t>(channel - 1)] != 0;
}

bool CQVDataRecorderReader::MetGap(std::int32_t channel) const {
    if (channel < 1 || channel > m_NumberOfChannels) return false;
    const auto slot = static_cast<std::size_t>(channel - 1);
    return m_OverrunFlags[slot] != 0 || (slot < m_ChannelDescs.size() && m_ChannelDescs[slot].Overrun());
}

std::size_t CQVDataRecorderReader::IndexMemoryBytes() const {
    return m_ChannelDescs.MemoryBytes() + m_DCChannels.MemoryBytes() + m_OverrunFlags.capacity();
}

}  // namespace tarn

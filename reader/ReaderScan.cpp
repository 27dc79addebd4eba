// The scan: one block per step, building the channel index, the min/max cache and the DC table.
#include <algorithm>

#include "reader/CQVDataRecorderReader.h"
#include "reader/CompressBlockMinMax.h"

namespace tarn {

using layout::BlockKind;

void CQVDataRecorderReader::CreateChannelDescs(RFMode) {
    m_ChannelDescs.Create(m_NumberOfChannels, m_CompressedReserve);
    m_FirstTriggerSample = -1;
}

bool CQVDataRecorderReader::EndScan() {
    m_EndOfData = true;
    m_ScanEnded = true;
    return false;
}

// Whatever read the stream since the last step (sequential reading shares it), the scan goes on
// where it stopped; otherwise blocks would be skipped or indexed twice.
bool CQVDataRecorderReader::ResumeScan() {
    return m_File.Tell() == m_ScanPosition || m_File.Seek(m_ScanPosition);
}

bool CQVDataRecorderReader::ScanFile() {
    // A rejected file has no channel slots to index into.
    if (m_NumberOfChannels == 0 || m_ScanEnded) return false;
    if (!ResumeScan() || !ReadBlockHeader()) return EndScan();
    // The block's own header: the walk may have passed over trigger, kind-3 or stale blocks
    // since the step began.
    const std::int64_t position = m_BlockPosition;
    if (position < 0) return EndScan();
    const std::uint32_t length = m_BlockHeader.WalkLength();

    if (m_BlockHeader.Kind() == BlockKind::DC) {
        FixBaseSampleNumber();
        m_DCChannels.Add(m_ChannelKey, DCBlockEntry{m_BlockHeader.SampleNo - m_BaseSampleNo,
                                                    static_cast<std::int32_t>(length), position});
    } else {
        CChannelDesc& slot = m_ChannelDescs.SlotFor(m_ChannelKey);
        // An overrun is latched once a later block of the channel shows up.
        if (m_ChannelKey < m_NumberOfChannels && slot.Overrun())
            m_OverrunFlags[static_cast<std::size_t>(m_ChannelKey)] = 1;
        if (!ReadBlockData()) return EndScan();
        IndexSampleBlock(slot, position);
    }
    m_ScanPosition = position + length;
    return true;
}

void CQVDataRecorderReader::IndexSampleBlock(CChannelDesc& slot, std::int64_t position) {
    const bool is32Bit = m_BlockHeader.Is32Bit();
    const std::uint32_t count = CurrentSampleCount();
    if (is32Bit) m_Has32BitData = true;
    m_MinMaxScratch.clear();
    CompressBlockMinMax(m_BlockBuffer.data(), count, is32Bit, m_MinMaxScratch);
    FixBaseSampleNumber();
    slot.add(m_BlockHeader.SampleNo - m_BaseSampleNo, count, is32Bit, position, m_MinMaxScratch.data(),
             m_MinMaxScratch.size());
    if (is32Bit) slot.SetIs32Bit(true);
}

void CQVDataRecorderReader::ResetScan() {
    if (m_NumberOfChannels == 0) return;
    CreateChannelDescs(RF_Interleaved);
    m_DCChannels.Clear();
    m_ScanComplete = false;
    m_ScanEnded = false;
    m_EndOfData = false;
    m_Has32BitData = false;
    std::fill(m_OverrunFlags.begin(), m_OverrunFlags.end(), std::uint8_t{0});
    ResetWalk();
    m_ScanPosition = m_BlockStreamStart;
    m_File.Seek(m_BlockStreamStart);
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
    return m_ChannelDescs.MemoryBytes() + m_DCChannels.MemoryBytes() + m_OverrunFlags.capacity() +
           m_MinMaxScratch.capacity() * sizeof(std::int32_t);
}

}  // namespace tarn

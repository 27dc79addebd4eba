// Sequential reading: blocks are taken in file order and held per channel until every channel
// taking part has a common stretch of samples, which is delivered as one block of values.
#include <algorithm>
#include <cstdint>

#include "reader/CQVDataRecorderReader.h"

namespace tarn {

using layout::BlockKind;

bool CQVDataRecorderReader::ReadGenFeBlock() { return ReadSequential(false); }

bool CQVDataRecorderReader::ReadGenFeBlockSelection() { return ReadSequential(true); }

bool CQVDataRecorderReader::ReadSequential(bool selection) {
    // Reset on both paths: Overrun describes this read only.
    m_ReadOverrun = false;
    if (m_NumberOfChannels == 0) return false;
    // What is held may make a block already (a stretch longer than one block holds, or the runs
    // after a gap): it comes before any new block is taken, also once the stream has ended.
    if (DeliverCommonStretch(selection)) return true;
    while (!m_ReadEnded) {
        // Blocks the scan has not reached yet are indexed on the way, as the scan would.
        const bool index = !m_ScanEnded && m_ReadPosition == m_ScanPosition;
        std::int64_t at = m_ReadPosition;
        if (!TakeBlock(at, index, true)) {
            if (index) EndScan();
            m_ReadEnded = true;
            break;
        }
        m_ReadPosition = at;
        if (index) m_ScanPosition = at;
        if (m_BlockHeader.Kind() == BlockKind::DC) continue;
        if (!selection)
            m_FirstTriggerSample = m_TriggerSampleNo != 0 && m_BaseSampleNo != 0
                                       ? static_cast<std::int32_t>(m_TriggerSampleNo - m_BaseSampleNo)
                                       : 0;
        if (DeliverCommonStretch(selection)) return true;
    }
    return false;
}

bool CQVDataRecorderReader::ChannelsTakingPart(bool selection) {
    m_TakingPart.clear();
    for (std::int32_t i = 0; i < m_NumberOfChannels; ++i) {
        if (selection && m_SelectionMap[static_cast<std::size_t>(i)] < 0) continue;
        const CChannelDesc& channel = m_ChannelDescs[static_cast<std::size_t>(i)];
        if (!channel.HasSamples()) return false;
        m_TakingPart.push_back(&channel);
    }
    return !m_TakingPart.empty();
}

bool CQVDataRecorderReader::DeliverCommonStretch(bool selection) {
    selection = selection && m_SelectionActive;
    std::int64_t start = 0;
    std::int64_t end = 0;
    for (;;) {
        if (!ChannelsTakingPart(selection)) return false;
        start = 0;
        end = INT64_MAX;
        std::int64_t begun = 0;
        for (const CChannelDesc* channel : m_TakingPart) {
            start = std::max(start, channel->BufferFirst());
            end = std::min(end, channel->BufferEnd());
            begun = std::max(begun, channel->FirstHeld());
        }
        // Before start some channel has nothing: that stretch cannot be completed. Where every
        // channel taking part had begun and nothing was passed yet, samples are lost: the
        // channels whose run starts later than that have a gap. Before that it is channels
        // beginning at different samples (a selection may have changed since), no loss.
        const std::int64_t lostFrom = std::max(m_PassedEnd, begun);
        if (start > lostFrom) {
            m_ReadOverrun = true;
            for (const CChannelDesc* channel : m_TakingPart)
                if (channel->BufferFirst() > lostFrom) m_OverrunFlags[static_cast<std::size_t>(channel->Id())] = 1;
        }
        if (start > m_PassedEnd) DiscardBefore(start);
        if (end > start) break;
        // A channel's run ended at or before the start: wait for its next run.
    }
    const std::size_t k = m_TakingPart.size();
    // Each delivery in one width: that of the channels taking part, 32 bits when one of them is.
    const bool is32 = std::any_of(m_TakingPart.begin(), m_TakingPart.end(),
                                  [](const CChannelDesc* channel) { return channel->FirstRun().Is32(); });
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(end - start),
                                                                    std::max<std::uint64_t>(m_BlockLimit / k, 1)));
    m_Output.Fill(m_TakingPart, start, n, is32, m_ReadMode);
    DiscardBefore(start + static_cast<std::int64_t>(n));
    // Also on the selection path: without it a client could not place a block after a gap.
    m_LastSampleNumber = static_cast<std::int32_t>(start);
    return true;
}

void CQVDataRecorderReader::DiscardBefore(std::int64_t s) {
    m_PassedEnd = s;
    // Every channel, taking part or not: a selection may change between reads, and nothing is
    // held for long that no read will deliver.
    for (std::int32_t i = 0; i < m_NumberOfChannels; ++i)
        m_ChannelDescs.Slot(i).DiscardSamplesBefore(s);
}

bool CQVDataRecorderReader::AddToSelection(std::int32_t index) {
    if (index < 0 || index >= m_NumberOfChannels) return false;
    if (!m_SelectionActive) {
        m_SelectionActive = true;
        m_SelectionMap.assign(static_cast<std::size_t>(m_NumberOfChannels), -1);
    }
    std::int32_t& place = m_SelectionMap[static_cast<std::size_t>(index)];
    if (place >= 0) return false;
    place = m_SelectionCount++;
    return true;
}

void CQVDataRecorderReader::ClearSelection() {
    m_SelectionActive = false;
    m_SelectionMap.clear();
    m_SelectionMap.shrink_to_fit();
    m_SelectionCount = 0;
}

}  // namespace tarn

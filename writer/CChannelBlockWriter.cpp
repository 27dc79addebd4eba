#include "writer/CChannelBlockWriter.h"

#include <cstring>

#include "reader/RecordingLayout.h"
#include "writer/WriterStream.h"

namespace tarn {

WriterStatus CChannelBlockWriter::WriteBlock(std::int32_t noSamples, const unsigned char* data, platform::File& file,
                                             bool is32Bit, std::uint8_t overloadStatus, unsigned char* scratch) {
    if (!data) return WriterStatus::NullPointer;
    if (noSamples <= 0) return WriterStatus::InvalidArgument;
    const auto count = static_cast<std::uint32_t>(noSamples);
    if (layout::SampleBlockSize(count, is32Bit) == 0) return WriterStatus::InvalidArgument;

    layout::SampleBlockHeader(m_NextSampleNumber, count, is32Bit).Encode(scratch);
    m_NextSampleNumber += count;
    layout::ChannelEntry entry;
    entry.ID = static_cast<std::uint16_t>(m_ChannelId);
    entry.channelstatus = overloadStatus;
    entry.Encode(scratch + layout::kBlockHeaderLength);
    const std::size_t sampleBytes = count * layout::SampleWidth(is32Bit);
    std::memcpy(scratch + layout::kBlockFramingLength, data, sampleBytes);
    return WriteAll(file, scratch, layout::kBlockFramingLength + sampleBytes) ? WriterStatus::Ok
                                                                               : WriterStatus::Failed;
}

}  // namespace tarn

#include "writer/CChannelBlockWriter.h"

#include "format/RecordingLayout.h"

namespace tarn {

WriterStatus CChannelBlockWriter::WriteBlock(std::int32_t noSamples, const unsigned char* data, BlockStream& stream,
                                             bool is32Bit, std::uint8_t overloadStatus) {
    if (!data) return WriterStatus::NullPointer;
    if (noSamples <= 0) return WriterStatus::InvalidArgument;
    const auto count = static_cast<std::uint32_t>(noSamples);
    if (layout::SampleBlockSize(count, is32Bit) == 0) return WriterStatus::InvalidArgument;

    layout::SampleBlockHeader(m_NextSampleNumber, count, is32Bit).Encode(m_Header);
    layout::ChannelEntry entry;
    entry.ID = static_cast<std::uint16_t>(m_ChannelId);
    entry.channelstatus = overloadStatus;
    entry.Encode(m_Header + layout::kBlockHeaderLength);
    // Through the stream's buffer the samples cost one copy; assembling the block first would
    // add another.
    if (!stream.Write({{m_Header, sizeof m_Header}, {data, std::size_t{count} * layout::SampleWidth(is32Bit)}}))
        return WriterStatus::Failed;
    m_NextSampleNumber += count;
    return WriterStatus::Ok;
}

}  // namespace tarn

// The state one channel's sample blocks are written from: the identifier that goes into each
// block's channel entry and the sample number of the channel's next block.
#pragma once

#include <cstdint>

#include "format/RecordingLayout.h"
#include "writer/BlockStream.h"
#include "writer/WriterStatus.h"

namespace tarn {

class CChannelBlockWriter {
public:
    CChannelBlockWriter(std::int32_t channelId, std::uint32_t firstSampleNumber)
        : m_ChannelId(channelId), m_NextSampleNumber(firstSampleNumber) {}

    // Only the low 16 bits reach the file.
    void SetId(std::int32_t channelId) { m_ChannelId = channelId; }

    // Appends one sample block of noSamples samples (16- or 32-bit, little-endian, from data) with
    // the overload status in its channel entry: the block header and the channel entry from the
    // header image, then the samples straight from data. Rejected before anything is written or
    // counted: null data (NullPointer), and a count no block can carry exactly (InvalidArgument:
    // 0 or below, odd for 16-bit samples, more than the 16-bit Size field allows). The channel's
    // count advances with each block the stream takes; Failed when it takes none.
    WriterStatus WriteBlock(std::int32_t noSamples, const unsigned char* data, BlockStream& stream, bool is32Bit,
                            std::uint8_t overloadStatus);

private:
    std::int32_t m_ChannelId;
    std::uint32_t m_NextSampleNumber;
    // The block header and channel entry in front of the samples, refilled for every block.
    unsigned char m_Header[layout::kBlockFramingLength] = {};
};

}  // namespace tarn

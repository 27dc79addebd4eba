#include "format/RecordingBuilder.h"

#include <cstring>
#include <stdexcept>

#include "format/LittleEndian.h"

namespace tarn {

layout::BlockHeader Block::Apply(layout::BlockHeader natural) const {
    natural.SampleNo = m_Header.SampleNo;
    natural.FE_Frame_ID = m_Header.FE_Frame_ID;
    natural.Decimations = m_Header.Decimations;
    if (m_Size) natural.Size = *m_Size;
    return natural;
}

unsigned char* RecordingBuilder::Extend(std::size_t n) {
    m_Bytes.resize(m_Bytes.size() + n);
    return m_Bytes.data() + m_Bytes.size() - n;
}

void RecordingBuilder::AppendEntry(const layout::ChannelEntry& entry) {
    entry.Encode(Extend(layout::kChannelEntryLength));
}

RecordingBuilder& RecordingBuilder::Setup(std::string_view text) {
    return Setup(text, static_cast<std::uint32_t>(layout::kSetupChunkHeaderLength + text.size()));
}

RecordingBuilder& RecordingBuilder::Setup(std::string_view text, std::uint32_t sizeField) {
    std::memcpy(Extend(layout::kSetupMagicLength), layout::kSetupMagic, layout::kSetupMagicLength);
    le::WriteU32(Extend(4), sizeField);
    if (!text.empty()) std::memcpy(Extend(text.size()), text.data(), text.size());
    return *this;
}

RecordingBuilder& RecordingBuilder::Header(std::uint32_t numberOfChannels) {
    layout::FileHeader header;
    header.NumberOfChannels = numberOfChannels;
    return Header(header);
}

RecordingBuilder& RecordingBuilder::Header(const layout::FileHeader& header) {
    header.Encode(Extend(layout::kFileHeaderLength));
    return *this;
}

RecordingBuilder& RecordingBuilder::Samples16(const std::vector<std::int16_t>& samples, const Block& block) {
    return SampleBlock(static_cast<std::uint32_t>(samples.size()), false,
                       [&](std::uint32_t i) { return samples[i]; }, block);
}

RecordingBuilder& RecordingBuilder::Samples32(const std::vector<std::int32_t>& samples, const Block& block) {
    return SampleBlock(static_cast<std::uint32_t>(samples.size()), true,
                       [&](std::uint32_t i) { return samples[i]; }, block);
}

RecordingBuilder& RecordingBuilder::Samples16(std::uint32_t count, const Generator& generator,
                                              const Block& block) {
    return SampleBlock(count, false, generator, block);
}

RecordingBuilder& RecordingBuilder::Samples32(std::uint32_t count, const Generator& generator,
                                              const Block& block) {
    return SampleBlock(count, true, generator, block);
}

RecordingBuilder& RecordingBuilder::SampleBlock(std::uint32_t count, bool is32Bit,
                                                const Generator& generator, const Block& block) {
    const layout::BlockHeader header = block.Apply(layout::SampleBlockHeader(0, count, is32Bit));
    if (header.Size == 0)
        throw std::invalid_argument("RecordingBuilder: no sample block carries this many samples");
    header.Encode(Extend(layout::kBlockHeaderLength));
    AppendEntry(block.Entry());
    const std::uint32_t width = layout::SampleWidth(is32Bit);
    unsigned char* out = Extend(std::size_t{count} * width);
    for (std::uint32_t i = 0; i < count; ++i, out += width) {
        const auto v = static_cast<std::uint32_t>(generator(i));
        if (is32Bit)
            le::WriteU32(out, v);
        else
            le::WriteU16(out, static_cast<std::uint16_t>(v));
    }
    return *this;
}

RecordingBuilder& RecordingBuilder::Trigger(const Block& block, std::uint32_t dataBytes) {
    return FillerBlock(layout::BlockKind::Trigger, block, dataBytes);
}

RecordingBuilder& RecordingBuilder::Other(const Block& block, std::uint32_t dataBytes) {
    return FillerBlock(layout::BlockKind::Other, block, dataBytes);
}

RecordingBuilder& RecordingBuilder::FillerBlock(layout::BlockKind kind, const Block& block,
                                                std::uint32_t dataBytes) {
    if (dataBytes % layout::kBlockUnit != 0 || dataBytes > layout::kMaxBlockDataBytes)
        throw std::invalid_argument("RecordingBuilder: filler data must be whole 4-byte units");
    layout::BlockHeader natural;
    natural.Content = static_cast<std::uint8_t>(kind);
    natural.Size = static_cast<std::uint16_t>((layout::kBlockFramingLength + dataBytes) / layout::kBlockUnit);
    block.Apply(natural).Encode(Extend(layout::kBlockHeaderLength));
    AppendEntry(block.Entry());
    std::memset(Extend(dataBytes), 0xA5, dataBytes);
    return *this;
}

RecordingBuilder& RecordingBuilder::DC(const std::vector<DCValue>& values, const Block& block) {
    if (values.size() > 255) throw std::invalid_argument("RecordingBuilder: a DC block has at most 255 entries");
    block.Apply(layout::DCBlockHeader(0, static_cast<std::uint8_t>(values.size())))
        .Encode(Extend(layout::kBlockHeaderLength));
    for (const DCValue& v : values) AppendEntry(layout::ChannelEntry{v.id, v.status});
    for (const DCValue& v : values) le::WriteU32(Extend(layout::kDCValueLength), v.value);
    return *this;
}

RecordingBuilder& RecordingBuilder::TruncateAt(std::size_t length) {
    if (length < m_Bytes.size()) m_Bytes.resize(length);
    return *this;
}

}  // namespace tarn

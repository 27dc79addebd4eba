#include "tests/support/RecordingBuilder.h"

#include <stdexcept>

#include "format/LittleEndian.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

namespace {

void AppendU32(RecordingBuilder::Bytes& out, std::uint32_t v) {
    unsigned char b[4];
    le::WriteU32(b, v);
    out.insert(out.end(), b, b + 4);
}

void AppendEntry(RecordingBuilder::Bytes& out, const layout::ChannelEntry& entry) {
    unsigned char b[layout::kChannelEntryLength];
    entry.Encode(b);
    out.insert(out.end(), b, b + sizeof b);
}

}  // namespace

layout::BlockHeader Block::Apply(layout::BlockHeader natural) const {
    natural.SampleNo = m_Header.SampleNo;
    natural.FE_Frame_ID = m_Header.FE_Frame_ID;
    natural.Decimations = m_Header.Decimations;
    natural.BlockStatus = m_Header.BlockStatus;
    if (m_Size) natural.Size = *m_Size;
    if (m_Entries) natural.NoOfChannels = *m_Entries;
    return natural;
}

RecordingBuilder& RecordingBuilder::Setup(std::string_view text) {
    return Setup(text, static_cast<std::uint32_t>(layout::kSetupChunkHeaderLength + text.size()));
}

RecordingBuilder& RecordingBuilder::Setup(std::string_view text, std::uint32_t sizeField) {
    m_Bytes.insert(m_Bytes.end(), layout::kSetupMagic, layout::kSetupMagic + layout::kSetupMagicLength);
    AppendU32(m_Bytes, sizeField);
    m_Bytes.insert(m_Bytes.end(), text.begin(), text.end());
    return *this;
}

RecordingBuilder& RecordingBuilder::Header(std::uint32_t numberOfChannels) {
    layout::FileHeader header;
    header.NumberOfChannels = numberOfChannels;
    return Header(header);
}

RecordingBuilder& RecordingBuilder::Header(const layout::FileHeader& header) {
    unsigned char b[layout::kFileHeaderLength];
    header.Encode(b);
    m_Bytes.insert(m_Bytes.end(), b, b + sizeof b);
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
    layout::BlockHeader header = block.Apply(layout::SampleBlockHeader(0, count, is32Bit));
    if (header.Size == 0)
        throw std::invalid_argument("RecordingBuilder: no sample block carries this many samples");
    Bytes body;
    body.reserve(layout::kChannelEntryLength + std::size_t{count} * layout::SampleWidth(is32Bit));
    AppendEntry(body, block.Entry());
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char b[4];
        const auto v = static_cast<std::uint32_t>(generator(i));
        if (is32Bit) {
            le::WriteU32(b, v);
        } else {
            le::WriteU16(b, static_cast<std::uint16_t>(v));
        }
        body.insert(body.end(), b, b + layout::SampleWidth(is32Bit));
    }
    AppendBlock(header, body);
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
    Bytes body;
    AppendEntry(body, block.Entry());
    body.resize(body.size() + dataBytes, 0xA5);
    AppendBlock(block.Apply(natural), body);
    return *this;
}

RecordingBuilder& RecordingBuilder::DC(const std::vector<DCValue>& values, const Block& block) {
    if (values.size() > 255) throw std::invalid_argument("RecordingBuilder: a DC block has at most 255 entries");
    const auto n = static_cast<std::uint8_t>(values.size());
    Bytes body;
    for (const DCValue& v : values) AppendEntry(body, layout::ChannelEntry{v.id, v.status});
    for (const DCValue& v : values) AppendU32(body, v.value);
    AppendBlock(block.Apply(layout::DCBlockHeader(0, n)), body);
    return *this;
}

RecordingBuilder& RecordingBuilder::Raw(const Bytes& bytes) {
    m_Bytes.insert(m_Bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

RecordingBuilder& RecordingBuilder::TruncateAt(std::size_t length) {
    if (length < m_Bytes.size()) m_Bytes.resize(length);
    return *this;
}

void RecordingBuilder::AppendBlock(const layout::BlockHeader& header, const Bytes& body) {
    unsigned char b[layout::kBlockHeaderLength];
    header.Encode(b);
    m_Bytes.insert(m_Bytes.end(), b, b + sizeof b);
    m_Bytes.insert(m_Bytes.end(), body.begin(), body.end());
}

std::string RecordingBuilder::WriteTo(const TempDir& dir, const std::string& name) const {
    return dir.write(name, m_Bytes);
}

}  // namespace tarn::test

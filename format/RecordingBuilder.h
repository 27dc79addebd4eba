// Builds recordings field by field: the tests' fixtures, the tool's example recording and the
// benchmarks' recordings all come from here. Any field can be set to any value, blocks can be
// broken on purpose, and the result can be cut at any byte.
//
//   RecordingBuilder().Setup("\n[SETUP START]\n[SETUP STOP]\n").Header(2)
//       .Samples16({1, 2}, Block().SampleNo(1000))
//       .Samples32({7}, Block().SampleNo(1000).Id(1));
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/RecordingLayout.h"

namespace tarn {

// Header and first-entry fields of one block. Unset fields take what a recorder writes: 0, one
// channel entry, and the Size the block's content needs.
class Block {
public:
    Block& SampleNo(std::uint32_t v) { m_Header.SampleNo = v; return *this; }
    Block& FrameId(std::uint16_t v) { m_Header.FE_Frame_ID = v; return *this; }
    Block& Decimations(std::uint8_t v) { m_Header.Decimations = v; return *this; }
    Block& Id(std::uint16_t v) { m_Entry.ID = v; return *this; }
    Block& Status(std::uint16_t v) { m_Entry.channelstatus = v; return *this; }
    Block& Size(std::uint16_t v) { m_Size = v; return *this; }

    // The header with these fields over kind, width and natural Size from `natural`.
    layout::BlockHeader Apply(layout::BlockHeader natural) const;
    const layout::ChannelEntry& Entry() const { return m_Entry; }

private:
    layout::BlockHeader m_Header;
    layout::ChannelEntry m_Entry;
    std::optional<std::uint16_t> m_Size;
};

// One entry of a DC block with its value.
struct DCValue {
    std::uint16_t id = 0;
    std::uint16_t status = 0;
    std::uint32_t value = 0;
};

class RecordingBuilder {
public:
    using Bytes = std::vector<unsigned char>;
    using Generator = std::function<std::int32_t(std::uint32_t index)>;

    // Setup chunk: "QVSU", its size (8 + text unless given), the text as is.
    RecordingBuilder& Setup(std::string_view text);
    RecordingBuilder& Setup(std::string_view text, std::uint32_t sizeField);
    // File header as the writer writes it for n channels, or with any field set.
    RecordingBuilder& Header(std::uint32_t numberOfChannels);
    RecordingBuilder& Header(const layout::FileHeader& header);

    // Sample blocks. A 16-bit block needs an even count unless Block::Size overrides the Size.
    RecordingBuilder& Samples16(const std::vector<std::int16_t>& samples, const Block& block = {});
    RecordingBuilder& Samples32(const std::vector<std::int32_t>& samples, const Block& block = {});
    // count samples, sample i being generator(i) (cut to 16 bits for Samples16).
    RecordingBuilder& Samples16(std::uint32_t count, const Generator& generator, const Block& block = {});
    RecordingBuilder& Samples32(std::uint32_t count, const Generator& generator, const Block& block = {});

    // Trigger and kind-3 blocks with dataBytes (a multiple of 4) of uninterpreted data.
    RecordingBuilder& Trigger(const Block& block = {}, std::uint32_t dataBytes = 0);
    RecordingBuilder& Other(const Block& block = {}, std::uint32_t dataBytes = 0);
    // A DC block: the entries, then their values. block's Id and Status are not used.
    RecordingBuilder& DC(const std::vector<DCValue>& values, const Block& block = {});

    // Keeps the first `length` bytes built so far.
    RecordingBuilder& TruncateAt(std::size_t length);
    // Drops the bytes built so far, so that a long recording can be built and written in parts.
    void Clear() { m_Bytes.clear(); }

    const Bytes& bytes() const { return m_Bytes; }
    std::size_t size() const { return m_Bytes.size(); }
    // Writes the bytes as the file `name` in folder (anything with write(name, bytes), such as
    // the tests' temporary folders) and returns the file's path.
    template <class Folder> std::string WriteTo(const Folder& folder, const std::string& name) const {
        return folder.write(name, m_Bytes);
    }

private:
    RecordingBuilder& SampleBlock(std::uint32_t count, bool is32Bit, const Generator& generator,
                                  const Block& block);
    RecordingBuilder& FillerBlock(layout::BlockKind kind, const Block& block, std::uint32_t dataBytes);
    unsigned char* Extend(std::size_t n);
    void AppendEntry(const layout::ChannelEntry& entry);

    Bytes m_Bytes;
};

}  // namespace tarn

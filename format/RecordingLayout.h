// The binary layout of a recording: an optional setup chunk ("QVSU", its size, the setup text),
// a 20-byte file header, then a stream of blocks (12-byte header, 4-byte channel entries, data).
// Every multi-byte field is little-endian; there is no padding anywhere. The reader, the writer
// and the test fixtures all decode and encode through the structs below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::layout {

inline constexpr char kSetupMagic[4] = {'Q', 'V', 'S', 'U'};
inline constexpr std::size_t kSetupMagicLength = 4;
// Magic plus the u32 chunk size; the smallest valid chunk (empty setup text).
inline constexpr std::uint32_t kSetupChunkHeaderLength = 8;

inline constexpr std::uint32_t kFileHeaderMagic = 0x0000BEC0;
inline constexpr std::size_t kFileHeaderLength = 20;
// More channels than a recorder can have; a larger count is taken as a damaged header, since
// every per-channel table of the reader is sized from it.
inline constexpr std::uint32_t kMaxNumberOfChannels = 65536;

inline constexpr std::size_t kBlockHeaderLength = 12;
inline constexpr std::size_t kChannelEntryLength = 4;
// Header plus the one channel entry every block has: the part read before the block's data.
inline constexpr std::size_t kBlockFramingLength = kBlockHeaderLength + kChannelEntryLength;
inline constexpr std::size_t kDCValueLength = 4;
// Size is a u16 count of 4-byte units.
inline constexpr std::uint32_t kBlockUnit = 4;
inline constexpr std::uint32_t kMaxBlockBytes = 0xFFFF * kBlockUnit;  // 262,140
inline constexpr std::uint32_t kMaxBlockDataBytes = kMaxBlockBytes - kBlockFramingLength;

enum class BlockKind : std::uint8_t { Samples = 0, Trigger = 1, DC = 2, Other = 3 };
inline constexpr std::size_t kBlockKindCount = 4;
inline constexpr std::uint8_t kContentKindMask = 0x03;
inline constexpr std::uint8_t kContent32Bit = 0x04;

// Values the writer puts in the file header's uninterpreted fields.
inline constexpr std::uint32_t kWrittenHeaderField1 = 1;
inline constexpr std::uint32_t kWrittenHeaderField3 = 1;

// A DC block is exactly its header, n entries and n 4-byte values: Size = 3 + 2n.
inline constexpr std::uint32_t DCBlockSize(std::uint32_t entries) { return 3 + 2 * entries; }

struct FileHeader {
    std::uint32_t Magic = kFileHeaderMagic;
    std::uint32_t HeaderField1 = kWrittenHeaderField1;
    std::uint32_t HeaderField2 = 0;
    std::uint32_t HeaderField3 = kWrittenHeaderField3;
    std::uint32_t NumberOfChannels = 0;

    static FileHeader Decode(const unsigned char* bytes);          // kFileHeaderLength bytes
    void Encode(unsigned char* bytes) const;                       // kFileHeaderLength bytes
};

struct BlockHeader {
    std::uint16_t Size = 0;  // whole block, in 4-byte units
    std::uint8_t Content = 0;
    std::uint8_t Decimations = 0;
    std::uint32_t SampleNo = 0;
    std::uint8_t NoOfChannels = 1;
    std::uint8_t BlockStatus = 0;
    std::uint16_t FE_Frame_ID = 0;

    static BlockHeader Decode(const unsigned char* bytes);         // kBlockHeaderLength bytes
    void Encode(unsigned char* bytes) const;                       // kBlockHeaderLength bytes

    BlockKind Kind() const { return static_cast<BlockKind>(Content & kContentKindMask); }
    bool Is32Bit() const { return (Content & kContent32Bit) != 0; }
    std::uint32_t ByteLength() const { return Size * kBlockUnit; }
    // The bytes the block stream gives the block: Size * 4, except for a DC block, which is
    // exactly its header, its entries and their values whatever its Size says.
    std::uint32_t WalkLength() const {
        return Kind() == BlockKind::DC ? DCBlockSize(NoOfChannels) * kBlockUnit : ByteLength();
    }
};

struct ChannelEntry {
    std::uint16_t ID = 0;
    std::uint16_t channelstatus = 0;

    static ChannelEntry Decode(const unsigned char* bytes);        // kChannelEntryLength bytes
    void Encode(unsigned char* bytes) const;                       // kChannelEntryLength bytes
};

// The channel a block belongs to: sample channel c (counted from 1) is key c - 1.
inline std::int32_t ChannelKey(std::uint16_t feFrameId, std::uint16_t id) {
    return static_cast<std::int32_t>(feFrameId) * 256 + id;
}

inline std::uint32_t SampleWidth(bool is32Bit) { return is32Bit ? 4 : 2; }

// Size field of a sample block carrying count samples; 0 when no block can carry exactly that
// many (none, an odd number of 16-bit samples, or more than the largest block holds).
std::uint16_t SampleBlockSize(std::uint32_t count, bool is32Bit);

// Header of a sample block as the writer emits it (kind 0, one entry, zero status fields).
// count must be one SampleBlockSize accepts.
BlockHeader SampleBlockHeader(std::uint32_t sampleNo, std::uint32_t count, bool is32Bit);

// Header of a DC block with n entries (1 .. 255).
BlockHeader DCBlockHeader(std::uint32_t sampleNo, std::uint8_t entries);

}  // namespace tarn::layout

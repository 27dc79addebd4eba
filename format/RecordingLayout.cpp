#include "format/RecordingLayout.h"

#include "format/LittleEndian.h"

namespace tarn::layout {

namespace {

// Each structure's fields with their byte offsets, listed once for decoding and encoding.
template <class H, class Visit>
void FileHeaderFields(H& h, Visit visit) {
    visit(0, h.Magic);
    visit(4, h.HeaderField1);
    visit(8, h.HeaderField2);
    visit(12, h.HeaderField3);
    visit(16, h.NumberOfChannels);
}

template <class H, class Visit>
void BlockHeaderFields(H& h, Visit visit) {
    visit(0, h.Size);
    visit(2, h.Content);
    visit(3, h.Decimations);
    visit(4, h.SampleNo);
    visit(8, h.NoOfChannels);
    visit(9, h.BlockStatus);
    visit(10, h.FE_Frame_ID);
}

template <class H, class Visit>
void ChannelEntryFields(H& h, Visit visit) {
    visit(0, h.ID);
    visit(2, h.channelstatus);
}

struct FieldReader {
    const unsigned char* bytes;
    template <class T> void operator()(std::size_t offset, T& field) const { field = le::Read<T>(bytes + offset); }
};

struct FieldWriter {
    unsigned char* bytes;
    template <class T> void operator()(std::size_t offset, const T& field) const { le::Write(bytes + offset, field); }
};

}  // namespace

FileHeader FileHeader::Decode(const unsigned char* bytes) {
    FileHeader h;
    FileHeaderFields(h, FieldReader{bytes});
    return h;
}

void FileHeader::Encode(unsigned char* bytes) const { FileHeaderFields(*this, FieldWriter{bytes}); }

BlockHeader BlockHeader::Decode(const unsigned char* bytes) {
    BlockHeader h;
    BlockHeaderFields(h, FieldReader{bytes});
    return h;
}

void BlockHeader::Encode(unsigned char* bytes) const { BlockHeaderFields(*this, FieldWriter{bytes}); }

ChannelEntry ChannelEntry::Decode(const unsigned char* bytes) {
    ChannelEntry e;
    ChannelEntryFields(e, FieldReader{bytes});
    return e;
}

void ChannelEntry::Encode(unsigned char* bytes) const { ChannelEntryFields(*this, FieldWriter{bytes}); }

std::uint16_t SampleBlockSize(std::uint32_t count, bool is32Bit) {
    if (count == 0 || count > kMaxBlockDataBytes / SampleWidth(is32Bit)) return 0;
    std::uint32_t bytes = kBlockFramingLength + count * SampleWidth(is32Bit);
    if (bytes % kBlockUnit != 0) return 0;
    return static_cast<std::uint16_t>(bytes / kBlockUnit);
}

BlockHeader SampleBlockHeader(std::uint32_t sampleNo, std::uint32_t count, bool is32Bit) {
    BlockHeader h;
    h.Size = SampleBlockSize(count, is32Bit);
    h.Content = static_cast<std::uint8_t>(static_cast<std::uint8_t>(BlockKind::Samples) |
                                          (is32Bit ? kContent32Bit : 0));
    h.SampleNo = sampleNo;
    return h;
}

BlockHeader DCBlockHeader(std::uint32_t sampleNo, std::uint8_t entries) {
    BlockHeader h;
    h.Size = static_cast<std::uint16_t>(DCBlockSize(entries));
    h.Content = static_cast<std::uint8_t>(BlockKind::DC);
    h.SampleNo = sampleNo;
    h.NoOfChannels = entries;
    return h;
}

}  // namespace tarn::layout

#include "reader/CQVDataRecorderReader.h"

#include <cstring>
#include <limits>

#include "debug/QVDebug.h"
#include "format/LittleEndian.h"

namespace tarn {

using layout::BlockKind;

const char* Describe(FileStartError error) {
    switch (error) {
    case FileStartError::None: return "accepted";
    case FileStartError::NoFileLength: return "the file length cannot be taken";
    case FileStartError::ShortFile: return "file shorter than 4 bytes";
    case FileStartError::TruncatedSetupChunk: return "setup chunk cut short";
    case FileStartError::BadSetupChunkSize: return "setup chunk size below 8";
    case FileStartError::SetupChunkPastEnd: return "setup chunk size runs past the end of the file";
    case FileStartError::TruncatedFileHeader: return "file header cut short";
    case FileStartError::BadMagic: return "file header magic is not 0x0000BEC0";
    case FileStartError::HeaderField2WithoutSetup: return "HeaderField2 set without a setup chunk";
    case FileStartError::NoChannels: return "file header declares no channels";
    case FileStartError::TooManyChannels: return "file header declares more than 65536 channels";
    }
    return "unknown";
}

const char* Describe(StreamEnd end) {
    switch (end) {
    case StreamEnd::NotYet: return "not ended";
    case StreamEnd::Clean: return "end of file at a block boundary";
    case StreamEnd::TruncatedHeader: return "truncated block header";
    case StreamEnd::TruncatedData: return "truncated block data";
    case StreamEnd::BadSize: return "block Size below 4";
    case StreamEnd::EmptyDCBlock: return "DC block without entries";
    case StreamEnd::EmptySampleBlock: return "sample block without samples";
    }
    return "unknown";
}

namespace {

// Capacity reserved in every channel's min/max cache: the file length over 2, N and 25 (integer
// divisions), times the single-precision 1.1; saturates at the u32 range. channels must be >= 1.
std::uint32_t CompressedReserveFor(std::uint64_t fileLength, std::uint32_t channels) {
    const std::uint64_t perValue = fileLength / 2 / channels / 25;
    const double estimate = static_cast<double>(perValue) * static_cast<double>(1.1f);
    // Only a file of some 195 GB per channel gets here; the conversion would be undefined.
    if (estimate >= static_cast<double>(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(estimate);
}

}  // namespace

CQVDataRecorderReader::CQVDataRecorderReader(platform::File& file, const std::string& fileName)
    : m_File(file), m_FileName(fileName) {
    m_File.SetBufferSize(0);
    m_FileLength = m_File.Length();
    if (!ReadFileHeader()) {
        m_EndOfData = true;
        m_NumberOfChannels = 0;
        return;
    }
    m_NumberOfChannels = static_cast<std::int32_t>(m_FileHeader.NumberOfChannels);
    m_CompressedReserve = CompressedReserveFor(static_cast<std::uint64_t>(m_FileLength),
                                               m_FileHeader.NumberOfChannels);
    m_OverrunFlags.assign(static_cast<std::size_t>(m_NumberOfChannels), 0);
    m_ScanPosition = m_BlockStreamStart;
    m_RandomAccess.Open(fileName);
    // The scan fills the min/max cache: the first touch of its pages goes to the thread that
    // reads ahead. Sequential reading indexes without values, and would only have pages cleared
    // that nothing writes.
    m_ScanWindow.SetPrefaultPlan([this](std::vector<platform::MemoryRegion>& regions) {
        m_ChannelDescs.ForEachSlot([&regions](CChannelDesc& slot) {
            const platform::MemoryRegion region = slot.CacheAhead();
            if (region.bytes != 0) regions.push_back(region);
        });
    });
    // Sequential reading holds samples where the window read them.
    m_ReadWindow.SetBeforeMove(
        [this] { m_ChannelDescs.ForEachSlot([](CChannelDesc& slot) { slot.KeepHeldSamples(); }); });
}

CQVDataRecorderReader::~CQVDataRecorderReader() {
    try {
        // No read ahead is left touching the memory that goes.
        m_ScanWindow.Drop();
        m_ReadWindow.Drop();
        m_ChannelDescs.Clear();
        m_DCChannels.Clear();
    } catch (...) {
        QV_TRACE("Assert", 1, "ERROR: exception caught in destructor");
    }
}

bool CQVDataRecorderReader::Reject(FileStartError error) {
    m_StartError = error;
    return false;
}

bool CQVDataRecorderReader::ReadFileHeader() {
    if (m_FileLength < 0) return Reject(FileStartError::NoFileLength);
    unsigned char magic[layout::kSetupMagicLength];
    if (m_File.Read(magic, sizeof magic) != sizeof magic) return Reject(FileStartError::ShortFile);
    if (std::memcmp(magic, layout::kSetupMagic, sizeof magic) == 0) {
        if (!ReadSetupChunk()) return false;
    } else if (!m_File.Seek(0)) {
        return Reject(FileStartError::ShortFile);
    }

    unsigned char header[layout::kFileHeaderLength];
    if (m_File.Read(header, sizeof header) != sizeof header)
        return Reject(FileStartError::TruncatedFileHeader);
    m_FileHeader = layout::FileHeader::Decode(header);
    if (m_FileHeader.Magic != layout::kFileHeaderMagic) return Reject(FileStartError::BadMagic);
    if (m_FileHeader.HeaderField2 != 0 && !m_HasSetupChunk) return Reject(FileStartError::HeaderField2WithoutSetup);
    // Every per-channel table is sized from the count, and the reservation estimate divides by it.
    if (m_FileHeader.NumberOfChannels == 0) return Reject(FileStartError::NoChannels);
    if (m_FileHeader.NumberOfChannels > layout::kMaxNumberOfChannels)
        return Reject(FileStartError::TooManyChannels);
    m_BlockStreamStart = static_cast<std::int64_t>(m_SetupChunkSize) + layout::kFileHeaderLength;
    // The walks read from here on, a window at a time; the start of the file was read as it is
    // needed, so that an open alone reads no more.
    m_ScanWindow.Seek(m_BlockStreamStart);
    return true;
}

bool CQVDataRecorderReader::ReadSetupChunk() {
    unsigned char sizeField[4];
    if (m_File.Read(sizeField, sizeof sizeField) != sizeof sizeField)
        return Reject(FileStartError::TruncatedSetupChunk);
    const std::uint32_t size = le::ReadU32(sizeField);
    // Checked before anything is allocated: the size field is read from an untrusted file.
    if (size < layout::kSetupChunkHeaderLength) return Reject(FileStartError::BadSetupChunkSize);
    if (size > static_cast<std::uint64_t>(m_FileLength)) return Reject(FileStartError::SetupChunkPastEnd);
    const std::size_t bodyLength = size - layout::kSetupChunkHeaderLength;
    m_SetupText.assign(bodyLength + 1, '\0');
    if (m_File.Read(m_SetupText.data(), bodyLength) != bodyLength)
        return Reject(FileStartError::TruncatedSetupChunk);
    m_HasSetupChunk = true;
    m_SetupChunkSize = size;
    return true;
}

bool CQVDataRecorderReader::EndStream(StreamEnd end) {
    m_Walk.end = end;
    m_Walk.endPosition = m_BlockPosition;
    m_BlockDelivered = false;
    m_DataPending = false;
    return false;
}

bool CQVDataRecorderReader::ReadIntoBlockBuffer(std::uint32_t bytes) {
    if (bytes == 0) return true;
    if (m_BlockBuffer.size() < bytes) m_BlockBuffer.resize(bytes);
    return m_Walker->Read(m_BlockBuffer.data(), bytes) == bytes;
}

bool CQVDataRecorderReader::ReadBlockHeader() {
    m_BlockDelivered = false;
    m_DataPending = false;
    std::int64_t position = m_Walker->Tell();
    for (;;) {
        m_BlockPosition = position;
        // In place where the window holds it (nearly always), copied where it spans two.
        unsigned char copy[layout::kBlockFramingLength];
        const unsigned char* framing = m_Walker->Take(sizeof copy);
        if (framing == nullptr) {
            const std::size_t got = m_Walker->Read(copy, sizeof copy);
            if (got == 0) return EndStream(StreamEnd::Clean);
            if (got != sizeof copy) return EndStream(StreamEnd::TruncatedHeader);
            framing = copy;
        }
        m_BlockHeader = layout::BlockHeader::Decode(framing);
        m_ChannelKey = layout::ChannelKey(m_BlockHeader.FE_Frame_ID,
                                          layout::ChannelEntry::Decode(framing + layout::kBlockHeaderLength).ID);
        const BlockKind kind = m_BlockHeader.Kind();
        // Its first entry gives a block its key: a DC block without entries belongs nowhere.
        if (kind == BlockKind::DC && m_BlockHeader.NoOfChannels == 0) return EndStream(StreamEnd::EmptyDCBlock);

        // A length below the framing already read would step the walk backwards (Size 0 forever).
        const std::uint32_t length = m_BlockHeader.WalkLength();
        if (length < layout::kBlockFramingLength) return EndStream(StreamEnd::BadSize);
        m_DataBytes = length - static_cast<std::uint32_t>(layout::kBlockFramingLength);
        ++m_Walk.blocks[static_cast<std::size_t>(kind)];

        switch (kind) {
        case BlockKind::Samples:
            if (m_BasePending || m_BlockHeader.SampleNo >= m_BaseSampleNo) {
                m_BlockDelivered = true;
                m_DataPending = true;
                return true;
            }
            ++m_Walk.staleBlocks;
            break;
        case BlockKind::Trigger:
            if (m_TriggerSampleNo == 0) m_TriggerSampleNo = m_BlockHeader.SampleNo;
            break;
        case BlockKind::DC:
            // The further entries and the values: the walk and the DC table both take the block
            // by its entry count, so a Size that says otherwise loses nothing.
            if (!ReadIntoBlockBuffer(m_DataBytes)) return EndStream(StreamEnd::TruncatedData);
            m_BlockDelivered = true;
            return true;
        case BlockKind::Other:
            break;
        }
        if (!ReadIntoBlockBuffer(m_DataBytes)) return EndStream(StreamEnd::TruncatedData);
        if (position >= 0) position += length;
    }
}

bool CQVDataRecorderReader::ReadBlockData() {
    if (!m_DataPending) return false;
    if (m_DataBytes == 0) return EndStream(StreamEnd::EmptySampleBlock);
    m_DataPending = false;
    m_BlockData = m_Walker->Take(m_DataBytes);
    if (m_BlockData != nullptr) return true;
    if (!ReadIntoBlockBuffer(m_DataBytes)) return EndStream(StreamEnd::TruncatedData);
    m_BlockData = m_BlockBuffer.data();
    return true;
}

void CQVDataRecorderReader::ResetWalk() {
    m_BlockDelivered = false;
    m_DataPending = false;
    m_BlockPosition = -1;
    m_BaseSampleNo = 0;
    m_BasePending = true;
    m_TriggerSampleNo = 0;
    m_Walk = WalkRecord{};
}

void CQVDataRecorderReader::FixBaseSampleNumber() {
    if (!m_BlockDelivered || !m_BasePending) return;
    m_BaseSampleNo = m_BlockHeader.SampleNo;
    m_BasePending = false;
}

}  // namespace tarn

#include "writer/CQVDataRecorderWriter.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "debug/QVDebug.h"
#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"
#include "writer/WriterStream.h"

namespace tarn {

namespace {

constexpr char kRECInfoSectionLine[] = "[RECFileInfoSection]\n";

}  // namespace

CQVDataRecorderWriter::CQVDataRecorderWriter(platform::File& file)
    : m_File(file), m_Stream(file, kStreamBufferSize) {
    m_File.SetBufferSize(kStreamBufferSize);
}

CQVDataRecorderWriter::~CQVDataRecorderWriter() {
    if (m_File.IsOpen()) m_Stream.Flush();
}

// ---- Setup section ------------------------------------------------------------------------

WriterStatus CQVDataRecorderWriter::SetNumberOfChannels(std::int32_t noCh) {
    // The file header and the block table carry the count already.
    if (m_HasChannelTable) return WriterStatus::Failed;
    return m_Params.SetNumberOfChannels(noCh);
}

WriterStatus CQVDataRecorderWriter::SetParameter(std::u16string_view parameterName, std::int32_t chNo,
                                                 std::u16string_view value) {
    return m_Params.SetParameter(parameterName, chNo, value);
}

WriterStatus CQVDataRecorderWriter::SetRECInfo(std::u16string_view recFileName) {
    // A name cut at a NUL would open another file than the one named.
    if (recFileName.empty() || recFileName.find(u'\0') != std::u16string_view::npos) return WriterStatus::Failed;
    platform::File rec;
    if (!rec.Open(platform::FileNameFromWide(recFileName), platform::File::Mode::Read)) return WriterStatus::Failed;
    m_RECInfo.reset();
    m_RECInfoSize = 0;
    const std::int64_t length = rec.Length();
    if (length < 0 || length > INT32_MAX) return WriterStatus::Failed;
    const auto bytes = static_cast<std::size_t>(length);
    std::unique_ptr<unsigned char[]> info(new (std::nothrow) unsigned char[bytes]);
    if (!info || rec.Read(info.get(), bytes) != bytes) return WriterStatus::Failed;
    m_RECInfo = std::move(info);
    m_RECInfoSize = static_cast<std::int32_t>(length);
    return WriterStatus::Ok;
}

WriterStatus CQVDataRecorderWriter::SetRECInfoArray(std::int32_t size, const unsigned char* bytes) {
    if (size < 0) return WriterStatus::InvalidArgument;
    if (!bytes && size > 0) return WriterStatus::NullPointer;
    const auto length = static_cast<std::size_t>(size);
    std::unique_ptr<unsigned char[]> info(new unsigned char[length]);
    if (length > 0) std::memcpy(info.get(), bytes, length);
    m_RECInfo = std::move(info);
    m_RECInfoSize = size;
    return WriterStatus::Ok;
}

WriterStatus CQVDataRecorderWriter::WriteFailed() {
    m_Stream.Break();
    return WriterStatus::Failed;
}

WriterStatus CQVDataRecorderWriter::WriteSetupSection() {
    // A setup chunk behind the file header would be read as blocks.
    if (m_HasChannelTable || m_Stream.Broken()) return WriterStatus::Failed;
    m_Stream.Restart();
    if (!m_Params.Write(m_File, m_RECInfoSize)) return WriteFailed();
    // An empty REC info is no REC info: a section of no bytes could not be told from none.
    if (!m_RECInfo || m_RECInfoSize == 0) return WriterStatus::Failed;
    return WriteRECInfoSection();
}

WriterStatus CQVDataRecorderWriter::WriteRECInfoSection() {
    if (!WriteAll(m_File, kRECInfoSectionLine, sizeof kRECInfoSectionLine - 1)) return WriteFailed();
    const std::int64_t position = m_File.Tell();
    if (position < 0) return WriteFailed();
    if (!WriteAll(m_File, m_RECInfo.get(), static_cast<std::size_t>(m_RECInfoSize))) return WriteFailed();
    return PatchSetupChunk(position, position + m_RECInfoSize);
}

WriterStatus CQVDataRecorderWriter::PatchSetupChunk(std::int64_t recInfoPosition, std::int64_t recInfoEnd) {
    // More digits than the placeholder has would overwrite the text after it.
    if (recInfoPosition > CWriterParamList::kMaxPlaceholderValue) return WriterStatus::Failed;
    unsigned char chunkSize[4];
    le::WriteU32(chunkSize, static_cast<std::uint32_t>(recInfoEnd));
    if (!m_File.Seek(layout::kSetupMagicLength) || !WriteAll(m_File, chunkSize, sizeof chunkSize))
        return WriteFailed();
    char digits[CWriterParamList::kPlaceholderDigits + 1];
    std::snprintf(digits, sizeof digits, "%08d", static_cast<int>(recInfoPosition));
    if (!m_File.Seek(m_Params.PlaceholderPosition()) || !WriteAll(m_File, digits, CWriterParamList::kPlaceholderDigits))
        return WriteFailed();
    const std::int64_t end = m_File.Length();
    return end >= 0 && m_File.Seek(end) ? WriterStatus::Ok : WriteFailed();
}

// ---- Data section -------------------------------------------------------------------------

WriterStatus CQVDataRecorderWriter::InitializeBinaryDataSection(std::int32_t firstSampleNumber) {
    // A second file header would land in the middle of the blocks.
    if (m_HasChannelTable) return WriterStatus::Failed;
    layout::FileHeader header;
    header.NumberOfChannels = static_cast<std::uint32_t>(ChannelCount());
    unsigned char bytes[layout::kFileHeaderLength];
    header.Encode(bytes);
    if (!m_Stream.Write({{bytes, sizeof bytes}})) return WriterStatus::Failed;

    const auto first = static_cast<std::uint32_t>(firstSampleNumber);
    m_DCSampleOffset = first;
    m_ChannelBlocks.reserve(static_cast<std::size_t>(ChannelCount()));
    for (std::int32_t k = 0; k < ChannelCount(); ++k) m_ChannelBlocks.emplace_back(k, first);
    m_HasChannelTable = true;
    return WriterStatus::Ok;
}

WriterStatus CQVDataRecorderWriter::SetChId(std::int32_t index, std::int32_t chId) {
    if (!m_HasChannelTable || index < 0 || index >= ChannelCount() ||
        static_cast<std::size_t>(index) >= m_ChannelBlocks.size())
        return WriterStatus::Failed;
    m_ChannelBlocks[static_cast<std::size_t>(index)].SetId(chId);
    return WriterStatus::Ok;
}

WriterStatus CQVDataRecorderWriter::CreateBinaryDataBlock(std::int32_t ch, std::int32_t noSamples,
                                                          const unsigned char* data) {
    return WriteSampleBlock(ch, noSamples, data, false, 0);
}

WriterStatus CQVDataRecorderWriter::CreateBinaryDataBlockWithOverloadStatus(std::int32_t ch, std::int32_t noSamples,
                                                                            const unsigned char* data,
                                                                            std::uint8_t overloadStatus) {
    return WriteSampleBlock(ch, noSamples, data, false, overloadStatus);
}

WriterStatus CQVDataRecorderWriter::Create32bitBinaryDataBlock(std::int32_t ch, std::int32_t noSamples,
                                                               const unsigned char* data) {
    return WriteSampleBlock(ch, noSamples, data, true, 0);
}

WriterStatus CQVDataRecorderWriter::Create32bitBinaryDataBlockWithOverloadStatus(std::int32_t ch,
                                                                                 std::int32_t noSamples,
                                                                                 const unsigned char* data,
                                                                                 std::uint8_t overloadStatus) {
    return WriteSampleBlock(ch, noSamples, data, true, overloadStatus);
}

WriterStatus CQVDataRecorderWriter::WriteSampleBlock(std::int32_t ch, std::int32_t noSamples,
                                                     const unsigned char* data, bool is32Bit,
                                                     std::uint8_t overloadStatus) {
    if (ch < 1 || ch > ChannelCount()) return WriterStatus::InvalidArgument;
    if (!m_HasChannelTable) return WriterStatus::Failed;
    if (static_cast<std::size_t>(ch) > m_ChannelBlocks.size()) return WriterStatus::InvalidArgument;
    return m_ChannelBlocks[static_cast<std::size_t>(ch - 1)].WriteBlock(noSamples, data, m_Stream, is32Bit,
                                                                        overloadStatus);
}

WriterStatus CQVDataRecorderWriter::CreateDCChannelBlock(std::int32_t size, const unsigned char* data) {
    if (!data) return WriterStatus::NullPointer;
    if (size < static_cast<std::int32_t>(layout::kBlockHeaderLength)) return WriterStatus::InvalidArgument;
    layout::BlockHeader header = layout::BlockHeader::Decode(data);
    const std::uint32_t expected = layout::DCBlockSize(header.NoOfChannels) * layout::kBlockUnit;
    // A block whose length the reader's walk would take otherwise loses every block after it.
    if (header.Kind() != layout::BlockKind::DC || header.NoOfChannels == 0 ||
        static_cast<std::uint32_t>(size) != expected || header.ByteLength() != expected)
        return WriterStatus::InvalidArgument;

    if (m_FirstDCBlockPending) {
        m_DCSampleOffset = header.SampleNo - m_DCSampleOffset;
        m_FirstDCBlockPending = false;
    }
    // The caller's block stays as it is: the shifted copy is what goes to the file.
    unsigned char* block = m_DCBlock;
    std::memcpy(block, data, expected);
    header.SampleNo -= m_DCSampleOffset;
    header.Encode(block);
    if (!m_Stream.Write({{block, expected}})) return WriterStatus::Failed;

    const layout::BlockHeader& h = header;
    QV_TRACE("DCChannels", 1,
             "DC channel header: Size %u, Content %u, Decimations %u, SampleNo %u, NoOfChannels %u, BlockStatus %u, "
             "FE_Frame_ID %u",
             unsigned{h.Size}, unsigned{h.Content}, unsigned{h.Decimations}, unsigned{h.SampleNo},
             unsigned{h.NoOfChannels}, unsigned{h.BlockStatus}, unsigned{h.FE_Frame_ID});
    for (unsigned i = 0; i < h.NoOfChannels; ++i) {
        const layout::ChannelEntry e =
            layout::ChannelEntry::Decode(block + layout::kBlockHeaderLength + i * layout::kChannelEntryLength);
        QV_TRACE("DCChannels", 1, "      Ch %u, channelstatus: %u, ID %u, ", i, unsigned{e.channelstatus},
                 unsigned{e.ID});
    }
    return WriterStatus::Ok;
}

// ---- Closing ------------------------------------------------------------------------------

bool CQVDataRecorderWriter::CloseStream() {
    const bool flushed = m_File.IsOpen() && m_Stream.Flush();
    m_File.Close();
    return flushed;
}

}  // namespace tarn

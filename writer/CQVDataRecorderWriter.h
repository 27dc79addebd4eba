// The writer of a new recording. The client drives it call by call, normally in this order:
// SetNumberOfChannels, SetParameter (any number), SetRECInfo or SetRECInfoArray,
// WriteSetupSection, InitializeBinaryDataSection, SetChId (optional), the block operations as the
// data arrive, CloseStream. Once the file header is written the setup is fixed: the operations
// that would change it in the file are refused (Failed). After a write has failed the data section
// ends at the last whole block on the file and every later write is refused (Failed); CloseStream
// reports it too. Every operation returns a WriterStatus (WriterStatus.h gives its result code);
// none throws except std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "format/RecordingLayout.h"
#include "writer/BlockStream.h"
#include "writer/CChannelBlockWriter.h"
#include "writer/CWriterParamList.h"
#include "writer/WriterStatus.h"

namespace tarn {

class CQVDataRecorderWriter {
public:
    // The stream buffer the writer gives the file: blocks are small and arrive one at a time.
    static constexpr std::size_t kStreamBufferSize = 1 << 20;

    // file: open for binary writing (and reading), with no I/O done on it yet (its buffer size is
    // set here); not owned, and must outlive the writer. The writer only writes and seeks.
    explicit CQVDataRecorderWriter(platform::File& file);
    // Leaves the stream open (CloseStream closes it), but flushes it, so that a write failing then
    // still cuts the file back to its last whole block.
    ~CQVDataRecorderWriter();
    CQVDataRecorderWriter(const CQVDataRecorderWriter&) = delete;
    CQVDataRecorderWriter& operator=(const CQVDataRecorderWriter&) = delete;

    // ---- Setup section ----------------------------------------------------------------------
    // Declares noCh channels (CWriterParamList::SetNumberOfChannels): InvalidArgument outside
    // 0 .. layout::kMaxNumberOfChannels; Failed once the file header is written.
    WriterStatus SetNumberOfChannels(std::int32_t noCh);
    // ChNo 0: recorder section; 1 .. channel count: that channel (else InvalidArgument). A known
    // key replaces its line, any other name adds a line. The value is taken as it is; a line break
    // in the name or the value is refused (InvalidArgument).
    WriterStatus SetParameter(std::u16string_view parameterName, std::int32_t chNo, std::u16string_view value);
    // REC info := the whole content of that file. Failed when the name is empty or the file cannot
    // be opened (the REC info held stays), and when it cannot be read whole or is larger than
    // 2 GiB - 1 (no REC info is held afterwards).
    WriterStatus SetRECInfo(std::u16string_view recFileName);
    // REC info := a copy of size bytes. InvalidArgument for a negative size, NullPointer for null
    // bytes with a size above 0; in both cases the REC info held stays. The bytes stay the
    // caller's.
    WriterStatus SetRECInfoArray(std::int32_t size, const unsigned char* bytes);
    // At the current position: the setup chunk, then "[RECFileInfoSection]\n" and the REC info;
    // then the chunk size at offset 4 and the offset of the REC info over the "RECInfoSectionPos"
    // placeholder, and back to the end of the file. Failed for a failed write or seek, without
    // REC info (or with an empty one: the setup text is written, nothing after it), and when the
    // REC info would start beyond offset 99,999,999 (the setup text and the REC info are written,
    // nothing is patched). What was written stays. Failed, nothing written, once the file header is.
    WriterStatus WriteSetupSection();

    // ---- Data section -----------------------------------------------------------------------
    // The 20-byte file header at the current position (Failed, nothing else changed, when it
    // cannot be written), then the block table: channel k (from 0) gets id k and counts its
    // samples from firstSampleNumber. The DC shift starts from firstSampleNumber. Once only: Failed,
    // nothing written, when the header is there already.
    WriterStatus InitializeBinaryDataSection(std::int32_t firstSampleNumber);
    // index counts from 0. Failed without a table, or for an index outside the channel count or
    // the table.
    WriterStatus SetChId(std::int32_t index, std::int32_t chId);
    // One sample block of channel ch (from 1). InvalidArgument for a channel outside 1 .. channel
    // count or beyond the table, Failed without a table; then CChannelBlockWriter::WriteBlock.
    WriterStatus CreateBinaryDataBlock(std::int32_t ch, std::int32_t noSamples, const unsigned char* data);
    WriterStatus CreateBinaryDataBlockWithOverloadStatus(std::int32_t ch, std::int32_t noSamples,
                                                         const unsigned char* data, std::uint8_t overloadStatus);
    WriterStatus Create32bitBinaryDataBlock(std::int32_t ch, std::int32_t noSamples, const unsigned char* data);
    WriterStatus Create32bitBinaryDataBlockWithOverloadStatus(std::int32_t ch, std::int32_t noSamples,
                                                              const unsigned char* data, std::uint8_t overloadStatus);
    // A complete DC block of size bytes built by the client, written with its SampleNo moved onto
    // the writer's count: the first DC block gets the firstSampleNumber of
    // InitializeBinaryDataSection (0 before it), later ones keep their distance to it. The
    // caller's bytes are not changed. NullPointer for null data; InvalidArgument, nothing written
    // or shifted, unless the block is of the DC kind, size is 12 + 8n for the block's own n >= 1
    // entries and its Size field says the same. Failed when the write fails.
    WriterStatus CreateDCChannelBlock(std::int32_t size, const unsigned char* data);

    // ---- Closing ----------------------------------------------------------------------------
    // Flushes and closes the stream. False when the buffered data could not be written, or a
    // write failed before.
    bool CloseStream();

private:
    std::int32_t ChannelCount() const { return m_Params.ChannelCount(); }
    WriterStatus WriteSampleBlock(std::int32_t ch, std::int32_t noSamples, const unsigned char* data, bool is32Bit,
                                  std::uint8_t overloadStatus);
    // Steps of WriteSetupSection after the setup text.
    WriterStatus WriteRECInfoSection();
    WriterStatus PatchSetupChunk(std::int64_t recInfoPosition, std::int64_t recInfoEnd);
    // Failed for a write or seek that failed: the writer takes nothing more.
    WriterStatus WriteFailed();

    platform::File& m_File;
    BlockStream m_Stream;
    CWriterParamList m_Params;
    std::unique_ptr<unsigned char[]> m_RECInfo;
    std::int32_t m_RECInfoSize = 0;
    std::vector<CChannelBlockWriter> m_ChannelBlocks;
    bool m_HasChannelTable = false;
    std::uint32_t m_DCSampleOffset = 0;
    bool m_FirstDCBlockPending = true;
    // The DC block as written: a copy, so that the caller's block stays as it was.
    unsigned char m_DCBlock[layout::DCBlockSize(0xFF) * layout::kBlockUnit];
};

}  // namespace tarn

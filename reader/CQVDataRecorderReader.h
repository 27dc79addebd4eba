// The data-section reader of one open recording: validates the start of the file, walks its
// block stream one block at a time, builds the per-channel index and the DC table from that walk
// (the scan), and copies samples and DC blocks out of the file through the index.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/RandomAccessFile.h"
#include "reader/FileWindow.h"
#include "reader/HelperThread.h"
#include "platform/platform.h"
#include "reader/ChannelTable.h"
#include "reader/DCChannelDesc.h"
#include "reader/OutputBlock.h"
#include "format/RFMode.h"
#include "format/RecordingLayout.h"

namespace tarn {

// Why the start of a file was not accepted as a recording.
enum class FileStartError {
    None,
    NoFileLength,              // the length of the file could not be taken
    ShortFile,                 // fewer than 4 bytes
    TruncatedSetupChunk,       // the chunk's size field or body is cut short
    BadSetupChunkSize,         // chunk size below the 8 bytes of its own header
    SetupChunkPastEnd,         // chunk size larger than the file
    TruncatedFileHeader,       // fewer than 20 bytes where the file header belongs
    BadMagic,                  // file header magic is not 0x0000BEC0
    HeaderField2WithoutSetup,  // HeaderField2 set in a file without a setup chunk
    NoChannels,                // NumberOfChannels 0
    TooManyChannels,           // NumberOfChannels above layout::kMaxNumberOfChannels
};
const char* Describe(FileStartError error);

// Why the block stream ended.
enum class StreamEnd {
    NotYet,
    Clean,             // end of file exactly at a block boundary
    TruncatedHeader,   // block header or first channel entry cut short
    TruncatedData,     // block body cut short
    BadSize,           // Size below the 16 bytes of header and first entry
    EmptyDCBlock,      // DC block without entries (so without a channel key)
    EmptySampleBlock,  // sample block without samples (Size 4)
};
const char* Describe(StreamEnd end);

// What the walk has met so far: counters and the last place the stream ended. Kept for
// diagnostics; it costs a few increments per block.
struct WalkRecord {
    std::uint64_t blocks[layout::kBlockKindCount] = {};  // valid block headers read, by kind
    std::uint64_t staleBlocks = 0;                        // sample blocks below the base, skipped
    StreamEnd end = StreamEnd::NotYet;
    std::int64_t endPosition = -1;  // file offset of the block at which the stream ended
};

class CQVDataRecorderReader {
public:
    // One read of the walks: large, since a scan reads the whole file.
    static constexpr std::size_t kWindowBytes = 1 << 20;

    // file: open for binary reading, with no I/O done on it yet (the reader reads it unbuffered,
    // through windows of its own);
    // not owned, and must outlive the reader. Reads the start of the file; EndOfData() tells
    // whether it was rejected. fileName names the same file: retrieval reads it through a handle
    // of its own, so that it never moves the scan's stream. Without a name (a reader that only
    // walks) retrieval finds nothing.
    explicit CQVDataRecorderReader(platform::File& file, const std::string& fileName = {});
    ~CQVDataRecorderReader();
    CQVDataRecorderReader(const CQVDataRecorderReader&) = delete;
    CQVDataRecorderReader& operator=(const CQVDataRecorderReader&) = delete;

    // ---- Scan and index -----------------------------------------------------------------
    // N fresh channel slots (the old ones discarded, with what sequential reading held); first
    // trigger sample -1; mode is how sequential reading lays out its blocks.
    void CreateChannelDescs(RFMode mode);
    // One scan step: indexes the next sample or DC block. Each step goes on where the previous
    // step ended, whatever else read the file in between. False once the stream is exhausted or
    // unreadable (m_EndOfData is set then, and later steps return false at once).
    bool ScanFile();
    bool ScanComplete() const { return m_ScanComplete; }
    void SetScanComplete() { m_ScanComplete = true; }
    // Back to the state right after open, so that the next scan builds the index afresh.
    void ResetScan();
    // Channel from 1; one scan step first unless the scan is complete. False outside 1 .. N.
    bool IsOverrunLatched(std::int32_t channel);
    // Channel from 1: the scan met a gap in it, latched or not yet (the latch waits for a block
    // after the gap, so a gap before the channel's last block is seen only here).
    bool MetGap(std::int32_t channel) const;
    bool Has32BitData() const { return m_Has32BitData; }
    std::int32_t GetFirstSampleNumber() const { return m_ChannelDescs.FirstSampleNumber(); }
    std::int32_t GetLastSampleNumber() const { return m_ChannelDescs.LastSampleNumber(); }
    // The file position where the next scan step reads (the end of the last block scanned).
    std::int64_t ScanPosition() const { return m_ScanPosition; }
    std::int32_t FirstTriggerSample() const { return m_FirstTriggerSample; }

    // Bytes held by the index, the min/max cache and the DC table.
    std::size_t IndexMemoryBytes() const;

    // ---- Retrieval ----------------------------------------------------------------------
    // Channel from 1 (1 .. N); samples [s0, s1) counted from the channel's first indexed sample.
    // How many values a copy of the range can give at most: the samples from s0 on that indexed
    // blocks hold without a gap (0 for a channel outside 1 .. N or an empty range).
    std::int64_t CopyBound(std::int32_t channel, std::int32_t s0, std::int32_t s1) const;
    // Copy what the index holds of the range into out (room for at least CopyBound values) and
    // return the last sample number copied: s0 - 1 when nothing was (no indexed block, a gap, a negative
    // s0, a block that no longer reads as indexed). No scan step is run. A long copy is read in
    // two halves at once: where the first ends early (a changed block), out may hold some of the
    // second past the last sample copied, never beyond CopyBound values.
    // The 16-bit view of a 32-bit sample is its upper half; 16-bit samples widen with their sign.
    std::int32_t CopySamples16(std::int32_t channel, std::int32_t s0, std::int32_t s1, std::int16_t* out);
    std::int32_t CopySamples32(std::int32_t channel, std::int32_t s0, std::int32_t s1, std::int32_t* out);
    // The shortest copy that is cut in two, one half read on each core: lowered by tests.
    void SetSplitSamples(std::int64_t samples) { m_SplitSamples = std::max<std::int64_t>(samples, 2); }
    // Gives the channel's blocks that sequential reading indexed without min/max values theirs,
    // read from the file, so that overviews come from the cache again. False when a block no
    // longer reads back as indexed or there is no memory: the cache then stays as it was, and
    // overviews come from the samples.
    bool CompleteCache(std::int32_t channel);
    // The OR of the overload status bytes of the blocks holding [s0, s1); 0 for an empty range.
    std::uint8_t OverloadStatusInRange(std::int32_t channel, std::int32_t s0, std::int32_t s1);
    // DC blocks whose sample number lies in [s0, s1): (DC channel, block) pairs, flattened.
    void DCChannelIndexes(std::int32_t s0, std::int32_t s1, std::vector<std::int32_t>& pairs) const {
        m_DCChannels.Indexes(s0, s1, pairs);
    }
    // Byte length of DC block index of DC channel channel (both from 0); false outside the table.
    bool DCBlockLength(std::int32_t channel, std::int32_t index, std::int32_t& bytes) const;
    // That whole DC block as stored (DCBlockLength bytes) into out; false when it cannot be read
    // or no longer reads as the block indexed there.
    bool ReadDCBlock(std::int32_t channel, std::int32_t index, std::uint8_t* out);
    // The slot of channel (from 1); null outside 1 .. N.
    const CChannelDesc* ChannelSlot(std::int32_t channel) const;
    // The width of slot channelIndex (from 0); false outside 0 .. N - 1.
    bool Is32BitData(std::int32_t channelIndex, bool& is32Bit) const;

    // ---- Sequential reading ---------------------------------------------------------------
    // Reads blocks from where the last read stopped (its own position: the scan and retrieval
    // do not move it) until every channel taking part (all N, or the selected ones) holds a
    // common stretch of samples, and delivers it into the output block. A block read at the
    // scan's position is indexed as the scan would index it. Stretches that cannot be completed
    // for every channel are dropped and reported by ReadOverrun(), latching the overrun flags of
    // the channels with a gap there. False, with the previous block left, once the stream ends
    // and nothing held makes a block.
    bool ReadGenFeBlock();
    bool ReadGenFeBlockSelection();
    const OutputBlock& Output() const { return m_Output; }
    // The most values one delivered block holds: OutputBlock::kMaxValues, lowered by tests.
    void SetBlockLimit(std::uint64_t values) { m_BlockLimit = std::min(values, OutputBlock::kMaxValues); }
    bool ReadOverrun() const { return m_ReadOverrun; }
    // Relative sample number of the first sample of the last block delivered; -1 before any.
    std::int32_t LastSampleNumber() const { return m_LastSampleNumber; }
    bool SelectionActive() const { return m_SelectionActive; }
    // index: 0-based channel. False outside 0 .. N - 1 or when already selected.
    bool AddToSelection(std::int32_t index);
    void ClearSelection();

    // ---- Start of the file --------------------------------------------------------------
    bool EndOfData() const { return m_EndOfData; }
    FileStartError StartError() const { return m_StartError; }
    std::int32_t NumberOfChannels() const { return m_NumberOfChannels; }
    std::int64_t FileLength() const { return m_FileLength; }
    bool HasSetupChunk() const { return m_HasSetupChunk; }
    std::uint32_t SetupChunkSize() const { return m_SetupChunkSize; }
    // The chunk body, zero-terminated (it may hold further zero bytes: the REC info section is
    // binary); nullptr when the file has no setup chunk.
    const char* SetupText() const { return m_HasSetupChunk ? m_SetupText.data() : nullptr; }
    std::size_t SetupTextLength() const { return m_HasSetupChunk ? m_SetupText.size() - 1 : 0; }

    // ---- Block walk ---------------------------------------------------------------------
    // Reads block headers from the current position (of the window the last walk used: the
    // scan's, unless sequential reading took the last block) until it meets a sample block to deliver
    // (base pending, or SampleNo not below the base) or a DC block, which it reads whole (its
    // further entries and values go to the block buffer). Trigger blocks note the first trigger,
    // stale sample blocks and kind-3 blocks are passed over. False when the stream ends.
    bool ReadBlockHeader();
    // The delivered sample block's data, m_BlockData pointing at it: in the walk's window where
    // it holds the whole block, else in the block buffer. False for a block without samples or a
    // short read (the stream ends), or when no sample block's data is pending.
    bool ReadBlockData();
    // The caller fixes the base from the first sample or DC block it takes: if the base is
    // still pending, it becomes the current block's SampleNo.
    void FixBaseSampleNumber();

    const layout::BlockHeader& CurrentBlockHeader() const { return m_BlockHeader; }
    std::int32_t CurrentChannelKey() const { return m_ChannelKey; }
    std::uint32_t CurrentSampleCount() const {
        return m_DataBytes / layout::SampleWidth(m_BlockHeader.Is32Bit());
    }

    bool BasePending() const { return m_BasePending; }
    std::uint32_t BaseSampleNumber() const { return m_BaseSampleNo; }
    // Absolute SampleNo of the first trigger block met; 0 = none yet.
    std::uint32_t TriggerSampleNo() const { return m_TriggerSampleNo; }
    const WalkRecord& Walk() const { return m_Walk; }

private:
    // Where an indexed block was read back, checked against its entry.
    struct IndexedBlock {
        const unsigned char* data = nullptr;  // the samples; null when the block did not read back
        std::uint16_t channelstatus = 0;
    };
    struct PlannedBlock {
        const BlockEntry* entry;
        std::uint32_t offset;  // first sample wanted
        std::uint32_t take;    // samples wanted
        std::size_t at;        // place in the read buffer
        std::size_t length;    // bytes to read
    };
    // What a walk through a range reads with: each batch of blocks goes to the kernel at once.
    struct RangeWalker {
        std::vector<PlannedBlock> plan;
        std::size_t bytes = 0;  // the plan's, read one after the other
        std::vector<platform::RandomAccessFile::ReadRequest> requests;
        std::vector<unsigned char> buffer;

        void Clear() {
            plan.clear();
            bytes = 0;
        }
        // Adds length bytes of entry's block to the batch, offset and take being the samples
        // wanted of it; false, adding nothing, once the batch is full (kBatchBlocks blocks, or
        // kBatchBytes unless it has no block yet).
        bool Plan(const BlockEntry& entry, std::uint32_t offset, std::uint32_t take, std::size_t length) {
            if (plan.size() >= kBatchBlocks || (!plan.empty() && bytes + length > kBatchBytes)) return false;
            plan.push_back({&entry, offset, take, bytes, length});
            bytes += length;
            return true;
        }
    };

    bool ReadFileHeader();
    bool ReadSetupChunk();
    bool Reject(FileStartError error);
    bool EndStream(StreamEnd end);
    // bytes (at most one block's data) into the block buffer, growing it when needed.
    bool ReadIntoBlockBuffer(std::uint32_t bytes);
    void ResetWalk();

    // Scan steps.
    bool EndScan();
    // Reads the delivered block after at (moving at past it), indexes it when index, and lets
    // its channel hold its samples when hold. False when the stream ends there.
    bool TakeBlock(FileWindow& window, std::int64_t& at, bool index, bool hold);
    // Indexes the block when position >= 0, with the min/max values of data when given.
    void AddSampleBlock(CChannelDesc& slot, std::int64_t position, const unsigned char* data);

    // Sequential reading.
    bool ReadSequential(bool selection);
    // The channels taking part, ascending; false when one of them holds nothing yet.
    bool ChannelsTakingPart(bool selection);
    // Delivers the common stretch of the channels taking part when they have one (at most
    // m_BlockLimit values); a stretch dropped on the way where every one of them had begun is an
    // overrun, latched for the channels with a gap in it.
    bool DeliverCommonStretch(bool selection);
    // Every channel passes the samples before s (s not below m_PassedEnd).
    void DiscardBefore(std::int64_t s);

    // Retrieval.
    // The block read back at bytes (its framing, and with withData its samples) if it is still
    // the block entry describes; data null otherwise.
    IndexedBlock CheckIndexedBlock(const CChannelDesc& slot, const BlockEntry& entry, const unsigned char* bytes) const;
    // Reads block after block of [s0, s1) of slot (0 <= s0 < s1) through file, a batch of them at
    // a time, and hands each to visit(entry, block, offset in the block, samples from s0 to the
    // block's first one taken, samples taken from it) until the range is done or a block is not
    // found or does not read back; returns where it stopped.
    template <class Visit>
    std::int64_t ForEachBlockInRange(RangeWalker& walker, platform::RandomAccessFile& file, const CChannelDesc& slot,
                                     std::int64_t s0, std::int64_t s1, bool withData, Visit&& visit);
    // Reads walker.plan's blocks through file, a batch at once.
    void ReadPlannedBlocks(RangeWalker& walker, platform::RandomAccessFile& file);
    // Planned block i as ReadPlannedBlocks read it, checked against its entry.
    IndexedBlock PlannedBlockRead(const RangeWalker& walker, const CChannelDesc& slot, std::size_t i) const;
    // One past the last sample from s0 on (below s1) that indexed blocks hold without a gap.
    std::int64_t HeldWithoutGap(const CChannelDesc& slot, std::int64_t s0, std::int64_t s1) const;
    // Where a copy of [s0, s1) is cut in two, the second part going to the helper thread: s1 when
    // the range is too short to gain from it, or the first half has a gap.
    std::int64_t SplitPoint(const CChannelDesc& slot, std::int64_t s0, std::int64_t s1);
    template <class Out>
    std::int32_t CopySamples(std::int32_t channel, std::int32_t s0, std::int32_t s1, Out* out);

    std::int32_t m_NumberOfChannels = 0;
    platform::File& m_File;
    // A positional handle of the reader's own: retrieval reads through it, and the walks' windows
    // read ahead through it. Declared before them, so that it outlives their reads in flight.
    platform::RandomAccessFile m_RandomAccess;
    // The scan and sequential reading each walk with a window of their own, so that taking turns
    // does not refill one; m_Walker points at the one in use.
    FileWindow m_ScanWindow{m_File, kWindowBytes, &m_RandomAccess};
    FileWindow m_ReadWindow{m_File, kWindowBytes, &m_RandomAccess};
    FileWindow* m_Walker = &m_ScanWindow;
    std::int64_t m_FileLength = 0;
    bool m_EndOfData = false;
    std::uint32_t m_CompressedReserve = 0;

    // file header state
    layout::FileHeader m_FileHeader;
    FileStartError m_StartError = FileStartError::None;
    bool m_HasSetupChunk = false;
    std::uint32_t m_SetupChunkSize = 0;
    std::vector<char> m_SetupText;
    std::int64_t m_BlockStreamStart = 0;

    // current block state
    std::int32_t m_ChannelKey = 0;
    std::uint32_t m_DataBytes = 0;
    layout::BlockHeader m_BlockHeader;
    std::int64_t m_BlockPosition = -1;
    bool m_BlockDelivered = false;  // the current block is a delivered sample or DC block
    bool m_DataPending = false;     // its sample data has not been read yet
    std::vector<unsigned char> m_BlockBuffer;
    const unsigned char* m_BlockData = nullptr;  // the current sample block's data (ReadBlockData)
    std::uint32_t m_BaseSampleNo = 0;
    bool m_BasePending = true;
    std::uint32_t m_TriggerSampleNo = 0;
    WalkRecord m_Walk;

    // index
    ChannelTable m_ChannelDescs;
    DCTable m_DCChannels;
    bool m_ScanComplete = false;
    bool m_ScanEnded = false;       // a scan step met the end of the stream
    bool m_Has32BitData = false;
    std::int64_t m_ScanPosition = 0;  // where the next scan step reads
    std::int32_t m_FirstTriggerSample = -1;

    // retrieval: buffers of its own (its handle is m_RandomAccess), so that neither the walks'
    // windows nor their current block is touched
    // One batch of retrieval: up to this many blocks, and this many bytes unless one block is more.
    static constexpr std::size_t kBatchBlocks = 32;
    static constexpr std::size_t kBatchBytes = 1 << 20;
    // A batch whose blocks lie within this many bytes each of the file on average is read in
    // one request: about what the kernel copies in the time it answers a request.
    static constexpr std::size_t kCloseBlockBytes = 12 << 10;
    // A copy of this many samples or more is cut in two, one half read on each core: the
    // kernel's cost per block read is most of a long copy.
    static constexpr std::int64_t kSplitSamples = std::int64_t{1} << 18;
    std::int64_t m_SplitSamples = kSplitSamples;
    RangeWalker m_RangeWalker;
    // The second half's: a handle of its own, since a handle takes one batch at a time.
    std::string m_FileName;
    platform::RandomAccessFile m_HelperAccess;
    RangeWalker m_HelperWalker;
    HelperThread m_Helper;  // after what its jobs use, so that it is joined first

    // sequential reading
    RFMode m_ReadMode = RF_Interleaved;
    std::int64_t m_ReadPosition = 0;    // where the next read takes a block
    bool m_ReadEnded = false;
    std::int64_t m_PassedEnd = -1;      // every sample before it was delivered or dropped; -1 before any
    std::uint64_t m_BlockLimit = OutputBlock::kMaxValues;
    std::int32_t m_LastSampleNumber = -1;
    bool m_ReadOverrun = false;
    OutputBlock m_Output;
    std::vector<const CChannelDesc*> m_TakingPart;
    bool m_SelectionActive = false;
    std::int32_t m_SelectionCount = 0;
    std::vector<std::int32_t> m_SelectionMap;  // per channel index: -1, or its place in the selection

    std::vector<std::uint8_t> m_OverrunFlags;
};

}  // namespace tarn

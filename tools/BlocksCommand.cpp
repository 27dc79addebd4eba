// tarn blocks [FILE]: walks the block stream the way the scan does and prints what it met.
#include <cinttypes>
#include <cstdio>
#include <map>

#include "component/client/ComponentRecording.h"
#include "reader/CQVDataRecorderReader.h"
#include "tools/Command.h"
#include "tools/ExampleRecording.h"

namespace tarn::tool {

namespace {

// The blocks of one channel key: sample blocks, or DC blocks.
struct KeySummary {
    std::uint64_t blocks = 0;
    std::uint32_t first = 0;  // SampleNo of the first block
    std::uint32_t last = 0;   // last sample (DC: SampleNo of the last block)
    bool has16 = false;
    bool has32 = false;

    void Add(std::uint32_t blockFirst, std::uint32_t blockLast) {
        if (blocks++ == 0) first = blockFirst;
        last = blockLast;
    }
};

struct StreamSummary {
    std::map<std::int32_t, KeySummary> channels;
    std::map<std::int32_t, KeySummary> dcChannels;
};

StreamSummary WalkStream(CQVDataRecorderReader& reader) {
    StreamSummary summary;
    while (reader.ReadBlockHeader()) {
        const layout::BlockHeader& header = reader.CurrentBlockHeader();
        if (header.Kind() == layout::BlockKind::Samples) {
            if (!reader.ReadBlockData()) break;
            KeySummary& channel = summary.channels[reader.CurrentChannelKey()];
            channel.Add(header.SampleNo, header.SampleNo + reader.CurrentSampleCount() - 1);
            (header.Is32Bit() ? channel.has32 : channel.has16) = true;
        } else {
            summary.dcChannels[reader.CurrentChannelKey()].Add(header.SampleNo, header.SampleNo);
        }
        reader.FixBaseSampleNumber();
    }
    return summary;
}

const char* Width(const KeySummary& s) {
    if (s.has16 && s.has32) return "16/32-bit";
    return s.has32 ? "32-bit" : "16-bit";
}

void PrintKeys(const std::map<std::int32_t, KeySummary>& keys, bool dc, const CQVDataRecorderReader& reader) {
    const std::int64_t base = reader.BaseSampleNumber();
    for (const auto& [key, s] : keys) {
        if (dc)
            std::printf("DC key %" PRId32, key);
        else if (key < reader.NumberOfChannels())
            std::printf("channel key %" PRId32 " (channel %" PRId32 ", %s)", key, key + 1, Width(s));
        else
            std::printf("channel key %" PRId32 " (no channel, %s)", key, Width(s));
        std::printf(": %" PRIu64 " blocks, SampleNo %" PRIu32 "..%" PRIu32 " (relative %" PRId64 "..%" PRId64 ")\n",
                    s.blocks, s.first, s.last, s.first - base, s.last - base);
    }
}

void PrintSummary(CQVDataRecorderReader& reader, const StreamSummary& summary) {
    std::printf("file length: %" PRId64 " bytes\n", reader.FileLength());
    std::printf("channels: %" PRId32 "\n", reader.NumberOfChannels());
    if (reader.HasSetupChunk())
        std::printf("setup chunk: %" PRIu32 " bytes\n", reader.SetupChunkSize());
    else
        std::printf("setup chunk: none\n");
    const WalkRecord& walk = reader.Walk();
    std::printf("block headers: %" PRIu64 " sample, %" PRIu64 " trigger, %" PRIu64 " DC, %" PRIu64
                " other; %" PRIu64 " stale sample blocks skipped\n",
                walk.blocks[0], walk.blocks[1], walk.blocks[2], walk.blocks[3], walk.staleBlocks);
    if (reader.BasePending())
        std::printf("base sample number: none\n");
    else
        std::printf("base sample number: %" PRIu32 "\n", reader.BaseSampleNumber());
    if (reader.TriggerSampleNo() == 0)
        std::printf("first trigger: none\n");
    else
        std::printf("first trigger: SampleNo %" PRIu32 " (relative %" PRId64 ")\n", reader.TriggerSampleNo(),
                    std::int64_t{reader.TriggerSampleNo()} - reader.BaseSampleNumber());
    PrintKeys(summary.channels, false, reader);
    PrintKeys(summary.dcChannels, true, reader);
    std::printf("stream end: %s at offset %" PRId64 "\n", Describe(walk.end), walk.endPosition);
}

struct BlocksOptions {
    std::string path;
};

int BlocksCommand(const BlocksOptions& options) {
    std::string path = options.path;
    if (path.empty()) {
        path = WriteExampleRecording();
        if (path.empty()) {
            std::fprintf(stderr, "tarn: cannot write the example recording to the temporary folder\n");
            return kExitFailure;
        }
        std::printf("example recording written to %s\n", path.c_str());
    }

    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) {
        std::fprintf(stderr, "tarn: %s\n", CannotOpen(path).c_str());
        return kExitFailure;
    }
    CQVDataRecorderReader reader(file);
    if (reader.EndOfData()) {
        std::fprintf(stderr, "tarn: %s is not a recording: %s\n", path.c_str(), Describe(reader.StartError()));
        return kExitFailure;
    }
    std::printf("file: %s\n", path.c_str());
    const StreamSummary summary = WalkStream(reader);
    PrintSummary(reader, summary);
    return kExitOk;
}

}  // namespace

void AddBlocksCommand(CLI::App& tool) {
    const auto [command, options] = AddCommand(
        tool, "blocks", "Walk the block stream as the scan does and summarise it",
        "Prints the channel count, the setup chunk's size, the blocks of each kind, per channel key the\n"
        "sample range, the base sample number, the first trigger, and where and why the stream ended.",
        BlocksCommand);
    command->add_option("FILE", options->path,
                        "The recording (none: an example recording written to the temporary folder first)");
}

}  // namespace tarn::tool

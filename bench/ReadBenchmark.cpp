// Measures, on one page-cached recording of at least 256 MiB (4 channels of 16-bit samples in
// interleaved 1,024-sample blocks), the scan, the retrieval of one channel (through the
// component's interface, after its background scan) and sequential reading of the whole file
// (through the interface) against plain sequential reads of the whole file, a display's overview
// of one channel from the min/max cache, which must read no byte of the file, and the tool's CSV
// export against a plain loop printing as many lines; prints the ratios with their targets.
// Exit status 1 when a target is missed.
//
//   tarn_bench_read [folder]     (default: the system's temporary folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "component/ClassObject.h"
#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "reader/CQVDataRecorderReader.h"
#include "format/RecordingBuilder.h"

namespace tarn::bench {
namespace {

constexpr std::uint32_t kChannels = 4;
constexpr std::uint32_t kBlockSamples = 1024;
constexpr std::uint64_t kMinimumBytes = 256ull << 20;
constexpr std::size_t kChunk = 1 << 20;

constexpr std::uint32_t kBlockBytes = layout::kBlockFramingLength + kBlockSamples * 2;
constexpr std::uint32_t kBlocksPerChannel =
    static_cast<std::uint32_t>((kMinimumBytes + std::uint64_t{kChannels} * kBlockBytes - 1) / (std::uint64_t{kChannels} * kBlockBytes));
constexpr std::uint64_t kFileBytes = layout::kFileHeaderLength + std::uint64_t{kBlocksPerChannel} * kChannels * kBlockBytes;
constexpr std::uint32_t kBaseSample = 5000;

std::int16_t SampleValue(std::uint32_t channel, std::uint32_t sample) {
    return static_cast<std::int16_t>(channel * 1000 + sample * 7);
}

// Written a round of blocks at a time: the whole recording would not fit in memory comfortably.
bool WriteRecording(const std::string& path) {
    platform::File out;
    if (!out.Open(path, platform::File::Mode::Create)) return false;
    RecordingBuilder part;
    part.Header(kChannels);
    bool ok = true;
    for (std::uint32_t b = 0; ok && b < kBlocksPerChannel; ++b) {
        const std::uint32_t first = b * kBlockSamples;
        for (std::uint32_t c = 0; c < kChannels; ++c)
            part.Samples16(kBlockSamples, [c, first](std::uint32_t i) { return SampleValue(c, first + i); },
                           Block().SampleNo(kBaseSample + first).Id(static_cast<std::uint16_t>(c)));
        ok = out.Write(part.bytes().data(), part.size()) == part.size();
        part.Clear();
    }
    out.Close();
    return ok;
}

bool RawRead(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    static std::vector<unsigned char> chunk(kChunk);
    std::uint64_t total = 0;
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), f)) > 0;) total += got;
    std::fclose(f);
    return total == kFileBytes;
}

// The reader's own scan of the whole recording, as the component's worker runs it.
struct Scanned {
    platform::File file;
    std::unique_ptr<CQVDataRecorderReader> reader;

    bool Open(const std::string& path) {
        reader.reset();  // the previous index's memory is free for this one
        file.Close();
        if (!file.Open(path, platform::File::Mode::Read)) return false;
        reader = std::make_unique<CQVDataRecorderReader>(file, path);
        if (reader->EndOfData()) return false;
        reader->CreateChannelDescs(RF_Interleaved);
        while (reader->ScanFile()) {
        }
        reader->SetScanComplete();
        return true;
    }
};

// A component object, created as a client creates it, with the recording open.
client::ComPtr<IQVRecorderFileReader> OpenRecording(const std::string& path) {
    client::ComPtr<IQVRecorderFileReader> reader;
    if (FAILED(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileReader, reader.PutVoid()))) return {};
    const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
    LONG ok = 0;
    if (FAILED(reader->put_FileName(name.get())) || FAILED(reader->open(&ok)) || ok != 1) return {};
    return reader;
}

// The same, scanned in the background.
client::ComPtr<IQVRecorderFileReader2> OpenComponent(const std::string& path) {
    const client::ComPtr<IQVRecorderFileReader> reader = OpenRecording(path);
    if (!reader) return {};
    LONG ok = 0;
    client::ScanEvents events;
    client::ComPtr<IQVRecorderFileReader2> reader2 = reader.As<IQVRecorderFileReader2>(IID_IQVRecorderFileReader2);
    if (FAILED(events.Connect(reader.Get())) || FAILED(reader2->ScanFile(&ok)) ||
        !events.WaitForScan(std::chrono::minutes(5))) {
        return {};
    }
    return reader2;
}

constexpr std::int32_t kChannelSamples = static_cast<std::int32_t>(kBlocksPerChannel * kBlockSamples);

bool SamplesAreRight(std::int32_t channel, const std::int16_t* out) {
    const auto c = static_cast<std::uint32_t>(channel - 1);
    const auto samples = static_cast<std::uint32_t>(kChannelSamples);
    for (std::uint32_t s : {0u, 1023u, 1024u, samples / 2, samples - 1})
        if (out[s] != SampleValue(c, s)) return false;
    return true;
}

// The reader's copy into memory the caller already touched.
bool CopyChannel(CQVDataRecorderReader& reader, std::int32_t channel, std::int16_t* out) {
    return reader.CopySamples16(channel, 0, kChannelSamples, out) == kChannelSamples - 1 &&
           SamplesAreRight(channel, out);
}

// What a client does: GetSamples into fresh client memory, then CoTaskMemFree.
bool GetChannel(IQVRecorderFileReader2& component, std::int32_t channel) {
    LONG last = 0;
    short* out = nullptr;
    const bool ok = component.GetSamples(channel, 0, kChannelSamples, &last, &out) == S_OK &&
                    last == kChannelSamples - 1 && SamplesAreRight(channel, out);
    CoTaskMemFree(out);
    return ok;
}

constexpr ULONG kOverviewValues = 2000;

// A display's overview of a whole channel: kOverviewValues values from the scan's min/max cache,
// (minimum, maximum) pairs. bytesRead gets the file bytes the process read meanwhile.
bool OverviewChannel(IQVRecorderFileReader2& component, std::int32_t channel, std::uint64_t& bytesRead) {
    ULONG count = kOverviewValues;
    short* out = nullptr;
    const std::uint64_t before = platform::FileBytesRead();
    bool ok = component.GetCompressedSamples(static_cast<ULONG>(channel), 0, 0, &count, &out) == S_OK &&
              count == kOverviewValues;
    bytesRead = platform::FileBytesRead() - before;
    for (ULONG i = 0; ok && i < count; i += 2) ok = out[i] <= out[i + 1];
    CoTaskMemFree(out);
    return ok;
}

// What a client of sequential reading does: read and _getBlock until the stream ends. Every
// sample of every channel must come, in interleaved order.
bool ReadSequentially(const std::string& path) {
    const client::ComPtr<IQVRecorderFileReader> reader = OpenRecording(path);
    if (!reader) return false;
    std::int64_t samples = 0;
    bool right = true;
    for (LONG ok = 1; reader->read(&ok) == S_OK && ok == 1;) {
        LONG size = 0, first = 0;
        short* block = nullptr;
        if (FAILED(reader->get_BlockSize(&size)) || FAILED(reader->get_SampleNumber(&first)) ||
            FAILED(reader->_getBlock(&block)) || size < static_cast<LONG>(kChannels))
            return false;
        const auto n = static_cast<std::uint32_t>(size) / kChannels;
        const auto s = static_cast<std::uint32_t>(first) + n - 1;
        right = right && block[0] == SampleValue(0, static_cast<std::uint32_t>(first)) &&
                block[size - 1] == SampleValue(kChannels - 1, s);
        samples += n;
    }
    return right && samples == kChannelSamples;
}

#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// The tool, as a user runs it: the whole recording as CSV with the stored integers.
bool ExportCsv(const std::string& path, const std::string& csv) {
    const std::string command = "\"" TARN_TOOL_PATH "\" export \"" + path + "\" \"" + csv + "\" --raw";
    return std::system((command + " 2>" + kNullDevice).c_str()) == 0;
}

// A plain loop printing as many lines as the export writes: a sample number and four values.
bool PrintLines(const std::string& csv) {
    std::FILE* f = std::fopen(csv.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "sample,channel 1,channel 2,channel 3,channel 4\n");
    for (std::int32_t s = 0; s < kChannelSamples; ++s) {
        const auto u = static_cast<std::uint32_t>(s);
        std::fprintf(f, "%d,%d,%d,%d,%d\n", static_cast<int>(s), SampleValue(0, u), SampleValue(1, u), SampleValue(2, u),
                     SampleValue(3, u));
    }
    return std::fclose(f) == 0;
}

int ReadBenchmark(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string path = (folder / "tarn-bench-read.dat").string();
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) != kFileBytes) {
        std::printf("writing %s ...\n", path.c_str());
        if (!WriteRecording(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return kCannotRun;
        }
    }
    std::printf("recording: %s, %llu bytes, %u channels, 16-bit, %u-sample blocks, interleaved\n", path.c_str(),
                static_cast<unsigned long long>(kFileBytes), kChannels, kBlockSamples);
    if (!RawRead(path)) {  // warms the page cache
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return kCannotRun;
    }

    Scanned scanned;
    const client::ComPtr<IQVRecorderFileReader2> component = OpenComponent(path);
    if (!component) {
        std::fprintf(stderr, "the component cannot open and scan %s\n", path.c_str());
        return kCannotRun;
    }
    // The warm copy goes into memory touched before, as the raw read's buffer is; GetSamples
    // hands out fresh client memory each time, first-touch faults included.
    std::vector<std::int16_t> result(static_cast<std::size_t>(kChannelSamples), 1);
    std::uint64_t overviewBytes = 1;
    // The counter's witness: a GetSamples of the channel reads its blocks.
    const std::uint64_t before = platform::FileBytesRead();
    const bool counted = GetChannel(*component.Get(), 2);
    const std::uint64_t samplesBytes = platform::FileBytesRead() - before;
    const std::string csv = (folder / "tarn-bench-export.csv").string();
    const std::vector<double> best = BestOfRounds({
        [&] { return RawRead(path); },
        [&] { return scanned.Open(path); },
        [&] { return GetChannel(*component.Get(), 2); },
        [&] { return CopyChannel(*scanned.reader, 2, result.data()); },
        [&] { return OverviewChannel(*component.Get(), 2, overviewBytes); },
        [&] { return ReadSequentially(path); },
        [&] { return ExportCsv(path, csv); },
        [&] { return PrintLines(csv); },
    });
    std::filesystem::remove(csv, ec);
    const double raw = best[0], scan = best[1], get = best[2], copy = best[3], overview = best[4],
                 sequential = best[5], exported = best[6], printed = best[7];
    if (!counted || std::any_of(best.begin(), best.end(), [](double t) { return t <= 0; })) {
        std::fprintf(stderr, "a measured run failed\n");
        return kCannotRun;
    }
    const double mib = static_cast<double>(kFileBytes) / (1 << 20);
    std::printf("raw read (1 MiB freads)   %8.1f MiB/s  %7.1f ms\n", mib / raw, raw * 1e3);
    std::printf("full scan                 %8.1f MiB/s  %7.1f ms\n", mib / scan, scan * 1e3);
    std::printf("GetSamples, channel 2 of 4          %7.1f ms  (fresh client memory)\n", get * 1e3);
    std::printf("  the reader's copy into warm memory %7.1f ms\n", copy * 1e3);
    std::printf("GetCompressedSamples, channel 2, %lu values %7.3f ms  (from the cache; file bytes read: %llu, by a\n"
                "  GetSamples of the channel: %llu)\n",
                static_cast<unsigned long>(kOverviewValues), overview * 1e3,
                static_cast<unsigned long long>(overviewBytes), static_cast<unsigned long long>(samplesBytes));
    std::printf("sequential read (read, _getBlock) %8.1f MiB/s  %7.1f ms\n", mib / sequential, sequential * 1e3);
    std::printf("tarn export --raw (scan + CSV)      %7.1f ms\n", exported * 1e3);
    std::printf("plain fprintf loop, as many lines   %7.1f ms\n", printed * 1e3);

    const double memory = static_cast<double>(scanned.reader->IndexMemoryBytes()) / static_cast<double>(kFileBytes);
    bool met = Report("scan throughput / raw read throughput", raw / scan, raw / scan >= 0.25, ">= 0.25");
    met &= Report("index memory / file size", memory, memory <= 0.10, "<= 0.10");
    met &= Report("time(GetSamples, one channel of 4) / time(raw read)", get / raw, get / raw <= 1.0, "<= 1.00");
    met &= Report("file bytes read by the overview", static_cast<double>(overviewBytes),
                  overviewBytes == 0 && samplesBytes > 0, "= 0");
    met &= Report("sequential read throughput / raw read", raw / sequential, raw / sequential >= 0.5, ">= 0.50");
    std::printf("%-44s %8.3f   (no target)\n", "time(tarn export --raw) / time(plain loop)", exported / printed);
    return met ? kTargetsMet : kTargetMissed;
}

}  // namespace
}  // namespace tarn::bench

int main(int argc, char** argv) { return tarn::bench::ReadBenchmark(argc, argv); }

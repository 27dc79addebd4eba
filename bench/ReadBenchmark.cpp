// Measures, on one page-cached recording (4 channels of 16-bit samples in interleaved
// 1,024-sample blocks; 256 MiB unless --size asks for more), the scan, the retrieval of one
// channel (through the component's interface, after its background scan, in results of at most
// 2^26 samples) and sequential reading of the whole file (through the interface) against plain
// sequential reads of the whole file, the per-block cost of each, a display's overview of one
// channel from the min/max cache, which must read no byte of the file, the overview of the last
// 1,000 samples of a channel against values computed from the samples, and (at the default size)
// the tool's CSV export against a plain loop printing as many lines; prints the ratios with
// their targets. Exit status 1 when a target is missed.
//
//   tarn_bench_read [--size BYTES[K|M|G]] [folder]     (default: 256M, the system's temporary folder)
//
// The recording is written once into the folder (8G: 8 GiB) and reused while its size fits; each
// run drops it from the page cache and reads it once in whole before measuring.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "bench/Timing.h"
#include "component/ClassObject.h"
#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "component/client/ScanEvents.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "reader/CompressBlockMinMax.h"
#include "reader/CQVDataRecorderReader.h"
#include "format/RecordingBuilder.h"

namespace tarn::bench {
namespace {

constexpr std::uint32_t kChannels = 4;
constexpr std::uint32_t kBlockSamples = 1024;
constexpr std::uint64_t kDefaultBytes = 256ull << 20;
constexpr std::size_t kChunk = 1 << 20;
// The largest result one GetSamples is asked for: a whole channel of a large recording would be
// over the component's result bound.
constexpr std::int32_t kPieceSamples = 1 << 26;

constexpr std::uint32_t kBlockBytes = layout::kBlockFramingLength + kBlockSamples * 2;
constexpr std::uint32_t kBaseSample = 5000;

// The recording's shape for a size asked for: whole rounds of one block per channel.
struct Shape {
    std::uint32_t blocksPerChannel = 0;
    std::uint64_t fileBytes = 0;
    std::int32_t channelSamples = 0;

    explicit Shape(std::uint64_t minimumBytes)
        : blocksPerChannel(static_cast<std::uint32_t>((minimumBytes + std::uint64_t{kChannels} * kBlockBytes - 1) /
                                                      (std::uint64_t{kChannels} * kBlockBytes))),
          fileBytes(layout::kFileHeaderLength + std::uint64_t{blocksPerChannel} * kChannels * kBlockBytes),
          channelSamples(static_cast<std::int32_t>(blocksPerChannel * kBlockSamples)) {}
};

std::int16_t SampleValue(std::uint32_t channel, std::uint32_t sample) {
    return static_cast<std::int16_t>(channel * 1000 + sample * 7);
}

// Written some rounds of blocks at a time: the whole recording would not fit in memory comfortably.
bool WriteRecording(const std::string& path, const Shape& shape) {
    constexpr std::uint32_t kRoundsPerWrite = 64;
    platform::File out;
    if (!out.Open(path, platform::File::Mode::Create)) return false;
    RecordingBuilder part;
    part.Header(kChannels);
    bool ok = true;
    for (std::uint32_t b = 0; ok && b < shape.blocksPerChannel; ++b) {
        const std::uint32_t first = b * kBlockSamples;
        for (std::uint32_t c = 0; c < kChannels; ++c)
            part.Samples16(kBlockSamples, [c, first](std::uint32_t i) { return SampleValue(c, first + i); },
                           Block().SampleNo(kBaseSample + first).Id(static_cast<std::uint16_t>(c)));
        if (b % kRoundsPerWrite == kRoundsPerWrite - 1 || b + 1 == shape.blocksPerChannel) {
            ok = out.Write(part.bytes().data(), part.size()) == part.size();
            part.Clear();
        }
    }
    return out.Flush() && ok;
}

bool RawRead(const std::string& path, const Shape& shape) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    static std::vector<unsigned char> chunk(kChunk);
    std::uint64_t total = 0;
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), f)) > 0;) total += got;
    std::fclose(f);
    return total == shape.fileBytes;
}

// Reference floors for what the reader does on two cores, in the shape it does it: the whole
// file read on both cores (each a half, in 1 MiB reads), the same with every block's min/max
// values folded right after its read (the scan's reading and folding with nothing else: no
// walk, no index), and one read per block of a channel, each core a half of the blocks. Where
// the page cache gives the second core little, no split of the work beats the first; where a
// read costs microseconds, reading blocks one by one loses to reading everything.
template <class Part> bool OnBothCores(const std::string& path, std::size_t parts, Part&& part) {
    platform::RandomAccessFile files[2];
    bool ok[2] = {files[0].Open(path), files[1].Open(path)};
    std::thread second([&] { ok[1] = ok[1] && part(files[1], parts / 2, parts); });
    ok[0] = ok[0] && part(files[0], std::size_t{0}, parts / 2);
    second.join();
    return ok[0] && ok[1];
}

bool RawReadOnBothCores(const std::string& path, const Shape& shape) {
    const std::size_t chunks = static_cast<std::size_t>((shape.fileBytes + kChunk - 1) / kChunk);
    return OnBothCores(path, chunks, [](const platform::RandomAccessFile& file, std::size_t from, std::size_t to) {
        std::vector<unsigned char> chunk(kChunk);
        for (std::size_t i = from; i < to; ++i)
            if (file.ReadAt(static_cast<std::int64_t>(i * kChunk), chunk.data(), kChunk) == 0) return false;
        return true;
    });
}

bool ReadAndFoldOnBothCores(const std::string& path, const Shape& shape) {
    constexpr std::size_t kSpanBlocks = kChunk / kBlockBytes;
    const std::size_t spans = (std::size_t{shape.blocksPerChannel} * kChannels + kSpanBlocks - 1) / kSpanBlocks;
    return OnBothCores(path, spans, [&](const platform::RandomAccessFile& file, std::size_t from, std::size_t to) {
        std::vector<unsigned char> span(kSpanBlocks * kBlockBytes);
        std::vector<std::int16_t> values(MinMaxBuckets(kBlockSamples).Values());
        for (std::size_t i = from; i < to; ++i) {
            const std::size_t got = file.ReadAt(
                static_cast<std::int64_t>(layout::kFileHeaderLength + i * span.size()), span.data(), span.size());
            if (got == 0) return false;
            for (std::size_t at = 0; at + kBlockBytes <= got; at += kBlockBytes)
                CompressBlockMinMax(span.data() + at + layout::kBlockFramingLength, kBlockSamples, values.data());
        }
        return true;
    });
}

bool ReadEachBlock(const std::string& path, const BlockList& blocks) {
    return OnBothCores(path, blocks.size(), [&](const platform::RandomAccessFile& file, std::size_t from, std::size_t to) {
        std::vector<unsigned char> block;
        for (std::size_t i = from; i < to; ++i) {
            if (block.size() < blocks[i].byteLength()) block.resize(blocks[i].byteLength());
            if (file.ReadAt(blocks[i].position(), block.data(), blocks[i].byteLength()) != blocks[i].byteLength())
                return false;
        }
        return true;
    });
}

// The page cache serves a file as fast as the way its pages came in: a file written in pieces, or
// read back in parts after some of it was evicted, may sit in small pages that read at a quarter
// of the speed (measured here: 256 MiB in 45 ms, and in 12 ms once dropped and read afresh). Every
// ratio against the slower state flatters the reader: the file is dropped from the cache, to be
// read once in whole as a first read of a recording leaves it.
void DropFromPageCache(const std::string& path) {
#ifndef _WIN32
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);  // pages not yet written to the disk are not dropped
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
#else
    (void)path;
#endif
}

// The reader's own scan of the whole recording, as the component's worker runs it: opening the
// file and the scan, timed without giving back the previous round's index (best: the shortest).
struct Scanned {
    platform::File file;
    std::unique_ptr<CQVDataRecorderReader> reader;
    double best = 1e300;

    bool Open(const std::string& path) {
        reader.reset();  // the previous index's memory is free for this one
        file.Close();
        const auto start = std::chrono::steady_clock::now();
        if (!OpenAndScan(path)) return false;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        return true;
    }

private:
    bool OpenAndScan(const std::string& path) {
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

// Samples [s0, s0 + n) of a channel, checked at their first and last sample and a block edge.
bool SamplesAreRight(std::int32_t channel, std::int32_t s0, std::int32_t n, const std::int16_t* out) {
    const auto c = static_cast<std::uint32_t>(channel - 1);
    for (std::int32_t i : {0, std::min(1023, n - 1), std::min(1024, n - 1), n / 2, n - 1})
        if (out[i] != SampleValue(c, static_cast<std::uint32_t>(s0 + i))) return false;
    return true;
}

// Runs piece(s0, n) over a whole channel in pieces of at most kPieceSamples.
bool ForEachPiece(const Shape& shape, const std::function<bool(std::int32_t, std::int32_t)>& piece) {
    for (std::int32_t s0 = 0; s0 < shape.channelSamples; s0 += kPieceSamples)
        if (!piece(s0, std::min(kPieceSamples, shape.channelSamples - s0))) return false;
    return true;
}

// The reader's copy into memory the caller already touched.
bool CopyChannel(CQVDataRecorderReader& reader, const Shape& shape, std::int32_t channel, std::int16_t* out) {
    return ForEachPiece(shape, [&](std::int32_t s0, std::int32_t n) {
        return reader.CopySamples16(channel, s0, s0 + n, out) == s0 + n - 1 && SamplesAreRight(channel, s0, n, out);
    });
}

// What a client does: GetSamples, then CoTaskMemFree (which keeps a large block for the next
// result of about its size, so only the first round fills fresh memory).
bool GetChannel(IQVRecorderFileReader2& component, const Shape& shape, std::int32_t channel) {
    return ForEachPiece(shape, [&](std::int32_t s0, std::int32_t n) {
        LONG last = 0;
        short* out = nullptr;
        const bool ok = component.GetSamples(channel, s0, s0 + n, &last, &out) == S_OK && last == s0 + n - 1 &&
                        SamplesAreRight(channel, s0, n, out);
        CoTaskMemFree(out);
        return ok;
    });
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

// The overview of the last 1,000 samples of a channel: they lie in its last block, and as many
// values are asked for as the cache holds for it, so that each (minimum, maximum) pair is one
// bucket's, computed here from the samples. wrong gets the pairs that differ.
bool OverviewOfTheEnd(IQVRecorderFileReader2& component, const Shape& shape, std::int32_t channel, ULONG& wrong) {
    const MinMaxBuckets buckets(kBlockSamples);
    ULONG count = 2 * buckets.count;
    short* out = nullptr;
    const std::int32_t end = shape.channelSamples;
    const bool ok = component.GetCompressedSamples(static_cast<ULONG>(channel), end - 1000, end, &count, &out) == S_OK &&
                    count == 2 * buckets.count;
    const auto c = static_cast<std::uint32_t>(channel - 1);
    const auto block = static_cast<std::uint32_t>(end) - kBlockSamples;
    wrong = 0;
    for (std::uint32_t b = 0; ok && b < buckets.count; ++b) {
        std::int16_t low = SampleValue(c, block + (b == 0 ? 0 : buckets.End(b))), high = low;
        for (std::uint32_t s = b == 0 ? 0 : buckets.End(b); s < buckets.End(b + 1); ++s) {
            low = std::min(low, SampleValue(c, block + s));
            high = std::max(high, SampleValue(c, block + s));
        }
        wrong += out[2 * b] != low || out[2 * b + 1] != high;
    }
    CoTaskMemFree(out);
    return ok;
}

// What a client of sequential reading does: read and _getBlock until the stream ends. Every
// sample of every channel must come, in interleaved order.
bool ReadSequentially(const std::string& path, const Shape& shape) {
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
    return right && samples == shape.channelSamples;
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
bool PrintLines(const std::string& csv, const Shape& shape) {
    std::FILE* f = std::fopen(csv.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "sample,channel 1,channel 2,channel 3,channel 4\n");
    for (std::int32_t s = 0; s < shape.channelSamples; ++s) {
        const auto u = static_cast<std::uint32_t>(s);
        std::fprintf(f, "%d,%d,%d,%d,%d\n", static_cast<int>(s), SampleValue(0, u), SampleValue(1, u), SampleValue(2, u),
                     SampleValue(3, u));
    }
    return std::fclose(f) == 0;
}

// The process's peak resident memory in MiB; 0 where it is not known.
double PeakMemoryMiB() {
#ifndef _WIN32
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) return static_cast<double>(usage.ru_maxrss) / 1024;
#endif
    return 0;
}

int ReadBenchmark(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, "tarn_bench_read", kDefaultBytes, kChannels, kBlockSamples, arguments))
        return kCannotRun;
    const std::uint64_t size = arguments.size;
    const std::filesystem::path& folder = arguments.folder;
    const Shape shape(size);
    const bool quick = size == kDefaultBytes;
    const std::string path =
        (folder / (quick ? std::string("tarn-bench-read.dat") : "tarn-bench-read-" + std::to_string(size >> 20) + "M.dat"))
            .string();
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) != shape.fileBytes) {
        std::printf("writing %s ...\n", path.c_str());
        if (!WriteRecording(path, shape)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return kCannotRun;
        }
    }
    std::printf("recording: %s, %llu bytes, %u channels, 16-bit, %u-sample blocks, interleaved\n", path.c_str(),
                static_cast<unsigned long long>(shape.fileBytes), kChannels, kBlockSamples);
    DropFromPageCache(path);
    if (!RawRead(path, shape)) {  // fills the page cache
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return kCannotRun;
    }

    Scanned scanned;
    const client::ComPtr<IQVRecorderFileReader2> component = OpenComponent(path);
    if (!component) {
        std::fprintf(stderr, "the component cannot open and scan %s\n", path.c_str());
        return kCannotRun;
    }
    // The warm copy goes into memory touched before, as the raw read's buffer is.
    std::vector<std::int16_t> result(static_cast<std::size_t>(std::min(kPieceSamples, shape.channelSamples)), 1);
    std::uint64_t overviewBytes = 1;
    // The counter's witness: a GetSamples of the channel reads its blocks.
    const std::uint64_t before = platform::FileBytesRead();
    const bool counted = GetChannel(*component.Get(), Shape(std::min<std::uint64_t>(size, 1 << 20)), 2);
    const std::uint64_t samplesBytes = platform::FileBytesRead() - before;
    ULONG wrongPairs = 0;
    const bool checked = OverviewOfTheEnd(*component.Get(), shape, 2, wrongPairs);
    const std::string csv = (folder / "tarn-bench-export.csv").string();
    std::vector<std::function<bool()>> runs = {
        [&] { return RawRead(path, shape); },
        [&] { return scanned.Open(path); },
        [&] { return GetChannel(*component.Get(), shape, 2); },
        [&] { return CopyChannel(*scanned.reader, shape, 2, result.data()); },
        [&] { return OverviewChannel(*component.Get(), 2, overviewBytes); },
        [&] { return ReadSequentially(path, shape); },
        [&] { return RawReadOnBothCores(path, shape); },
        [&] { return ReadAndFoldOnBothCores(path, shape); },
        [&] { return ReadEachBlock(path, scanned.reader->ChannelSlot(2)->Blocks()); },
    };
    // A CSV of a large recording would be many times its size.
    if (quick) {
        runs.push_back([&] { return ExportCsv(path, csv); });
        runs.push_back([&] { return PrintLines(csv, shape); });
    }
    const std::vector<double> best = BestOfRounds(runs);
    std::filesystem::remove(csv, ec);
    const double raw = best[0], scan = scanned.best, get = best[2], copy = best[3], overview = best[4],
                 sequential = best[5], bothCores = best[6], foldBoth = best[7], eachBlock = best[8];
    if (!counted || !checked || std::any_of(best.begin(), best.end(), [](double t) { return t <= 0; })) {
        std::fprintf(stderr, "a measured run failed\n");
        return kCannotRun;
    }
    const double mib = static_cast<double>(shape.fileBytes) / (1 << 20);
    const double blocks = static_cast<double>(shape.blocksPerChannel) * kChannels;
    const double channelBlocks = shape.blocksPerChannel;
    std::printf("raw read (1 MiB freads)   %8.1f MiB/s  %9.1f ms\n", mib / raw, raw * 1e3);
    std::printf("full scan                 %8.1f MiB/s  %9.1f ms  %6.3f us per block\n", mib / scan, scan * 1e3,
                scan * 1e6 / blocks);
    std::printf("GetSamples, channel 2 of 4          %9.1f ms  %6.3f us per block  (each result freed)\n", get * 1e3,
                get * 1e6 / channelBlocks);
    std::printf("  the reader's copy into warm memory %9.1f ms  %6.3f us per block\n", copy * 1e3,
                copy * 1e6 / channelBlocks);
    std::printf("GetCompressedSamples, channel 2, %lu values %7.3f ms  (from the cache; file bytes read: %llu, by a\n"
                "  GetSamples of the channel: %llu)\n",
                static_cast<unsigned long>(kOverviewValues), overview * 1e3,
                static_cast<unsigned long long>(overviewBytes), static_cast<unsigned long long>(samplesBytes));
    std::printf("sequential read (read, _getBlock) %8.1f MiB/s  %9.1f ms  %6.3f us per block\n", mib / sequential,
                sequential * 1e3, sequential * 1e6 / blocks);
    std::printf("floors: raw read on both cores %9.1f ms; read and fold on both cores %.1f ms;\n"
                "  one read per block of channel 2, on both cores %.1f ms\n",
                bothCores * 1e3, foldBoth * 1e3, eachBlock * 1e3);
    std::printf("peak memory                        %9.1f MiB\n", PeakMemoryMiB());

    const double memory = static_cast<double>(scanned.reader->IndexMemoryBytes()) / static_cast<double>(shape.fileBytes);
    const double scanTarget = quick ? 0.8 : 0.5;
    bool met = Report("scan throughput / raw read throughput", raw / scan, raw / scan >= scanTarget,
                      quick ? ">= 0.80" : ">= 0.50");
    met &= Report("index memory / file size", memory, memory <= 0.10, "<= 0.10");
    met &= Report("time(GetSamples, one channel of 4) / time(raw read)", get / raw, get / raw <= 0.8, "<= 0.80");
    met &= Report("file bytes read by the overview", static_cast<double>(overviewBytes),
                  overviewBytes == 0 && samplesBytes > 0, "= 0");
    met &= Report("overview of the last 1,000 samples: wrong pairs", wrongPairs, wrongPairs == 0, "= 0");
    met &= Report("sequential read throughput / raw read", raw / sequential, raw / sequential >= 0.7, ">= 0.70");
    std::printf("%-44s %8.3f   (no target)\n", "time(raw read on both cores) / time(raw read)", bothCores / raw);
    std::printf("%-44s %8.3f   (no target)\n", "read and fold on both cores: throughput / raw", raw / foldBoth);
    std::printf("%-44s %8.3f   (no target)\n", "time(one read per block, channel 2) / raw", eachBlock / raw);
    if (quick)
        std::printf("%-44s %8.3f   (no target)\n", "time(tarn export --raw) / time(plain loop)", best[9] / best[10]);
    return met ? kTargetsMet : kTargetMissed;
}

}  // namespace
}  // namespace tarn::bench

int main(int argc, char** argv) { return tarn::bench::ReadBenchmark(argc, argv); }

// Measures writing a recording through the component's writer interface (4 channels, 16-bit
// samples, one 1,024-sample block per channel at a time, as a recorder delivers them) against raw
// 1 MiB fwrites of the same number of bytes, in one run, and prints the throughput ratio with its
// target. Both write a fresh file in the same folder and close it; the page cache takes the data
// (64 MiB unless --size asks for more; both files are removed at the end). Exit status 1 when the
// target is missed.
//
//   tarn_bench_write [--size BYTES[K|M|G]] [folder]     (default: 64M, the system's temporary folder)
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "component/ClassObject.h"
#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"
#include "platform/platform.h"
#include "format/RecordingLayout.h"
#include "setup/BstrText.h"

namespace tarn::bench {
namespace {

constexpr LONG kChannels = 4;
constexpr LONG kBlockSamples = 1024;
constexpr std::uint64_t kDefaultBytes = 64ull << 20;
constexpr std::size_t kChunk = 1 << 20;
// A run of the default size takes a few tens of milliseconds: more rounds than the read
// benchmark's; runs of a gigabyte and more take seconds.
constexpr int kTimedRounds = 7;
constexpr int kTimedRoundsLarge = 2;
constexpr std::uint64_t kBlockBytes = layout::kBlockFramingLength + kBlockSamples * 2;

// The whole recording through IQVRecorderFileWriter, from OpenFile to CloseFile.
bool WriteThroughComponent(IQVRecorderFileWriter& writer, const std::string& path, LONG rounds,
                           std::vector<short>& samples) {
    std::filesystem::remove(path);
    const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
    BYTE* rec = static_cast<BYTE*>(CoTaskMemAlloc(16));  // taken over by the writer
    if (FAILED(writer.put_FileName(name.get())) || FAILED(writer.OpenFile()) ||
        FAILED(writer.SetNumberOfChannels(kChannels)) || FAILED(writer.SetRECInfoArray(16, rec)) ||
        FAILED(writer.WriteSetupSection()) || FAILED(writer.InitializeBinaryDataSection(0))) {
        writer.CloseFile();
        return false;
    }
    BYTE* data = reinterpret_cast<BYTE*>(samples.data());
    bool ok = true;
    for (LONG round = 0; ok && round < rounds; ++round) {
        for (LONG channel = 1; ok && channel <= kChannels; ++channel)
            ok = writer.CreateBinaryDataBlock(channel, kBlockSamples, data) == S_OK;
    }
    writer.CloseFile();
    return ok;
}

bool RawWrite(const std::string& path, std::uint64_t bytes) {
    std::filesystem::remove(path);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    static const std::vector<unsigned char> chunk(kChunk, 0x5A);
    bool ok = true;
    for (std::uint64_t left = bytes; ok && left > 0;) {
        const std::size_t n = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
        ok = std::fwrite(chunk.data(), 1, n, f) == n;
        left -= n;
    }
    return std::fclose(f) == 0 && ok;
}

int WriteBenchmark(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, "tarn_bench_write", kDefaultBytes, kChannels, kBlockSamples, arguments))
        return kCannotRun;
    const std::uint64_t size = arguments.size;
    const std::filesystem::path& folder = arguments.folder;
    const auto rounds = static_cast<LONG>(size / (kBlockBytes * kChannels));
    const std::string componentPath = (folder / "tarn-bench-write.dat").string();
    const std::string rawPath = (folder / "tarn-bench-write-raw.dat").string();

    client::ComPtr<IQVRecorderFileWriter> writer;
    if (FAILED(component::CreateQVRecorderFileReader(nullptr, IID_IQVRecorderFileWriter, writer.PutVoid()))) {
        std::fprintf(stderr, "the component cannot be created\n");
        return kCannotRun;
    }
    std::vector<short> samples(kBlockSamples);
    for (LONG i = 0; i < kBlockSamples; ++i) samples[static_cast<std::size_t>(i)] = static_cast<short>(i * 37);
    // A first run, untimed, gives the file's length: the raw writes write as many bytes.
    std::error_code ec;
    if (!WriteThroughComponent(*writer.Get(), componentPath, rounds, samples)) {
        std::fprintf(stderr, "cannot write %s through the component\n", componentPath.c_str());
        return kCannotRun;
    }
    const std::uint64_t fileBytes = std::filesystem::file_size(componentPath, ec);
    if (ec) return kCannotRun;
    std::printf("recording: %s, %llu bytes, %ld channels, 16-bit, %ld-sample blocks, %ld blocks per channel\n",
                componentPath.c_str(), static_cast<unsigned long long>(fileBytes), static_cast<long>(kChannels),
                static_cast<long>(kBlockSamples), static_cast<long>(rounds));

    const std::vector<double> best = BestOfRounds(
        {
            [&] { return RawWrite(rawPath, fileBytes); },
            [&] { return WriteThroughComponent(*writer.Get(), componentPath, rounds, samples); },
        },
        size >= (1ull << 30) ? kTimedRoundsLarge : kTimedRounds);
    std::filesystem::remove(rawPath, ec);
    std::filesystem::remove(componentPath, ec);
    const double raw = best[0], written = best[1];
    if (raw <= 0 || written <= 0) {
        std::fprintf(stderr, "a measured run failed\n");
        return kCannotRun;
    }
    const double mib = static_cast<double>(fileBytes) / (1 << 20);
    const double blocks = static_cast<double>(rounds) * kChannels;
    std::printf("raw write (1 MiB fwrites)            %8.1f MiB/s  %7.1f ms\n", mib / raw, raw * 1e3);
    std::printf("writer interface (1,024-sample blocks) %6.1f MiB/s  %7.1f ms  (%.2f us per block)\n", mib / written,
                written * 1e3, written * 1e6 / blocks);
    const bool met = Report("writer throughput / raw write throughput", raw / written, raw / written >= 0.5,
                                   ">= 0.50");
    return met ? kTargetsMet : kTargetMissed;
}

}  // namespace
}  // namespace tarn::bench

int main(int argc, char** argv) { return tarn::bench::WriteBenchmark(argc, argv); }

// tarn demo [FILE]: writes an example recording through the component's writer interface, as a
// recorder application does: four channels of synthetic signals sampled at 10 kHz for 3 s, each
// with its name, unit and correction factor (one of them 32-bit), a burst that clips the
// microphone and is flagged as overload, a DC block with supply voltage and temperature every
// 0.5 s, and the set-up file (.REC) a recorder leaves beside its recordings, written there and
// embedded as the recording's REC info.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "component/client/ComPtr.h"
#include "component/client/ComponentRecording.h"
#include "format/LittleEndian.h"
#include "format/RecordingBuilder.h"
#include "platform/platform.h"
#include "setup/BstrText.h"
#include "tools/Command.h"

namespace tarn::tool {

namespace {

constexpr LONG kSampleFrequency = 10000;
constexpr LONG kBlockSamples = 1000;  // 0.1 s per block
constexpr LONG kBlocks = 30;
constexpr LONG kBlocksPerDCBlock = 5;
// The recorder's own count when the recording started: DC blocks carry it, and the writer moves
// them onto the recording's count, which starts at 0.
constexpr std::uint32_t kRecorderSampleNo = 7000000;
constexpr double kPi = 3.14159265358979323846;

struct DemoChannel {
    const char16_t* name;
    const char16_t* unit;
    // The set-up file's name for the channel and its aliases (';'-separated).
    const char16_t* recName;
    const char16_t* aliases;
    const char16_t* factorText;
    double factor;  // units per count
    bool is32Bit;
    double (*signal)(double t);  // in units, t in seconds
};

const DemoChannel kChannels[] = {
    // A 440 Hz tone; between 1.0 and 1.1 s a burst beyond the 16-bit range clips.
    {u"Microphone", u"Pa", u"Front microphone", u"Mic;Microphone", u"0.001", 0.001, false,
     [](double t) { return (t >= 1.0 && t < 1.1 ? 45.0 : 8.0) * std::sin(2 * kPi * 440 * t); }},
    {u"Accelerometer", u"m/s\u00B2", u"Accelerometer X", u"Acc", u"0.0005", 0.0005, false,
     [](double t) { return 3.0 * std::sin(2 * kPi * 50 * t) + 0.5 * std::sin(2 * kPi * 1200 * t); }},
    // A slow load cycle of several thousand micrometres per metre: beyond 16 bits at this resolution.
    {u"Strain", u"\u00B5m/m", u"Strain gauge 1", u"", u"0.0001", 0.0001, true,
     [](double t) { return 2500.0 * std::sin(2 * kPi * 0.2 * t) + 100.0 * t; }},
    {u"Temperature", u"\u00B0C", u"Air temperature", u"Temp", u"0.01", 0.01, false, [](double t) { return 21.5 + 0.3 * t; }},
};
constexpr LONG kChannelCount = sizeof kChannels / sizeof kChannels[0];

bool Succeeded(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    std::fprintf(stderr, "tarn: %s failed (%s)\n", what, StatusText(hr).c_str());
    return false;
}

// The set-up file, in the .REC format the project's server reads (README). The recording
// started at a fixed local time.
std::string RECFileText() {
    std::string text = "; tarn demo set-up\r\n[Recording]\r\nRecorder=tarn demo\r\nStart=2024-05-17 14:30:00.125\r\n"
                       "Channels=" + std::to_string(kChannelCount) + "\r\nSampleFrequency=" + std::to_string(kSampleFrequency) + "\r\n";
    for (LONG k = 0; k < kChannelCount; ++k) {
        text += "[Channel " + std::to_string(k + 1) + "]\r\nName=" + platform::WideToAnsi(kChannels[k].recName) +
                "\r\nUnit=" + platform::WideToAnsi(kChannels[k].unit) + "\r\nAliases=" +
                platform::WideToAnsi(kChannels[k].aliases) + "\r\n";
    }
    return text;
}

// The set-up file beside the recording: its name with the extension .REC.
bool WriteRECFile(const std::string& path, const std::string& text, std::string& recPath) {
    recPath = std::filesystem::path(path).replace_extension(".REC").string();
    std::ofstream file(recPath, std::ios::binary);
    return static_cast<bool>(file.write(text.data(), static_cast<std::streamsize>(text.size())));
}

bool WriteSetup(IQVRecorderFileWriter& writer, const std::string& path, const std::string& recInfo) {
    const auto bstr = [](std::u16string_view text) { return UniqueBstr(AllocBstr(text)); };
    const auto set = [&](const char16_t* key, LONG channel, std::u16string_view value) {
        return Succeeded(writer.SetParameter(bstr(key).get(), channel, bstr(value).get()), "SetParameter");
    };
    if (FAILED(writer.put_FileName(bstr(platform::FileNameToWide(path)).get())) || FAILED(writer.OpenFile())) {
        std::fprintf(stderr, "tarn: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = Succeeded(writer.SetNumberOfChannels(kChannelCount), "SetNumberOfChannels") &&
              set(u"SampleFrequency", 0, platform::AnsiToWide(std::to_string(kSampleFrequency)));
    for (LONG k = 0; ok && k < kChannelCount; ++k) {
        ok = set(u"SignalName", k + 1, kChannels[k].name) && set(u"Unit", k + 1, kChannels[k].unit) &&
             set(u"CorrectionFactor", k + 1, kChannels[k].factorText);
    }
    if (!ok) return false;
    // The writer takes the block over and frees it.
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(recInfo.size()));
    if (block != nullptr) std::memcpy(block, recInfo.data(), recInfo.size());
    return Succeeded(writer.SetRECInfoArray(static_cast<LONG>(recInfo.size()), block), "SetRECInfoArray") &&
           Succeeded(writer.WriteSetupSection(), "WriteSetupSection") &&
           Succeeded(writer.InitializeBinaryDataSection(0), "InitializeBinaryDataSection");
}

// Supply voltage in millivolts and the recorder's temperature in tenths of a degree, as DC
// channels 0 and 1.
bool WriteDCBlock(IQVRecorderFileWriter& writer, LONG sample) {
    std::vector<unsigned char> block =
        RecordingBuilder()
            .DC({{0, 0, static_cast<std::uint32_t>(12000 - sample / 1000)},
                 {1, 0, static_cast<std::uint32_t>(315 + sample / 5000)}},
                Block().SampleNo(kRecorderSampleNo + static_cast<std::uint32_t>(sample)))
            .bytes();
    return Succeeded(writer.CreateDCChannelBlock(0, static_cast<LONG>(block.size()), block.data()),
                     "CreateDCChannelBlock");
}

// One block of channel k from sample first on, in bytes; the overload status tells whether a
// sample had to be clipped to the channel's range.
bool WriteSampleBlock(IQVRecorderFileWriter& writer, LONG k, LONG first, std::vector<unsigned char>& bytes) {
    const DemoChannel& channel = kChannels[k];
    const double limit = channel.is32Bit ? 2147483647.0 : 32767.0;
    BYTE overload = 0;
    for (LONG i = 0; i < kBlockSamples; ++i) {
        const double t = static_cast<double>(first + i) / kSampleFrequency;
        const double counts = std::round(channel.signal(t) / channel.factor);
        if (std::fabs(counts) > limit) overload = 1;
        const auto value = static_cast<std::int32_t>(std::clamp(counts, -limit, limit));
        if (channel.is32Bit)
            le::WriteU32(&bytes[static_cast<std::size_t>(i) * 4], static_cast<std::uint32_t>(value));
        else
            le::WriteU16(&bytes[static_cast<std::size_t>(i) * 2], static_cast<std::uint16_t>(value));
    }
    const HRESULT hr = channel.is32Bit
                           ? writer.Create32bitBinaryDataBlockWithOverloadStatus(k + 1, kBlockSamples, bytes.data(), overload)
                           : writer.CreateBinaryDataBlockWithOverloadStatus(k + 1, kBlockSamples, bytes.data(), overload);
    return Succeeded(hr, "a sample block");
}

bool WriteData(IQVRecorderFileWriter& writer) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kBlockSamples) * 4);
    for (LONG b = 0; b < kBlocks; ++b) {
        const LONG first = b * kBlockSamples;
        if (b % kBlocksPerDCBlock == 0 && !WriteDCBlock(writer, first)) return false;
        for (LONG k = 0; k < kChannelCount; ++k) {
            if (!WriteSampleBlock(writer, k, first, bytes)) return false;
        }
    }
    return true;
}

std::string DefaultPath() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    return ec ? std::string() : (folder / "tarn-demo.dat").string();
}

struct DemoOptions {
    std::string path;
};

int DemoCommand(const DemoOptions& options) {
    const std::string path = options.path.empty() ? DefaultPath() : options.path;
    if (path.empty()) {
        std::fputs("tarn: no temporary folder to write the demo recording to\n", stderr);
        return kExitFailure;
    }
    ComponentSession session;
    if (!session.Ok()) return kExitFailure;
    client::ComPtr<IQVRecorderFileWriter> writer;
    if (!Succeeded(CoCreateInstance(CLSID_QVRecorderFileReader, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileWriter,
                                    writer.PutVoid()),
                   "creating the component")) {
        return kExitFailure;
    }
    const std::string recInfo = RECFileText();
    const bool written = WriteSetup(*writer.Get(), path, recInfo) && WriteData(*writer.Get());
    writer->CloseFile();
    std::string recPath;
    if (!written) return kExitFailure;
    if (!WriteRECFile(path, recInfo, recPath)) {
        std::fprintf(stderr, "tarn: cannot write %s\n", recPath.c_str());
        return kExitFailure;
    }
    std::printf("demo recording written to %s\n", path.c_str());
    std::printf("  %ld channels at %ld Hz, %ld samples each, %ld DC blocks, %zu bytes of REC info\n",
                static_cast<long>(kChannelCount), static_cast<long>(kSampleFrequency),
                static_cast<long>(kBlocks * kBlockSamples), static_cast<long>(kBlocks / kBlocksPerDCBlock),
                recInfo.size());
    std::printf("  set-up file %s beside it (tarn info --rec reads it through the registered .REC server)\n",
                recPath.c_str());
    return kExitOk;
}

}  // namespace

void AddDemoCommand(CLI::App& tool) {
    const auto [command, options] = AddCommand(
        tool, "demo", "Write a demo recording through the component's writer",
        "Four channels at 10 kHz for 3 s (microphone, accelerometer, 32-bit strain, temperature) with\n"
        "names, units and correction factors, a clipped burst flagged as overload, a DC block every\n"
        "0.5 s, and its set-up file NAME.REC beside it, also embedded as its REC info.",
        DemoCommand);
    command->add_option("FILE", options->path, "Where to write it (default: tarn-demo.dat in the temporary folder)");
}

}  // namespace tarn::tool

#include "tools/ExampleRecording.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/platform.h"
#include "format/RecordingBuilder.h"

namespace tarn::tool {

namespace {

constexpr std::uint32_t kChannels = 3;
constexpr std::uint32_t kRounds = 4;
constexpr std::uint32_t kSamplesPerBlock = 100;
constexpr std::uint32_t kFirstSampleNo = 1000;

constexpr std::string_view kSetupText =
    "\n[SETUP START]\nNoChannels=3\nSampleFrequency=1000\nDataBitSize=32"
    "\n[Channel 1]\nSignalName=Pressure\nUnit=Pa\nCorrectionFactor=0.0001"
    "\n[Channel 2]\nSignalName=Flow\nUnit=l/s\nCorrectionFactor=0.001"
    "\n[Channel 3]\nSignalName=Force\nUnit=N\nCorrectionFactor=0.5"
    "\n[SETUP STOP]\n";

// A triangle wave per channel, each with its own period and amplitude.
std::int32_t Sample(std::uint32_t channel, std::uint32_t n) {
    const std::int32_t period = 40 + 20 * static_cast<std::int32_t>(channel);
    const std::int32_t phase = static_cast<std::int32_t>(n % static_cast<std::uint32_t>(period));
    const std::int32_t wave = phase < period / 2 ? phase : period - phase;
    return (wave - period / 4) * (channel == 2 ? 100000 : 100);
}

}  // namespace

std::vector<unsigned char> ExampleRecording() {
    RecordingBuilder out;
    out.Setup(kSetupText).Header(kChannels);
    // DC block with two entries: the recorder's supply voltage and temperature.
    out.DC({{0, 0, 12000}, {1, 0, 2150}}, Block().SampleNo(kFirstSampleNo));
    for (std::uint32_t round = 0; round < kRounds; ++round) {
        const std::uint32_t sampleNo = kFirstSampleNo + round * kSamplesPerBlock;
        for (std::uint32_t channel = 0; channel < kChannels; ++channel) {
            const auto wave = [channel, sampleNo](std::uint32_t i) { return Sample(channel, sampleNo + i); };
            const Block block = Block().SampleNo(sampleNo).Id(static_cast<std::uint16_t>(channel));
            if (channel == 2)
                out.Samples32(kSamplesPerBlock, wave, block);
            else
                out.Samples16(kSamplesPerBlock, wave, block);
        }
        if (round == 0) out.Trigger(Block().SampleNo(kFirstSampleNo + kSamplesPerBlock / 2));
    }
    return out.bytes();
}

std::string WriteExampleRecording() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    const std::string path = (folder / "tarn-example.dat").string();
    const std::vector<unsigned char> bytes = ExampleRecording();
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Create)) return {};
    if (file.Write(bytes.data(), bytes.size()) != bytes.size() || !file.Flush()) return {};
    return path;
}

}  // namespace tarn::tool

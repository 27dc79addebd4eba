#include "tools/ExampleRecording.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"

namespace tarn::tool {

namespace {

constexpr std::uint32_t kChannels = 3;
constexpr std::uint32_t kRounds = 4;
constexpr std::uint32_t kSamplesPerBlock = 100;
constexpr std::uint32_t kFirstSampleNo = 1000;

const char kSetupText[] =
    "\n[SETUP START]\nNoChannels=3\nSampleFrequency=1000\nDataBitSize=32"
    "\n[Channel 1]\nSignalName=Pressure\nUnit=Pa\nCorrectionFactor=0.0001"
    "\n[Channel 2]\nSignalName=Flow\nUnit=l/s\nCorrectionFactor=0.001"
    "\n[Channel 3]\nSignalName=Force\nUnit=N\nCorrectionFactor=0.5"
    "\n[SETUP STOP]\n";

using Bytes = std::vector<unsigned char>;

// Room for n more bytes at the end of out.
unsigned char* Extend(Bytes& out, std::size_t n) {
    out.resize(out.size() + n);
    return out.data() + out.size() - n;
}

void PutBlockStart(Bytes& out, const layout::BlockHeader& header, std::uint16_t id) {
    header.Encode(Extend(out, layout::kBlockHeaderLength));
    layout::ChannelEntry{id, 0}.Encode(Extend(out, layout::kChannelEntryLength));
}

// A triangle wave per channel, each with its own period and amplitude.
std::int32_t Sample(std::uint32_t channel, std::uint32_t n) {
    const std::int32_t period = 40 + 20 * static_cast<std::int32_t>(channel);
    const std::int32_t phase = static_cast<std::int32_t>(n % static_cast<std::uint32_t>(period));
    const std::int32_t wave = phase < period / 2 ? phase : period - phase;
    return (wave - period / 4) * (channel == 2 ? 100000 : 100);
}

}  // namespace

Bytes ExampleRecording() {
    Bytes out;
    std::memcpy(Extend(out, layout::kSetupMagicLength), layout::kSetupMagic, layout::kSetupMagicLength);
    le::WriteU32(Extend(out, 4), static_cast<std::uint32_t>(layout::kSetupChunkHeaderLength + sizeof kSetupText - 1));
    std::memcpy(Extend(out, sizeof kSetupText - 1), kSetupText, sizeof kSetupText - 1);

    layout::FileHeader fileHeader;
    fileHeader.NumberOfChannels = kChannels;
    fileHeader.Encode(Extend(out, layout::kFileHeaderLength));

    // DC block with two entries: the recorder's supply voltage and temperature.
    PutBlockStart(out, layout::DCBlockHeader(kFirstSampleNo, 2), 0);
    layout::ChannelEntry{1, 0}.Encode(Extend(out, layout::kChannelEntryLength));
    le::WriteU32(Extend(out, 4), 12000);
    le::WriteU32(Extend(out, 4), 2150);

    for (std::uint32_t round = 0; round < kRounds; ++round) {
        const std::uint32_t sampleNo = kFirstSampleNo + round * kSamplesPerBlock;
        for (std::uint32_t channel = 0; channel < kChannels; ++channel) {
            const bool is32Bit = channel == 2;
            PutBlockStart(out, layout::SampleBlockHeader(sampleNo, kSamplesPerBlock, is32Bit),
                          static_cast<std::uint16_t>(channel));
            for (std::uint32_t i = 0; i < kSamplesPerBlock; ++i) {
                const auto v = static_cast<std::uint32_t>(Sample(channel, sampleNo + i));
                if (is32Bit) {
                    le::WriteU32(Extend(out, 4), v);
                } else {
                    le::WriteU16(Extend(out, 2), static_cast<std::uint16_t>(v));
                }
            }
        }
        if (round == 0) {
            layout::BlockHeader trigger;
            trigger.Size = layout::kBlockFramingLength / layout::kBlockUnit;
            trigger.Content = static_cast<std::uint8_t>(layout::BlockKind::Trigger);
            trigger.SampleNo = kFirstSampleNo + kSamplesPerBlock / 2;
            PutBlockStart(out, trigger, 0);
        }
    }
    return out;
}

std::string WriteExampleRecording() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    const std::string path = (folder / "tarn-example.dat").string();
    const Bytes bytes = ExampleRecording();
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Create)) return {};
    if (file.Write(bytes.data(), bytes.size()) != bytes.size() || !file.Flush()) return {};
    return path;
}

}  // namespace tarn::tool

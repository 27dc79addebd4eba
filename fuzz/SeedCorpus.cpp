// Writes the seed corpora of the fuzz targets: tarn_fuzz_seeds FOLDER makes FOLDER/recording,
// FOLDER/setup_text, FOLDER/trace_config and FOLDER/rec_file. The recordings come from the
// fixture builder and the writer, so the seeds follow the format as the project reads and writes
// it; each recording is paired with a few argument tails (the last 16 bytes of an input).
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "format/RecordingBuilder.h"
#include "writer/CQVDataRecorderWriter.h"

namespace tarn::fuzz {
namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

constexpr char kSetup[] =
    "\n[SETUP START]\nNoChannels=3\nSampleFrequency=44100.5\nRecorder=seed"
    "\n[Channel 1]\nSignalName=Pressure\nUnit=Pa\nCorrectionFactor=0.5"
    "\n[Channel 2]\nSignalName=Force\nUnit=\nCorrectionFactor=0,25"
    "\n[Channel 3]\nSignalName=Strain\nCorrectionFactor=1e-3"
    "\n[SETUP STOP]\n";

// Argument tails: channel, range, overview and selection bytes in FuzzedDataProvider's order
// (taken from the end); all zero, a plain request on channel 1, extremes, and channel 1 with an
// overview count above what the scan's cache holds.
const std::array<Bytes, 4> kArgumentTails = {
    Bytes(16, 0x00),
    Bytes{0, 0, 0, 0, 3, 1, 0, 0, 4, 40, 0, 0, 0, 64, 3, 2},
    Bytes{0xFF, 0x81, 0x7F, 0x03, 0xFF, 0xFF, 0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x01, 0x05},
    Bytes{0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x02},
};

void Write(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string_view View(const Bytes& bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::int32_t Wave(std::uint32_t i) { return static_cast<std::int32_t>((i * 7919u) % 4001u) - 2000; }

// Every block kind on three channels: 16-bit and 32-bit samples with overload status, DC blocks,
// a trigger, a kind-3 block, a gap in channel 1 and a block of a key beyond the channels.
RecordingBuilder AllKinds(bool withSetup) {
    RecordingBuilder file;
    if (withSetup) file.Setup(kSetup);
    file.Header(3).DC({{0, 0, 12000}, {1, 1, 2150}}, Block().SampleNo(1000));
    for (std::uint32_t b = 0; b < 4; ++b) {
        const std::uint32_t at = 1000 + b * 8;
        file.Samples16(8, Wave, Block().SampleNo(b == 3 ? at + 8 : at).Status(b == 1 ? 0x01 : 0));
        file.Samples32(8, Wave, Block().SampleNo(at).Id(1));
        file.Samples16(8, Wave, Block().SampleNo(at).Id(2).Status(0x04));
        if (b == 1) file.Trigger(Block().SampleNo(at + 3)).Other(Block(), 8);
    }
    return file.Samples16({5, 6}, Block().SampleNo(1000).Id(7)).DC({{0, 0, 11900}}, Block().SampleNo(1030));
}

// Two channels, their blocks out of order in the file, without a setup chunk.
RecordingBuilder OutOfOrder() {
    RecordingBuilder file;
    file.Header(2);
    for (std::uint32_t b : {2u, 0u, 3u, 1u}) {
        file.Samples16(16, Wave, Block().SampleNo(b * 16)).Samples16(16, Wave, Block().SampleNo(b * 16).Id(1));
    }
    return file;
}

// One channel whose second block lies 2^29 samples after its first: an overview of the whole
// channel asks for every sample between them.
RecordingBuilder FarApart() {
    RecordingBuilder file;
    return file.Header(1).Samples16({1, 2}, Block()).Samples16({3, 4}, Block().SampleNo(1u << 29));
}

// A recording as the writer writes it: parameters, embedded REC info, sample and DC blocks.
Bytes Written(const fs::path& scratch) {
    const std::string path = scratch.string();
    {
        platform::File file;
        if (!file.Open(path, platform::File::Mode::Create)) return {};
        CQVDataRecorderWriter writer(file);
        writer.SetNumberOfChannels(2);
        writer.SetParameter(u"SampleFrequency", 0, u"1000");
        writer.SetParameter(u"SignalName", 1, u"Microphone");
        writer.SetParameter(u"Unit", 2, u"\u00b5m/m");
        const std::string rec = "[Recording]\nStart=2024-05-17 14:30:00.125\nChannels=2\n";
        writer.SetRECInfoArray(static_cast<std::int32_t>(rec.size()), reinterpret_cast<const unsigned char*>(rec.data()));
        writer.WriteSetupSection();
        writer.InitializeBinaryDataSection(100);
        std::array<std::int16_t, 8> samples16{1, -2, 3, -4, 5, -6, 7, -8};
        std::array<std::int32_t, 4> samples32{70000, -70000, 1, -1};
        const Bytes dc = RecordingBuilder().DC({{0, 0, 5}, {1, 0, 6}}, Block().SampleNo(0)).bytes();
        for (int b = 0; b < 3; ++b) {
            writer.CreateBinaryDataBlockWithOverloadStatus(1, 8, reinterpret_cast<unsigned char*>(samples16.data()),
                                                           static_cast<std::uint8_t>(b));
            writer.Create32bitBinaryDataBlock(2, 4, reinterpret_cast<unsigned char*>(samples32.data()));
            writer.CreateDCChannelBlock(static_cast<std::int32_t>(dc.size()), dc.data());
        }
        writer.CloseStream();
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRecordings(const fs::path& folder, const std::vector<Bytes>& recordings) {
    int serial = 0;
    for (const Bytes& recording : recordings) {
        for (const Bytes& tail : kArgumentTails) {
            Bytes input = recording;
            input.insert(input.end(), tail.begin(), tail.end());
            Write(folder / ("seed-" + std::to_string(++serial)), View(input));
        }
    }
}

// The setup text of a written recording: the chunk body after "QVSU" and its size.
std::string SetupTextOf(const Bytes& recording) {
    if (recording.size() < 8) return {};
    const std::uint32_t size = recording[4] | recording[5] << 8 | recording[6] << 16 | std::uint32_t{recording[7]} << 24;
    return std::string(View(recording).substr(8, size > 8 ? size - 8 : 0));
}

void WriteTexts(const fs::path& folder, const std::vector<std::string>& texts) {
    int serial = 0;
    for (const std::string& text : texts) Write(folder / ("seed-" + std::to_string(++serial)), text);
}

}  // namespace
}  // namespace tarn::fuzz

int main(int argc, char** argv) {
    using namespace tarn::fuzz;
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarn_fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* target : {"recording", "setup_text", "trace_config", "rec_file"}) fs::create_directories(root / target);

    const Bytes written = Written(root / "written.dat");
    fs::remove(root / "written.dat");
    if (written.empty()) {
        std::fprintf(stderr, "tarn_fuzz_seeds: the writer's recording could not be made\n");
        return 1;
    }
    WriteRecordings(root / "recording",
                    {AllKinds(true).bytes(), AllKinds(false).bytes(), OutOfOrder().bytes(), FarApart().bytes(), written});
    WriteTexts(root / "setup_text", {kSetup, SetupTextOf(written), "\n[SETUP START]\n[Channel 99999999999]\n"});
    WriteTexts(root / "trace_config",
               {"[QvDebug]\nLevel=1\nKeywords=TARN;DCChannels\n",
                "\xEF\xBB\xBF[qvdebug]\r\n Level = 0x4 \r\nKeywordInTrace=0\nFileFunctionLineInTrace=0\n"
                "RefreshInterval=150\nKeywords=\"mfc; tarn\"\n",
                "[Other]\nLevel=3\n[QvDebug]\nLevel=-2\nKeywords=;;\n"});
    WriteTexts(root / "rec_file",
               {"; tarn demo set-up\n[Recording]\nRecorder=tarn demo\nStart=2024-05-17 14:30:00.125\nChannels=4\n"
                "[Channel 1]\nName=Front microphone\nUnit=Pa\nAliases=Mic;Microphone\n"
                "[Channel 2]\nName=Accelerometer X\nUnit=m/s\xB2\nAliases=Acc\n[Channel 3]\nName=Strain gauge 1\n"
                "Unit=\xB5m/m\nAliases=\n[Channel 4]\nName=Air temperature\nUnit=\xB0" "C\nAliases=Temp\n",
                "[recording]\r\nchannels = 2\r\nstart = 1970-01-01 00:00:00\r\n[CHANNEL 2]\r\nname=]x\r\naliases=;a;;b;\r\n"});
    return 0;
}

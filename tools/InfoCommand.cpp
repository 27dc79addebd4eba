// tarn info [--rec] FILE: what a client of the component learns about a recording once it is
// scanned; with --rec, names, units, aliases, date and time come from the companion .REC file.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "setup/BstrText.h"
#include "tools/Command.h"
#include "tools/DCChannels.h"

namespace tarn::tool {

namespace {

std::string Unit(IQVRecorderFileReader& reader, LONG channel) {
    std::string unit;
    if (!UnitOf(reader, channel, unit)) return "-";
    return unit.empty() ? "(none)" : unit;
}

std::string QuotedName(IQVRecorderFileReader& reader, LONG channel) {
    const std::string name = SignalName(reader, channel);
    return name.empty() ? "-" : "\"" + name + "\"";
}

void PrintRecorder(IQVRecorderFileReader& reader) {
    LONG channels = 0, size = 0;
    reader.get_NumberOfChannels(&channels);
    reader.get_FileSize(&size);
    std::printf("file length: %lu bytes\n", static_cast<unsigned long>(static_cast<ULONG>(size)));
    std::printf("channels: %ld\n", static_cast<long>(channels));
    double frequency = 0;
    if (SUCCEEDED(reader.get_SampleFrequency(&frequency)))
        std::printf("sample frequency: %g Hz\n", frequency);
    else
        std::printf("sample frequency: unknown\n");
    const std::string date = Parameter(reader, u"Date", 0);
    const std::string time = Parameter(reader, u"Time", 0);
    if (!date.empty()) std::printf("date: %s\n", date.c_str());
    if (!time.empty()) std::printf("time: %s\n", time.c_str());
    const std::string bits = Parameter(reader, u"DataBitSize", 0);
    if (!bits.empty()) std::printf("data bit size: %s\n", bits.c_str());
    LONG trigger = -1;
    reader.GetFirstTriggerSample(&trigger);
    if (trigger >= 0)
        std::printf("first trigger: sample %ld\n", static_cast<long>(trigger));
    else
        std::printf("first trigger: none found yet\n");
}

void PrintChannel(IQVRecorderFileReader& reader, LONG channel) {
    std::printf("channel %ld: %s, unit %s", static_cast<long>(channel), QuotedName(reader, channel).c_str(),
                Unit(reader, channel).c_str());
    std::string aliases = Parameter(reader, u"SignalAliases", channel);
    std::replace(aliases.begin(), aliases.end(), '\t', '|');
    if (!aliases.empty()) std::printf(", aliases %s", aliases.c_str());
    double factor = 0;
    if (SUCCEEDED(reader.GetCorrectionFactor(channel, &factor))) std::printf(", correction factor %g", factor);
    LONG is32Bit = 0;
    reader.Is32BitData(channel - 1, &is32Bit);
    std::printf(", %s", is32Bit ? "32-bit" : "16-bit");
    const std::string overrun = Parameter(reader, u"OverrunLatched", channel);
    std::printf(", %s\n", overrun == "Yes" ? "overrun (samples lost)" : "no overrun");
}

// The DC channels and their block counts.
void PrintDCChannels(IQVRecorderFileReader2& reader) {
    const std::vector<long> blocks = DCBlockCounts(reader);
    if (blocks.empty()) std::printf("DC channels: none\n");
    for (std::size_t i = 0; i < blocks.size(); ++i) std::printf("DC channel %zu: %ld blocks\n", i, blocks[i]);
}

}  // namespace

int InfoCommand(const Arguments& args) {
    const bool loadRECFile = args.size() == 2 && args[0] == "--rec";
    if (args.size() != 1 && !loadRECFile) return kExitUsage;
    const std::string& path = args.back();
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, path, loadRECFile)) return kExitFailure;
    IQVRecorderFileReader& reader = *recording.reader.Get();
    std::printf("file: %s\n", path.c_str());
    PrintRecorder(reader);
    LONG channels = 0;
    reader.get_NumberOfChannels(&channels);
    for (LONG channel = 1; channel <= channels; ++channel) PrintChannel(reader, channel);
    PrintDCChannels(*recording.reader2.Get());
    LONG first = 0, last = 0;
    recording.reader2->GetFirstSampleNumber(&first);
    recording.reader2->GetLastSampleNumber(&last);
    if (first < last)
        std::printf("samples every channel has: %ld..%ld\n", static_cast<long>(first), static_cast<long>(last) - 1);
    return kExitOk;
}

}  // namespace tarn::tool

// tarn info FILE: what a client of the component learns about a recording once it is scanned.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "component/CQVRecorderFileReader.h"
#include "reader/CQVDataRecorderReader.h"
#include "setup/BstrText.h"
#include "tools/Command.h"
#include "tools/ComponentRecording.h"

namespace tarn::tool {

namespace {

// A parameter's text, or "" when the recording does not have it.
std::string Parameter(CQVRecorderFileReader& component, const char16_t* key, LONG section) {
    const UniqueBstr name(AllocBstr(key));
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(component.getParameter(name.get(), section, &value)) && V_VT(&value) == VT_BSTR) {
        text = Printable(V_BSTR(&value));
    }
    VariantClear(&value);
    return text;
}

std::string Unit(CQVRecorderFileReader& component, LONG channel) {
    BSTR unit = nullptr;
    if (FAILED(component.GetUnit(channel, &unit))) return "-";
    const UniqueBstr owned(unit);
    return unit == nullptr || SysStringLen(unit) == 0 ? "(none)" : Printable(unit);
}

std::string SignalName(CQVRecorderFileReader& component, LONG channel) {
    std::string name = Parameter(component, u"SignalName", channel);
    if (name.empty()) name = Parameter(component, u"OrgSignalName", channel);
    return name.empty() ? "-" : "\"" + name + "\"";
}

void PrintRecorder(CQVRecorderFileReader& component, const CQVDataRecorderReader& reader) {
    LONG channels = 0;
    component.get_NumberOfChannels(&channels);
    std::printf("file length: %" PRId64 " bytes\n", reader.FileLength());
    std::printf("channels: %ld\n", static_cast<long>(channels));
    double frequency = 0;
    if (SUCCEEDED(component.get_SampleFrequency(&frequency)))
        std::printf("sample frequency: %g Hz\n", frequency);
    else
        std::printf("sample frequency: unknown\n");
    const std::string date = Parameter(component, u"Date", 0);
    const std::string time = Parameter(component, u"Time", 0);
    if (!date.empty()) std::printf("date: %s\n", date.c_str());
    if (!time.empty()) std::printf("time: %s\n", time.c_str());
    // The scan notes the first trigger block; sequential reading places it later.
    LONG trigger = -1;
    component.GetFirstTriggerSample(&trigger);
    if (trigger >= 0)
        std::printf("first trigger: sample %ld\n", static_cast<long>(trigger));
    else if (reader.TriggerSampleNo() != 0 && !reader.BasePending())
        std::printf("first trigger: sample %" PRId64 "\n",
                    std::int64_t{reader.TriggerSampleNo()} - std::int64_t{reader.BaseSampleNumber()});
    else
        std::printf("first trigger: none\n");
}

void PrintChannel(CQVRecorderFileReader& component, const CQVDataRecorderReader& reader, LONG channel) {
    std::printf("channel %ld: %s, unit %s", static_cast<long>(channel), SignalName(component, channel).c_str(),
                Unit(component, channel).c_str());
    double factor = 0;
    if (SUCCEEDED(component.GetCorrectionFactor(channel, &factor)))
        std::printf(", correction factor %g", factor);
    LONG is32Bit = 0;
    component.Is32BitData(channel - 1, &is32Bit);
    std::printf(", %s", is32Bit ? "32-bit" : "16-bit");
    CQVDataRecorderReader::ChannelSummary summary{};
    if (!reader.Summary(channel, summary) || summary.blocks == 0) {
        std::printf(", no samples\n");
        return;
    }
    std::printf(", samples %" PRIu32 "..%" PRIu32 " in %" PRIu32 " blocks, %s\n", summary.first, summary.end - 1,
                summary.blocks, summary.overrun ? "overrun (samples lost)" : "no overrun");
}

void PrintDCChannels(const CQVDataRecorderReader& reader) {
    const std::size_t count = reader.DCChannelCount();
    if (count == 0) std::printf("DC channels: none\n");
    for (std::size_t i = 0; i < count; ++i)
        std::printf("DC channel %zu: %zu blocks\n", i, reader.DCBlockCount(i));
}

}  // namespace

int InfoCommand(const Arguments& args) {
    if (args.size() != 1) return kExitUsage;
    CQVRecorderFileReader component;
    if (!OpenAndScan(component, args[0])) return kExitFailure;
    const CQVDataRecorderReader& reader = *component.Reader();
    std::printf("file: %s\n", args[0].c_str());
    PrintRecorder(component, reader);
    for (LONG channel = 1; channel <= reader.NumberOfChannels(); ++channel) PrintChannel(component, reader, channel);
    PrintDCChannels(reader);
    LONG first = 0, last = 0;
    component.GetFirstSampleNumber(&first);
    component.GetLastSampleNumber(&last);
    if (first < last)
        std::printf("samples every channel has: %ld..%ld\n", static_cast<long>(first), static_cast<long>(last) - 1);
    return kExitOk;
}

}  // namespace tarn::tool

// tarn info [--rec] [--json] FILE: what a client of the component learns about a recording once it
// is scanned, as text or as one JSON document; with --rec, names, units, aliases, date and time
// come from the companion .REC file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "component/client/ComponentRecording.h"
#include "platform/platform.h"
#include "tools/Command.h"

namespace tarn::tool {

namespace {

struct InfoOptions {
    std::string path;
    bool loadRECFile = false;
    bool json = false;
};

struct ChannelFacts {
    LONG number = 0;
    std::string name;               // "" when it has none
    std::optional<std::string> unit;  // none when the recording cannot say
    std::vector<std::string> aliases;
    std::optional<double> factor;
    bool is32Bit = false;
    bool overrun = false;
    LONG end = 0;  // its samples are 0 .. end - 1, counted from its own first
};

struct RecordingFacts {
    std::string path;
    std::int64_t length = -1;
    std::optional<double> frequency;
    std::string date, time, dataBitSize;  // "" when unknown
    LONG firstTrigger = -1;
    std::vector<ChannelFacts> channels;
    std::vector<long> dcBlocks;  // per DC channel
    LONG first = 0, last = 0;    // the samples every channel has: first .. last - 1
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(separator, at), text.size());
        if (end > at) parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// The real length: FileSize holds 32 bits only.
std::int64_t FileLength(const std::string& path) {
    platform::File file;
    return file.Open(path, platform::File::Mode::Read) ? file.Length() : -1;
}

ChannelFacts GatherChannel(Recording& recording, LONG channel, LONG commonEnd) {
    IQVRecorderFileReader& reader = *recording.reader.Get();
    ChannelFacts facts;
    facts.number = channel;
    facts.name = SignalName(reader, channel);
    std::string unit;
    if (UnitOf(reader, channel, unit)) facts.unit = unit;
    facts.aliases = Split(Parameter(reader, u"SignalAliases", channel), '\t');
    double factor = 0;
    if (SUCCEEDED(reader.GetCorrectionFactor(channel, &factor))) facts.factor = factor;
    LONG is32Bit = 0;
    reader.Is32BitData(channel - 1, &is32Bit);
    facts.is32Bit = is32Bit != 0;
    facts.overrun = Parameter(reader, u"OverrunLatched", channel) == "Yes";
    ChannelEnd(*recording.reader2.Get(), channel, commonEnd, facts.end);
    return facts;
}

RecordingFacts Gather(Recording& recording, const std::string& path) {
    IQVRecorderFileReader& reader = *recording.reader.Get();
    IQVRecorderFileReader2& reader2 = *recording.reader2.Get();
    RecordingFacts facts;
    facts.path = path;
    facts.length = FileLength(path);
    double frequency = 0;
    if (SUCCEEDED(reader.get_SampleFrequency(&frequency))) facts.frequency = frequency;
    facts.date = Parameter(reader, u"Date", 0);
    facts.time = Parameter(reader, u"Time", 0);
    facts.dataBitSize = Parameter(reader, u"DataBitSize", 0);
    reader.GetFirstTriggerSample(&facts.firstTrigger);
    reader2.GetFirstSampleNumber(&facts.first);
    reader2.GetLastSampleNumber(&facts.last);
    LONG channels = 0;
    reader.get_NumberOfChannels(&channels);
    for (LONG channel = 1; channel <= channels; ++channel)
        facts.channels.push_back(GatherChannel(recording, channel, std::max<LONG>(0, facts.last - facts.first)));
    VARIANT list;
    VariantInit(&list);
    if (SUCCEEDED(reader2.GetDCChannelIndexes(0, std::numeric_limits<LONG>::max(), &list))) {
        for (const auto& [dcChannel, block] : DCIndexPairs(list)) {
            if (dcChannel < 0 || dcChannel > 0xFFFF) continue;
            if (facts.dcBlocks.size() <= static_cast<std::size_t>(dcChannel)) facts.dcBlocks.resize(dcChannel + 1);
            ++facts.dcBlocks[dcChannel];
        }
    }
    VariantClear(&list);
    return facts;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

void PrintChannel(const ChannelFacts& c) {
    const std::string name = c.name.empty() ? "-" : "\"" + c.name + "\"";
    const std::string unit = !c.unit ? "-" : c.unit->empty() ? "(none)" : *c.unit;
    std::printf("channel %ld: %s, unit %s", static_cast<long>(c.number), name.c_str(), unit.c_str());
    if (!c.aliases.empty()) std::printf(", aliases %s", Joined(c.aliases, "|").c_str());
    if (c.factor) std::printf(", correction factor %g", *c.factor);
    std::printf(", %s, %s", c.is32Bit ? "32-bit" : "16-bit", c.overrun ? "overrun (samples lost)" : "no overrun");
    if (c.end > 0) std::printf(", samples 0..%ld", static_cast<long>(c.end) - 1);
    std::printf("\n");
}

void PrintText(const RecordingFacts& facts) {
    std::printf("file: %s\n", facts.path.c_str());
    std::printf("file length: %lld bytes\n", static_cast<long long>(facts.length));
    std::printf("channels: %zu\n", facts.channels.size());
    if (facts.frequency)
        std::printf("sample frequency: %g Hz\n", *facts.frequency);
    else
        std::printf("sample frequency: unknown\n");
    if (!facts.date.empty()) std::printf("date: %s\n", facts.date.c_str());
    if (!facts.time.empty()) std::printf("time: %s\n", facts.time.c_str());
    if (!facts.dataBitSize.empty()) std::printf("data bit size: %s\n", facts.dataBitSize.c_str());
    if (facts.firstTrigger >= 0)
        std::printf("first trigger: sample %ld\n", static_cast<long>(facts.firstTrigger));
    else
        std::printf("first trigger: none found yet\n");
    for (const ChannelFacts& channel : facts.channels) PrintChannel(channel);
    if (facts.dcBlocks.empty()) std::printf("DC channels: none\n");
    for (std::size_t i = 0; i < facts.dcBlocks.size(); ++i)
        std::printf("DC channel %zu: %ld blocks\n", i, facts.dcBlocks[i]);
    if (facts.first < facts.last)
        std::printf("samples every channel has: %ld..%ld\n", static_cast<long>(facts.first),
                    static_cast<long>(facts.last) - 1);
}

// A value, or null when the recording does not say.
template <typename Value>
nlohmann::ordered_json OrNull(const std::optional<Value>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}
nlohmann::ordered_json OrNull(const std::string& text) { return OrNull(text.empty() ? std::nullopt : std::optional(text)); }

// Ranges are half-open, [first, end), as everywhere in the component.
nlohmann::ordered_json Range(LONG first, LONG end) {
    return first < end ? nlohmann::ordered_json::array({first, end}) : nlohmann::ordered_json();
}

void PrintJson(const RecordingFacts& facts) {
    using Json = nlohmann::ordered_json;
    Json channels = Json::array();
    for (const ChannelFacts& c : facts.channels) {
        channels.push_back({{"number", c.number},
                            {"name", OrNull(c.name)},
                            {"unit", OrNull(c.unit)},
                            {"aliases", c.aliases},
                            {"correction_factor", OrNull(c.factor)},
                            {"bits", c.is32Bit ? 32 : 16},
                            {"overrun", c.overrun},
                            {"sample_range", Range(0, c.end)}});
    }
    Json dcChannels = Json::array();
    for (std::size_t i = 0; i < facts.dcBlocks.size(); ++i)
        if (facts.dcBlocks[i] > 0) dcChannels.push_back({{"number", i}, {"blocks", facts.dcBlocks[i]}});
    const Json document = {
        {"file", facts.path},
        {"file_length", facts.length},
        {"sample_frequency", OrNull(facts.frequency)},
        {"date", OrNull(facts.date)},
        {"time", OrNull(facts.time)},
        {"data_bit_size", facts.dataBitSize.empty() ? Json() : Json(std::atoi(facts.dataBitSize.c_str()))},
        {"first_trigger", facts.firstTrigger >= 0 ? Json(facts.firstTrigger) : Json()},
        {"channels", channels},
        {"dc_channels", dcChannels},
        {"common_sample_range", Range(facts.first, facts.last)},
    };
    // Texts that are not UTF-8 (a file name on Windows) are replaced, never a reason to fail.
    std::printf("%s\n", document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
}

// Without a server the component quietly keeps the recording's own names: say why they stay.
void CheckRECServer() {
    IUnknown* server = nullptr;
    const HRESULT hr =
        CoCreateInstance(CLSID_RECImport, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&server));
    if (server != nullptr) server->Release();
    if (SUCCEEDED(hr)) return;
    if (hr == REGDB_E_CLASSNOTREG)
        std::fprintf(stderr, "tarn: no .REC server is registered");
    else
        std::fprintf(stderr, "tarn: the registered .REC server cannot be created (%s)", StatusText(hr).c_str());
    std::fprintf(stderr, ": the .REC file gives no names, units, aliases, date or time.\n"
                         "Register the project's server first: tarn regsvr PATH/librecimport.so (Windows: "
                         "regsvr32 recimport.dll).\n");
}

int InfoCommand(const InfoOptions& options) {
    ComponentSession session;
    if (!session.Ok()) return kExitFailure;
    if (options.loadRECFile) CheckRECServer();
    Recording recording;
    if (!OpenAndScan(recording, options.path, options.loadRECFile)) return kExitFailure;
    const RecordingFacts facts = Gather(recording, options.path);
    if (options.json)
        PrintJson(facts);
    else
        PrintText(facts);
    return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& tool) {
    const auto [command, options] = AddCommand(
        tool, "info", "Open and scan a recording, then show what a client learns",
        "Channels with names, units, aliases, correction factors, widths, overruns and samples; sample\n"
        "frequency, date and time, DC channels, the samples every channel has, the file's length.",
        InfoCommand);
    command->add_flag("--rec", options->loadRECFile,
                      "Names, units, aliases, date and time from the .REC file beside the recording, through the "
                      "registered .REC server");
    command->add_flag("--json", options->json, "The same facts as one JSON document");
    AddRecording(*command, options->path);
}

}  // namespace tarn::tool

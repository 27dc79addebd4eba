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
#include "tools/RecordingFacts.h"

namespace tarn::tool {

namespace {

struct InfoOptions {
    std::string path;
    bool loadRECFile = false;
    bool json = false;
};

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

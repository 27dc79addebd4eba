#include "tools/view/ViewJson.h"

#include <filesystem>

#include <nlohmann/json.hpp>

namespace tarn::tool {

namespace {

using Json = nlohmann::json;

template <class T>
Json Optional(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json Spans(const std::vector<SampleSpan>& spans) {
    Json list = Json::array();
    for (const auto& [first, end] : spans) list.push_back({first, end});
    return list;
}

// Texts from a recording may hold bytes that are not UTF-8: they are replaced, not refused.
std::string Text(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

std::string RecordingJson(const RecordingSource& source) {
    const RecordingFacts& facts = source.Facts();
    Json channels = Json::array();
    for (const ChannelFacts& c : facts.channels) {
        const ViewChannel& span = source.Channel(c.number);
        const bool empty = span.first >= span.end;
        channels.push_back({{"number", c.number},
                            {"name", c.name},
                            {"unit", Optional(c.unit)},
                            {"aliases", c.aliases},
                            {"factor", Optional(c.factor)},
                            {"bits", c.is32Bit ? 32 : 16},
                            {"overrun", c.overrun},
                            {"first", empty ? Json(nullptr) : Json(span.first)},
                            {"last", empty ? Json(nullptr) : Json(span.end - 1)}});
    }
    Json dc = Json::array();
    for (std::size_t i = 0; i < facts.dcBlocks.size(); ++i) dc.push_back({{"number", i}, {"blocks", facts.dcBlocks[i]}});
    return Text({{"file", std::filesystem::u8path(facts.path).filename().u8string()},
                 {"length", facts.length >= 0 ? Json(facts.length) : Json(nullptr)},
                 {"sampleFrequency", Optional(facts.frequency)},
                 {"date", TextOrNull(facts.date)},
                 {"time", TextOrNull(facts.time)},
                 {"start", TextOrNull(source.Start())},
                 {"channels", channels},
                 {"dcChannels", dc}});
}

std::string OverviewJson(LONG channel, std::uint32_t from, std::uint32_t to, const OverviewAnswer& answer) {
    Json json = {{"channel", channel}, {"from", from}, {"to", to}, {"gaps", Spans(answer.gaps)}};
    if (answer.pairs) {
        json["kind"] = "pairs";
        json["start"] = answer.start;
        json["end"] = answer.end;
        json["min"] = answer.low;
        json["max"] = answer.high;
    } else {
        json["kind"] = "samples";
        Json runs = Json::array();
        for (const SampleRun& run : answer.runs) runs.push_back({{"from", run.from}, {"values", run.values}});
        json["runs"] = runs;
    }
    return Text(json);
}

std::string ErrorJson(const std::string& message, const std::string& parameter) {
    Json json = {{"error", message}};
    if (!parameter.empty()) json["parameter"] = parameter;
    return Text(json);
}

}  // namespace tarn::tool

#include "tools/view/ViewJson.h"

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

std::string RecordingJson(const RecordingFacts& facts) {
    Json channels = Json::array();
    for (const ChannelFacts& c : facts.channels) {
        const bool empty = c.first >= c.end;
        channels.push_back({{"number", c.number},
                            {"name", c.name},
                            {"unit", c.unit},
                            {"aliases", c.aliases},
                            {"factor", Optional(c.factor)},
                            {"bits", c.is32Bit ? 32 : 16},
                            {"overrun", c.overrun},
                            {"first", empty ? Json(nullptr) : Json(c.first)},
                            {"last", empty ? Json(nullptr) : Json(c.end - 1)}});
    }
    Json dc = Json::array();
    for (const auto& [number, blocks] : facts.dcChannels) dc.push_back({{"number", number}, {"blocks", blocks}});
    return Text({{"file", facts.fileName},
                 {"length", facts.length},
                 {"sampleFrequency", Optional(facts.sampleFrequency)},
                 {"date", TextOrNull(facts.date)},
                 {"time", TextOrNull(facts.time)},
                 {"start", TextOrNull(facts.start)},
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

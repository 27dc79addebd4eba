#include "tools/view/ViewApi.h"

#include "tools/view/ViewJson.h"

namespace tarn::tool {

Reply ViewApi::Recording(const QueryItems& query) const {
    (void)QueryParameters(query, {});  // no parameters
    return {200, kJson, RecordingJson(m_Source)};
}

Reply ViewApi::Overview(const QueryItems& query) const {
    const QueryParameters parameters(query, {"channel", "from", "to", "count"});
    const LONG channel = Channel(parameters);
    const auto [from, to] = Range(parameters, 0);
    const std::uint32_t count = parameters.Number("count", 1, kMaxPixels);
    return {200, kJson, OverviewJson(channel, from, to, m_Overviews.Make(channel, from, to, count))};
}

Reply ViewApi::Samples(const QueryItems& query) const {
    const QueryParameters parameters(query, {"channel", "from", "to"});
    const LONG channel = Channel(parameters);
    const auto [from, to] = Range(parameters, kMaxSamples);
    return {200, kJson, OverviewJson(channel, from, to, m_Overviews.Samples(channel, from, to))};
}

Reply ViewApi::Guarded(const std::function<Reply()>& handler) {
    try {
        return handler();
    } catch (const BadParameter& bad) {
        return {400, kJson, ErrorJson(bad.Parameter() + ": " + bad.what(), bad.Parameter())};
    } catch (const std::exception& failure) {
        return {500, kJson, ErrorJson(failure.what())};
    }
}

LONG ViewApi::Channel(const QueryParameters& parameters) const {
    const auto count = static_cast<std::uint32_t>(m_Source.Facts().channels.size());
    if (count == 0) throw BadParameter("channel", "the recording has no channels");
    return static_cast<LONG>(parameters.Number("channel", 1, count));
}

std::pair<std::uint32_t, std::uint32_t> ViewApi::Range(const QueryParameters& parameters, std::uint32_t limit) const {
    const std::uint32_t from = parameters.Number("from", 0, kSampleLimit - 1);
    const std::uint32_t most = limit == 0 || kSampleLimit - from < limit ? kSampleLimit : from + limit;
    return {from, parameters.Number("to", from + 1, most)};
}

}  // namespace tarn::tool

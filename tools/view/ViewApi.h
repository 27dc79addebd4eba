// The viewer's API: /api/recording, /api/overview and /api/samples, each a request's checked
// parameters in and a JSON reply out.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "tools/Overviews.h"
#include "tools/RecordingSource.h"
#include "tools/view/QueryParameters.h"

namespace tarn::tool {

inline constexpr const char* kJson = "application/json; charset=utf-8";

struct Reply {
    int status = 200;
    std::string contentType = kJson;
    std::string body;
};

class ViewApi {
public:
    // Bounds that keep one request's memory and time small whatever it asks for.
    static constexpr std::uint32_t kMaxPixels = 10000;
    static constexpr std::uint32_t kMaxSamples = 1 << 16;

    ViewApi(RecordingSource& source, Overviews& overviews) : m_Source(source), m_Overviews(overviews) {}

    Reply Recording(const QueryItems& query) const;
    Reply Overview(const QueryItems& query) const;
    Reply Samples(const QueryItems& query) const;

    // A request's reply: its handler's, or 400 naming the bad parameter.
    static Reply Guarded(const std::function<Reply()>& handler);

private:
    LONG Channel(const QueryParameters& parameters) const;
    // from and to, from < to; at most limit samples apart when limit is not 0.
    std::pair<std::uint32_t, std::uint32_t> Range(const QueryParameters& parameters, std::uint32_t limit) const;

    RecordingSource& m_Source;
    Overviews& m_Overviews;
};

}  // namespace tarn::tool

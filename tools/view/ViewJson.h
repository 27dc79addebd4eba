// The JSON texts of the viewer's API.
#pragma once

#include <cstdint>
#include <string>

#include "tools/Overviews.h"
#include "tools/RecordingSource.h"

namespace tarn::tool {

std::string RecordingJson(const RecordingSource& source);
// An overview or a stretch of samples of channel over [from, to), as asked for.
std::string OverviewJson(LONG channel, std::uint32_t from, std::uint32_t to, const OverviewAnswer& answer);
// {"error": message, "parameter": parameter} (no parameter when it is "").
std::string ErrorJson(const std::string& message, const std::string& parameter = "");

}  // namespace tarn::tool

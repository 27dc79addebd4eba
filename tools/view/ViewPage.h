// The viewer's page (page.html, with its script and style), built into the tool.
#pragma once

#include <string_view>

namespace tarn::tool {

std::string_view ViewPage();

}  // namespace tarn::tool

// What the tool's commands learn about a recording's DC channels.
#pragma once

#include <vector>

#include "tools/Command.h"
#include "component/TarnInterfaces.h"

namespace tarn::tool {

// Per DC channel (from 0), its number of blocks in the whole file, from GetDCChannelIndexes.
std::vector<long> DCBlockCounts(IQVRecorderFileReader2& reader);

}  // namespace tarn::tool

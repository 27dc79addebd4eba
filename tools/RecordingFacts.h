// What a client of the component learns about a recording once it is scanned, gathered once for
// the commands that show it (info) or serve it (view).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "tools/Command.h"

namespace tarn::tool {

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

RecordingFacts Gather(Recording& recording, const std::string& path);

}  // namespace tarn::tool

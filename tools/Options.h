// What the commands' command lines share: whole decimal numbers, and channel numbers checked
// against the recording.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "compat/compat.h"
#include "component/TarnInterfaces.h"

namespace tarn::tool {

// A whole decimal number, leading zeros and all ("010" is ten, not eight): for every numeric
// argument, ahead of the parser's own conversion, which also reads octal and hexadecimal.
const CLI::Validator& Decimal();

// --channels 1,3: the channels a command works on (checked against the recording by
// CheckChannels once it is open).
inline void AddChannelList(CLI::App& command, std::vector<LONG>& channels, const std::string& description) {
    command.add_option("--channels", channels, description)->delimiter(',')->transform(Decimal());
}

// Channels chosen for a recording: each in 1 .. its channel count, and each once when once is
// set. False after a line on stderr that names the first one that is not and what is valid.
bool CheckChannels(IQVRecorderFileReader& reader, const std::vector<LONG>& channels, bool once = false);

}  // namespace tarn::tool

// The .REC file of this project's recorders: an INI-like text in the ANSI code page (README,
// "The .REC file"). [Recording] holds Start (the recorder's local time, "YYYY-MM-DD hh:mm:ss"
// with up to three decimals) and Channels (1 .. 65,536); [Channel n] holds Name, Unit and
// Aliases (separated by ';').
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::recimport {

struct RECChannel {
    std::string name;
    std::string unit;
    std::vector<std::string> aliases;
};

struct RECFile {
    double startTime = 0.0;   // seconds since 1970-01-01 00:00 UTC
    std::vector<RECChannel> channels;
};

// False when the text lacks a valid Start or Channels, or Start is no time the local calendar
// has.
bool ParseRECFile(std::string_view text, RECFile& file);

// Reads and parses the file (at most 1 MiB).
bool ReadRECFile(const std::string& path, RECFile& file);

}  // namespace tarn::recimport

// What a .REC file server answered, stored in the parameter store: "Date" and "Time" in section
// 0, and per channel "Unit", "OrgSignalName", "SignalName" and "SignalAliases".
#pragma once

#include "setup/ParamList.h"

#include <cstdint>
#include <string>

namespace tarn {

struct RECChannelInfo {
    std::int32_t channelCount = 0;
    // ANSI code page. Names and units: one TAB-separated field per channel; aliases: entries
    // "[" name TAB aliases ... closing character "]" for the channels that have aliases.
    std::string signalNames;
    std::string units;
    std::string aliases;
    double startTime = 0.0;   // seconds since 1970-01-01 00:00 UTC, the fraction in milliseconds
};

// The start time as local date "01/JAN/2008" and time "13:05:09:250". A time the local-time
// conversion rejects (before 1970, after 3000, not a number) gives "00//   0" and
// "-1:-1:-1:" with the milliseconds.
void FormatRECDateTime(double startTime, std::string& date, std::string& time);

// Stores the date and time (false, storing no channel, when the store has no section 0), then
// channels 1 .. channelCount until the store has no section for one. A short names or units list
// repeats its last field; aliases are stored for the channels whose name their entry carries.
bool StoreRECChannelInfo(const RECChannelInfo& info, CParamList& params);

}  // namespace tarn

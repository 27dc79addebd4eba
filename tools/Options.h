// The command line of a command: numbers and the options that follow its positional arguments.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "compat/compat.h"
#include "tools/Command.h"

namespace tarn::tool {

// A whole decimal number of the argument's type; false for anything else.
bool ParseNumber(const std::string& text, LONG& value);
bool ParseNumber(const std::string& text, ULONG& value);

// The options from args[first] on: "--name VALUE" for each name in valued, "--name" alone for
// each in flags (mapped to ""). False for anything else, a repeated option or a missing value.
bool ParseOptions(const Arguments& args, std::size_t first, std::initializer_list<const char*> valued,
                  std::initializer_list<const char*> flags, std::map<std::string, std::string>& options);

// "1,3": channel numbers of 1 .. count, in the order given; false for anything else (an empty
// item included).
bool ParseChannelList(const std::string& text, LONG count, std::vector<LONG>& channels);

// The --from and --to options as numbers (0 when absent); false when one is not a number.
bool RangeOptions(const std::map<std::string, std::string>& options, ULONG& from, ULONG& to);

}  // namespace tarn::tool

// The commands of the tarn tool. Each lives in its own file and gets the arguments that follow
// its name; main.cpp holds the table that names them.
#pragma once

#include <string>
#include <vector>

namespace tarn::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // unreadable or rejected input
inline constexpr int kExitUsage = 2;    // bad arguments: main prints the usage text

using Arguments = std::vector<std::string>;

int BlocksCommand(const Arguments& args);
int InfoCommand(const Arguments& args);
int SamplesCommand(const Arguments& args);
int RegisterCommand(const Arguments& args);
int DemoCommand(const Arguments& args);
int ExtractRecCommand(const Arguments& args);

}  // namespace tarn::tool

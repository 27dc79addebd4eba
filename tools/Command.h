// The commands of the tarn tool. Each lives in its own file and gets the arguments that follow
// its name; main.cpp holds the table that names them.
#pragma once

#include <string>
#include <vector>

namespace tarn::client {}

namespace tarn::tool {

// The commands are clients of the component like any other: they share its client session.
using namespace tarn::client;

// What a command tells the shell. kExitUsage: bad arguments, main prints the usage text.
enum Exit : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

using Arguments = std::vector<std::string>;

int BlocksCommand(const Arguments& args);
int InfoCommand(const Arguments& args);
int SamplesCommand(const Arguments& args);
int OverviewCommand(const Arguments& args);
int PlotCommand(const Arguments& args);
int RegisterCommand(const Arguments& args);
int DemoCommand(const Arguments& args);
int ExtractRecCommand(const Arguments& args);
int ExportCommand(const Arguments& args);
int ViewCommand(const Arguments& args);

}  // namespace tarn::tool

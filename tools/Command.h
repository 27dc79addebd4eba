// The commands of the tarn tool. Each lives in its own file: a body that runs on the command's
// options, and an Add... function that puts the command with its options on the tool's command
// line. main.cpp lists the Add... functions.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include <CLI/CLI.hpp>

namespace tarn::client {}

namespace tarn::tool {

// The commands are clients of the component like any other: they share its client session.
using namespace tarn::client;

// What a command tells the shell. kExitUsage: arguments the command cannot take.
enum Exit : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Ends the parse with a command's exit code (main returns it).
inline void ExitWith(int code) {
    if (code != kExitOk) throw CLI::RuntimeError(code);
}

// Arguments that only the command's body can tell are wrong: reported as the parser reports its
// own errors, with the command's usage, and exit code kExitUsage.
[[noreturn]] inline void BadArguments(const std::string& what) { throw CLI::ValidationError(what); }

// Adds the command name to the tool, with a one-line summary for the tool's help and details
// ("" for none) below its own: the options it declares go into the Options object that the
// command line keeps, and body runs on them once the line is parsed.
template <typename Options>
std::pair<CLI::App*, Options*> AddCommand(CLI::App& tool, const char* name, const char* summary, const char* details,
                                          int (*body)(const Options&)) {
    auto options = std::make_shared<Options>();
    CLI::App* command = tool.add_subcommand(name, summary);
    command->group("Commands");
    command->footer(details);
    command->callback([options, body] { ExitWith(body(*options)); });
    return {command, options.get()};
}

// The recording a command reads: its first argument, FILE.
inline void AddRecording(CLI::App& command, std::string& path) {
    command.add_option("FILE", path, "The recording")->required();
}

void AddBlocksCommand(CLI::App& tool);
void AddInfoCommand(CLI::App& tool);
void AddSamplesCommand(CLI::App& tool);
void AddOverviewCommand(CLI::App& tool);
void AddPlotCommand(CLI::App& tool);
void AddExportCommand(CLI::App& tool);
void AddDemoCommand(CLI::App& tool);
void AddExtractRecCommand(CLI::App& tool);
void AddRegisterCommand(CLI::App& tool);
void AddViewCommand(CLI::App& tool);

}  // namespace tarn::tool

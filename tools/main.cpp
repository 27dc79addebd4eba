// tarn: looks into recordings from the command line.
#include <iostream>
#include <string>

#include "tools/Command.h"

namespace tarn::tool {
namespace {

// Each adds one command; --help lists them in this order.
void (*const kCommands[])(CLI::App&) = {
    AddBlocksCommand, AddInfoCommand,   AddSamplesCommand, AddOverviewCommand,     AddPlotCommand,
    AddExportCommand, AddViewCommand, AddDemoCommand,   AddExtractRecCommand, AddRegisterCommand,
};

// The command the parse had reached, or the tool itself.
const CLI::App& FailedCommand(const CLI::App& tool) {
    const auto chosen = tool.get_subcommands();
    return chosen.empty() ? tool : *chosen.front();
}

// "tarn samples: FROM is required", then the usage line of the command that was being parsed
// and where to read more. A first word that is no command gets the list of commands.
std::string FailureMessage(const CLI::App* tool, const CLI::Error& error) {
    const CLI::App& failed = FailedCommand(*tool);
    const std::string name = failed.get_parent() == nullptr ? "tarn" : "tarn " + failed.get_name();
    std::string what = error.what();
    if (&failed == tool && error.get_name() == "RequiredError") {
        // The tool itself requires nothing but a command.
        const std::vector<std::string> left = tool->remaining();
        what = left.empty() ? "a command is required" : "\"" + left.front() + "\" is not a command or option";
        what += "; the commands are";
        for (const CLI::App* command : tool->get_subcommands({})) what += " " + command->get_name();
    }
    const auto formatter = std::dynamic_pointer_cast<CLI::Formatter>(tool->get_formatter());
    return name + ": " + what + "\n" + (formatter ? formatter->make_usage(&failed, name) : std::string()) + "Run \"" +
           name + " --help\" for more.\n";
}

}  // namespace
}  // namespace tarn::tool

int main(int argc, char** argv) {
    using namespace tarn::tool;
    CLI::App tool("Looks into the recordings of the data recorder through the tarn component.", "tarn");
    tool.set_version_flag("--version", TARN_VERSION, "Print the version and exit");
    tool.set_help_flag("-h,--help", "Print this help and exit");
    tool.require_subcommand(1);
    // Options start with '-' on every system: "/u" style would take a POSIX path for an option.
    tool.allow_windows_style_options(false);
    tool.failure_message(FailureMessage);
    tool.get_formatter()->label("SUBCOMMAND", "COMMAND");
    tool.footer("Run \"tarn COMMAND --help\" for the arguments of a command.");
    for (const auto add : kCommands) add(tool);
    try {
        tool.parse(argc, argv);
    } catch (const CLI::RuntimeError& done) {
        return done.get_exit_code();
    } catch (const CLI::ParseError& error) {
        // Help and version go to stdout with 0; every error is a usage error.
        return tool.exit(error) == 0 ? kExitOk : kExitUsage;
    }
    return kExitOk;
}

// tarn: looks into recordings from the command line.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/Command.h"

namespace {

struct CommandEntry {
    const char* name;
    const char* synopsis;
    const char* summary;
    int (*run)(const tarn::tool::Arguments& args);
};

const CommandEntry kCommands[] = {
    {"blocks", "blocks [FILE]",
     "walk the block stream and summarise it (no FILE: write an example recording and use that)",
     tarn::tool::BlocksCommand},
    {"info", "info FILE", "open and scan a recording, then show its channels as a client sees them", tarn::tool::InfoCommand},
    {"samples", "samples FILE CHANNEL FROM TO [--32]", "print samples FROM..TO-1 of a channel, one per line", tarn::tool::SamplesCommand},
    {"demo", "demo [FILE]",
     "write an example recording through the component's writer (no FILE: tarn-demo.dat in the temp folder)",
     tarn::tool::DemoCommand},
    {"extract-rec", "extract-rec FILE OUT", "write the REC info embedded in a recording to OUT", tarn::tool::ExtractRecCommand},
    {"regsvr", "regsvr [-u] MODULE", "register an in-process server module (-u: remove its registration)",
     tarn::tool::RegisterCommand},
};

int Usage() {
    std::fputs("usage:\n", stderr);
    int width = 0;
    for (const CommandEntry& c : kCommands) width = std::max(width, static_cast<int>(std::strlen(c.synopsis)));
    for (const CommandEntry& c : kCommands) std::fprintf(stderr, "  tarn %-*s  %s\n", width, c.synopsis, c.summary);
    return tarn::tool::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string name = argv[1];
    for (const CommandEntry& c : kCommands) {
        if (name != c.name) continue;
        const int result = c.run(tarn::tool::Arguments(argv + 2, argv + argc));
        return result == tarn::tool::kExitUsage ? Usage() : result;
    }
    return Usage();
}

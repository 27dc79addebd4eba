// tarn: looks into recordings from the command line.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/Command.h"

namespace tarn::tool {
namespace {

struct CommandEntry {
    const char* name;
    const char* synopsis;
    const char* summary;
    int (*run)(const Arguments& args);
};

const CommandEntry kCommands[] = {
    {"blocks", "blocks [FILE]",
     "walk the block stream and summarise it (no FILE: write an example recording and use that)",
     BlocksCommand},
    {"info", "info [--rec] FILE",
     "open and scan a recording, then show its channels as a client sees them (--rec: with its .REC file)", InfoCommand},
    {"samples", "samples FILE CHANNEL FROM TO [--32]", "print samples FROM..TO-1 of a channel, one per line", SamplesCommand},
    {"overview", "overview FILE CHANNEL COUNT [--from A] [--to B] [--32]",
     "print COUNT values describing a channel's range A..B-1 (default: all of it) as a client gets them for display",
     OverviewCommand},
    {"plot", "plot FILE OUT.svg [--channels 1,3] [--from A --to B]",
     "draw the chosen channels' envelopes (default: all, the whole recording) as an SVG", PlotCommand},
    {"export", "export FILE OUT.csv|OUT.wav [--channels 1,3] [--raw]",
     "every sample of the chosen channels (default all; a WAV needs them) as CSV or as WAV", ExportCommand},
    {"view", "view FILE [--port P] [--rec]",
     "serve a page that draws the recording, zoomable down to single samples, on http://127.0.0.1:P/ (0: any free port)",
     ViewCommand},
    {"demo", "demo [FILE]",
     "write an example recording through the component's writer (no FILE: tarn-demo.dat in the temp folder)",
     DemoCommand},
    {"extract-rec", "extract-rec FILE OUT", "write the REC info embedded in a recording to OUT", ExtractRecCommand},
    {"regsvr", "regsvr [-u] MODULE", "register an in-process server module (-u: remove its registration)",
     RegisterCommand},
};

int Usage() {
    std::fputs("usage:\n", stderr);
    int width = 0;
    for (const CommandEntry& c : kCommands) width = std::max(width, static_cast<int>(std::strlen(c.synopsis)));
    for (const CommandEntry& c : kCommands) std::fprintf(stderr, "  tarn %-*s  %s\n", width, c.synopsis, c.summary);
    return kExitUsage;
}

}  // namespace
}  // namespace tarn::tool

int main(int argc, char** argv) {
    using namespace tarn::tool;
    if (argc < 2) return Usage();
    const std::string name = argv[1];
    for (const CommandEntry& c : kCommands) {
        if (name != c.name) continue;
        const int result = c.run(Arguments(argv + 2, argv + argc));
        return result == kExitUsage ? Usage() : result;
    }
    return Usage();
}

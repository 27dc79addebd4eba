// tarn overview FILE CHANNEL COUNT [--from A] [--to B] [--32]: the values GetCompressedSamples
// (GetCompressed32BitSamples with --32) hands a client for a channel's range, one per line.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "tools/Command.h"
#include "tools/Options.h"

namespace tarn::tool {

int OverviewCommand(const Arguments& args) {
    std::map<std::string, std::string> options;
    ULONG channel = 0, count = 0, from = 0, to = 0;
    if (args.size() < 3 || !ParseNumber(args[1], channel) || !ParseNumber(args[2], count) ||
        !ParseOptions(args, 3, {"--from", "--to"}, {"--32"}, options) || !RangeOptions(options, from, to)) {
        return kExitUsage;
    }
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, args[0])) return kExitFailure;
    std::vector<LONG> values;
    if (FAILED(Overview(*recording.reader2.Get(), channel, from, to, count, options.count("--32") != 0, values))) {
        std::fprintf(stderr, "tarn: no overview of channel %lu over %lu..%lu\n", static_cast<unsigned long>(channel),
                     static_cast<unsigned long>(from), static_cast<unsigned long>(to));
        return kExitFailure;
    }
    for (const LONG value : values) std::printf("%ld\n", static_cast<long>(value));
    return kExitOk;
}

}  // namespace tarn::tool

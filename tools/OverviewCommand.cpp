// tarn overview FILE CHANNEL COUNT [--from A] [--to B] [--32]: the values GetCompressedSamples
// (GetCompressed32BitSamples with --32) hands a client for a channel's range, one per line.
#include <cstdio>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "tools/Command.h"
#include "tools/Options.h"

namespace tarn::tool {

namespace {

struct OverviewOptions {
    std::string path;
    LONG channel = 0;
    ULONG count = 0, from = 0, to = 0;
    bool wide = false;
};

int OverviewCommand(const OverviewOptions& o) {
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, o.path) || !CheckChannels(*recording.reader.Get(), {o.channel}))
        return kExitFailure;
    std::vector<LONG> values;
    const HRESULT hr =
        Overview(*recording.reader2.Get(), static_cast<ULONG>(o.channel), o.from, o.to, o.count, o.wide, values);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tarn: no overview of %lu values of channel %ld over %lu..%lu (%s)\n",
                     static_cast<unsigned long>(o.count), static_cast<long>(o.channel),
                     static_cast<unsigned long>(o.from), static_cast<unsigned long>(o.to), StatusText(hr).c_str());
        return kExitFailure;
    }
    for (const LONG value : values) std::printf("%ld\n", static_cast<long>(value));
    return kExitOk;
}

}  // namespace

void AddOverviewCommand(CLI::App& tool) {
    const auto [command, o] = AddCommand(
        tool, "overview", "Print the values a display gets for a channel's samples",
        "COUNT values (an odd COUNT is rounded up) for samples A .. B - 1: (minimum, maximum) pairs from\n"
        "the scan's cache, (maximum, minimum) pairs from the raw samples, or the raw samples themselves\n"
        "when there are fewer than 2 x COUNT.",
        OverviewCommand);
    AddRecording(*command, o->path);
    command->add_option("CHANNEL", o->channel, "The channel, counted from 1")->required()->transform(Decimal());
    command->add_option("COUNT", o->count, "How many values")->required()->transform(Decimal());
    command->add_option("--from", o->from, "A, the first sample (--from and --to both 0: the whole channel)")
        ->transform(Decimal());
    command->add_option("--to", o->to, "B, one past the last sample")->transform(Decimal());
    command->add_flag("--32", o->wide, "32-bit values (GetCompressed32BitSamples)");
}

}  // namespace tarn::tool

// tarn samples FILE CHANNEL FROM TO [--32]: the samples FROM .. TO - 1 of one channel, one per
// line, as GetSamples (or GetSamples32Bit) hands them to a client.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "component/ClientMemory.h"
#include "component/client/ComponentRecording.h"
#include "tools/Command.h"
#include "tools/Options.h"

namespace tarn::tool {

namespace {

struct SamplesOptions {
    std::string path;
    LONG channel = 0, from = 0, to = 0;
    bool wide = false;
};

template <typename Slot>
int PrintRange(HRESULT hr, LONG from, LONG to, LONG last, Slot* samples) {
    const std::unique_ptr<void, component::CoTaskMemDeleter> owned(samples);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tarn: the samples %ld..%ld cannot be read (%s)\n", static_cast<long>(from),
                     static_cast<long>(to) - 1, StatusText(hr).c_str());
        return kExitFailure;
    }
    const std::int64_t copied = std::int64_t{last} - from + 1;
    for (std::int64_t i = 0; i < copied; ++i) std::printf("%ld\n", static_cast<long>(samples[i]));
    if (std::int64_t{last} < std::int64_t{to} - 1) {
        std::fprintf(stderr, "tarn: the recording holds samples %ld..%ld of the range only\n", static_cast<long>(from),
                     static_cast<long>(last));
    }
    return kExitOk;
}

int SamplesCommand(const SamplesOptions& o) {
    if (o.from > o.to) BadArguments("FROM (" + std::to_string(o.from) + ") is beyond TO (" + std::to_string(o.to) + ")");
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, o.path) || !CheckChannels(*recording.reader.Get(), {o.channel}))
        return kExitFailure;
    LONG last = 0;
    if (o.wide) {
        LONG* samples = nullptr;
        const HRESULT hr = recording.reader2->GetSamples32Bit(o.channel, o.from, o.to, &last, &samples);
        return PrintRange(hr, o.from, o.to, last, samples);
    }
    short* samples = nullptr;
    const HRESULT hr = recording.reader2->GetSamples(o.channel, o.from, o.to, &last, &samples);
    return PrintRange(hr, o.from, o.to, last, samples);
}

}  // namespace

void AddSamplesCommand(CLI::App& tool) {
    const auto [command, o] = AddCommand(
        tool, "samples", "Print the samples FROM .. TO - 1 of a channel, one per line", "", SamplesCommand);
    AddRecording(*command, o->path);
    command->add_option("CHANNEL", o->channel, "The channel, counted from 1")->required()->transform(Decimal());
    command->add_option("FROM", o->from, "The first sample, counted from the channel's first")
        ->required()
        ->transform(Decimal());
    command->add_option("TO", o->to, "One past the last sample")->required()->transform(Decimal());
    command->add_flag("--32", o->wide, "32-bit values (GetSamples32Bit); without it a 32-bit channel gives its upper halves");
}

}  // namespace tarn::tool

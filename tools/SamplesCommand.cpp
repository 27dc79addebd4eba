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

template <typename Slot>
int PrintRange(HRESULT hr, LONG from, LONG to, LONG last, Slot* samples) {
    const std::unique_ptr<void, component::CoTaskMemDeleter> owned(samples);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tarn: the channel or the range %ld..%ld is not valid for this recording\n",
                     static_cast<long>(from), static_cast<long>(to));
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

}  // namespace

int SamplesCommand(const Arguments& args) {
    if (args.size() != 4 && !(args.size() == 5 && args[4] == "--32")) return kExitUsage;
    LONG channel = 0, from = 0, to = 0;
    if (!ParseNumber(args[1], channel) || !ParseNumber(args[2], from) || !ParseNumber(args[3], to)) return kExitUsage;
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, args[0])) return kExitFailure;
    LONG last = 0;
    if (args.size() == 5) {
        LONG* samples = nullptr;
        const HRESULT hr = recording.reader2->GetSamples32Bit(channel, from, to, &last, &samples);
        return PrintRange(hr, from, to, last, samples);
    }
    short* samples = nullptr;
    const HRESULT hr = recording.reader2->GetSamples(channel, from, to, &last, &samples);
    return PrintRange(hr, from, to, last, samples);
}

}  // namespace tarn::tool

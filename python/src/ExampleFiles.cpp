#include "python/src/ExampleFiles.h"

#include "format/RecordingBuilder.h"
#include "platform/platform.h"

namespace tarn::python {

namespace {

constexpr std::uint32_t kBaseSample = 5000;

}  // namespace

bool WriteExampleFile(const std::string& path, const ExampleLayout& layout) {
    platform::File out;
    if (!out.Open(path, platform::File::Mode::Create)) return false;
    RecordingBuilder round;
    round.Header(layout.channels);
    bool ok = true;
    for (std::uint32_t b = 0; ok && b < layout.blocks; ++b) {
        const std::uint32_t first = b * layout.blockSamples;
        for (std::uint32_t c = 0; c < layout.channels; ++c) {
            if (c + 1 == layout.gapChannel && b == layout.blocks / 2) continue;
            round.Samples16(layout.blockSamples,
                            [c, first](std::uint32_t i) { return static_cast<std::int16_t>(c * 1000 + (first + i) * 7); },
                            Block().SampleNo(kBaseSample + first).Id(static_cast<std::uint16_t>(c)));
        }
        ok = out.Write(round.bytes().data(), round.size()) == round.size();
        round.Clear();
    }
    out.Close();
    return ok;
}

}  // namespace tarn::python

// Opens a built recording with the reader, and walks it the way the scan does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "reader/CQVDataRecorderReader.h"
#include "format/RecordingBuilder.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

inline Block At(std::uint32_t sampleNo, std::uint16_t id = 0) { return Block().SampleNo(sampleNo).Id(id); }
inline std::int32_t Ramp(std::uint32_t i) { return static_cast<std::int32_t>(i); }

struct OpenedRecording {
    std::string path;
    platform::File file;
    std::unique_ptr<CQVDataRecorderReader> reader;

    // mode given: the channel slots are created, as opening a recording does.
    OpenedRecording(const TempDir& dir, const RecordingBuilder& recording, std::optional<RFMode> mode = {}) {
        static int serial = 0;
        path = recording.WriteTo(dir, "recording" + std::to_string(++serial) + ".dat");
        if (!file.Open(path, platform::File::Mode::Read)) throw std::runtime_error("cannot open the fixture");
        reader = std::make_unique<CQVDataRecorderReader>(file, path);
        if (mode) reader->CreateChannelDescs(*mode);
    }
};

// Scan steps until one returns false; the count of steps that returned true. A scan that does
// not end fails the test instead of hanging it.
inline std::size_t ScanAll(CQVDataRecorderReader& reader) {
    std::size_t steps = 0;
    while (reader.ScanFile()) {
        if (++steps > 1000000) {
            ADD_FAILURE() << "the scan does not end";
            break;
        }
    }
    return steps;
}

// One delivered block as the scan sees it: kind, key, SampleNo, samples (0 for DC), position.
using Delivered = std::tuple<layout::BlockKind, std::int32_t, std::uint32_t, std::uint32_t, std::int64_t>;

// Walks to the end: reads each sample block's data and fixes the base from the first taken block.
inline std::vector<Delivered> WalkAll(CQVDataRecorderReader& reader) {
    std::vector<Delivered> out;
    while (reader.ReadBlockHeader() && out.size() <= 100000) {
        const bool isSamples = reader.CurrentBlockHeader().Kind() == layout::BlockKind::Samples;
        if (isSamples && !reader.ReadBlockData()) break;
        reader.FixBaseSampleNumber();
        out.emplace_back(reader.CurrentBlockHeader().Kind(), reader.CurrentChannelKey(),
                         reader.CurrentBlockHeader().SampleNo, isSamples ? reader.CurrentSampleCount() : 0,
                         reader.CurrentBlockPosition());
    }
    EXPECT_LE(out.size(), 100000u) << "the walk does not end";
    return out;
}

}  // namespace tarn::test

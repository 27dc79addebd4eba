// Opens a built recording with the reader, and walks it the way the scan does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "reader/CQVDataRecorderReader.h"
#include "tests/support/RecordingBuilder.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

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
// not end within maxSteps fails the test instead of hanging it.
inline std::size_t ScanAll(CQVDataRecorderReader& reader, std::size_t maxSteps = 1000000) {
    std::size_t steps = 0;
    while (reader.ScanFile()) {
        if (++steps > maxSteps) {
            ADD_FAILURE() << "the scan does not end";
            break;
        }
    }
    return steps;
}

// One delivered block as the scan sees it.
struct Delivered {
    layout::BlockKind kind;
    std::int32_t key;
    std::uint32_t sampleNo;
    std::uint32_t samples;  // 0 for DC blocks
    std::int64_t position;
    bool operator==(const Delivered& o) const {
        return kind == o.kind && key == o.key && sampleNo == o.sampleNo && samples == o.samples &&
               position == o.position;
    }
};

// Walks to the end: reads each sample block's data and fixes the base from the first taken block.
// A walk that does not end within maxBlocks fails the test instead of hanging it.
inline std::vector<Delivered> WalkAll(CQVDataRecorderReader& reader, std::size_t maxBlocks = 100000) {
    std::vector<Delivered> out;
    while (reader.ReadBlockHeader()) {
        const bool isSamples = reader.CurrentBlockHeader().Kind() == layout::BlockKind::Samples;
        if (isSamples && !reader.ReadBlockData()) break;
        reader.FixBaseSampleNumber();
        out.push_back({reader.CurrentBlockHeader().Kind(), reader.CurrentChannelKey(),
                       reader.CurrentBlockHeader().SampleNo, isSamples ? reader.CurrentSampleCount() : 0,
                       reader.CurrentBlockPosition()});
        if (out.size() > maxBlocks) {
            ADD_FAILURE() << "the walk does not end";
            break;
        }
    }
    return out;
}

}  // namespace tarn::test

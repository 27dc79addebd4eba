// Recordings built for the reader and opened as opening a recording does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/RecordingBuilder.h"
#include "reader/CQVDataRecorderReader.h"
#include "tests/support/TempDir.h"

namespace tarn::test {

inline Block At(std::uint32_t sampleNo, std::uint16_t id = 0) { return Block().SampleNo(sampleNo).Id(id); }
inline std::int32_t Ramp(std::uint32_t i) { return static_cast<std::int32_t>(i); }

// A reader on a built recording, with its channel slots created.
struct OpenedRecording {
    std::string path;
    platform::File file;
    std::unique_ptr<CQVDataRecorderReader> reader;

    OpenedRecording(const TempDir& dir, const RecordingBuilder& recording) {
        static int serial = 0;
        path = recording.WriteTo(dir, "recording" + std::to_string(++serial) + ".dat");
        if (!file.Open(path, platform::File::Mode::Read)) throw std::runtime_error("cannot open the fixture");
        reader = std::make_unique<CQVDataRecorderReader>(file, path);
        reader->CreateChannelDescs(RF_Interleaved);
    }
    CQVDataRecorderReader* operator->() { return reader.get(); }

    // Scan steps until one returns false; a scan that does not end fails instead of hanging.
    OpenedRecording& Scan() {
        for (int steps = 0; reader->ScanFile();)
            if (++steps > 1000000) {
                ADD_FAILURE() << "the scan does not end";
                break;
            }
        reader->SetScanComplete();
        return *this;
    }

    // Samples [s0, s1) of channel as 32-bit values: what the index holds of them.
    std::vector<std::int32_t> Samples(std::int32_t channel, std::int32_t s0 = 0, std::int32_t s1 = 1000) {
        std::vector<std::int32_t> out(static_cast<std::size_t>(s1 - s0));
        out.resize(static_cast<std::size_t>(reader->CopySamples32(channel, s0, s1, out.data()) + 1 - s0));
        return out;
    }
    std::vector<std::int32_t> DCPairs(std::int32_t s0 = 0, std::int32_t s1 = 1 << 30) {
        std::vector<std::int32_t> pairs;
        reader->DCChannelIndexes(s0, s1, pairs);
        return pairs;
    }
};

}  // namespace tarn::test

// Recordings made straight from the block layout (format/RecordingBuilder), for the Python
// benchmark and tests: what the writer interface cannot make, such as a gap left by an overrun.
#pragma once

#include <cstdint>
#include <string>

namespace tarn::python {

struct ExampleLayout {
    std::uint32_t channels = 4;
    std::uint32_t blocks = 4;          // per channel
    std::uint32_t blockSamples = 1024; // 16-bit samples per block
    std::uint32_t gapChannel = 0;      // from 1: its block in the middle is left out; 0: none
};

// Channel c (from 0), relative sample s holds (c * 1000 + s * 7) as a 16-bit number; blocks go
// round by round, every channel's block of a round in turn, from the recorder's sample 5000 on.
// Written a round at a time; false when the file cannot be written.
bool WriteExampleFile(const std::string& path, const ExampleLayout& layout);

}  // namespace tarn::python

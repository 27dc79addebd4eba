// A small recording made up for demonstrations: three channels (two 16-bit, one 32-bit) in four
// rounds of blocks, a trigger after the first round and a DC block in front.
#pragma once

#include <string>
#include <vector>

namespace tarn::tool {

std::vector<unsigned char> ExampleRecording();

// Writes the example to the system's temporary folder; returns its path, or "" on failure.
std::string WriteExampleRecording();

}  // namespace tarn::tool

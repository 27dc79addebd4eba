// Writes the two-channel recording of the component tests (setup text, 16- and 32-bit channels,
// an overrun gap, DC blocks, a trigger) for the tool tests.
#include <cstdio>
#include <fstream>

#include "tests/component/Recordings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: write_component_recording PATH\n", stderr);
        return 2;
    }
    const tarn::test::RecordingBuilder file = tarn::test::TwoChannelRecording();
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.bytes().data()), static_cast<std::streamsize>(file.size()));
    return 0;
}

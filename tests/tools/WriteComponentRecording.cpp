// Writes the two-channel recording of the component tests (setup text, 16- and 32-bit channels,
// an overrun gap, DC blocks, a trigger) for the tool tests; with a block count, a long recording
// of that many blocks per channel instead.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/component/Recordings.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fputs("usage: write_component_recording PATH [BLOCKS]\n", stderr);
        return 2;
    }
    const tarn::RecordingBuilder file = argc == 3
        ? tarn::test::ManyBlocks(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)))
        : tarn::test::TwoChannelRecording();
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.bytes().data()), static_cast<std::streamsize>(file.size()));
    return 0;
}

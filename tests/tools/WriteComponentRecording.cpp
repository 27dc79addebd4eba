// Writes the recordings the tool tests read: the two-channel recording of the component tests
// (setup text, 16- and 32-bit channels, an overrun gap, DC blocks, a trigger); with a block count,
// a long recording of that many blocks per channel; with "truncated", two channels, a trigger and
// a last block cut short.
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/component/Recordings.h"

int main(int argc, char** argv) {
    using namespace tarn;
    if (argc != 2 && argc != 3) return 2;
    RecordingBuilder file = test::TwoChannelRecording();
    if (argc == 3 && std::string(argv[2]) == "truncated") {
        file = RecordingBuilder().Header(2).Samples16({1, 2, 3, 4}, Block().SampleNo(500))
                   .Samples32({5, 6}, Block().SampleNo(500).Id(1)).Trigger(Block().SampleNo(502))
                   .Samples16({7, 8}, Block().SampleNo(504))  // ends at offset 104
                   .Samples16({9, 10, 11, 12}, Block().SampleNo(506));
        file.TruncateAt(file.size() - 4);
    } else if (argc == 3) {
        file = test::ManyBlocks(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    }
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.bytes().data()), static_cast<std::streamsize>(file.size()));
    return 0;
}

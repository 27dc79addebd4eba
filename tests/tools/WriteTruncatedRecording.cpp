// Writes the recording the tool tests read: two channels, a trigger, and a last block cut short.
#include <cstdio>
#include <fstream>

#include "format/RecordingBuilder.h"

using tarn::Block;
using tarn::RecordingBuilder;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: write_truncated_recording PATH\n", stderr);
        return 2;
    }
    RecordingBuilder file;
    file.Header(2)
        .Samples16({1, 2, 3, 4}, Block().SampleNo(500))
        .Samples32({5, 6}, Block().SampleNo(500).Id(1))
        .Trigger(Block().SampleNo(502))
        .Samples16({7, 8}, Block().SampleNo(504))       // ends at offset 104
        .Samples16({9, 10, 11, 12}, Block().SampleNo(506));
    file.TruncateAt(file.size() - 4);
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.bytes().data()), static_cast<std::streamsize>(file.size()));
    return 0;
}

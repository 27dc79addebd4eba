// The recordings the component and client tests read.
#pragma once

#include <string>

#include "format/RecordingBuilder.h"

namespace tarn::test {

inline constexpr char kTwoChannelSetup[] =
    "\n[SETUP START]\nNoChannels=2\nSampleFrequency=44100.5"
    "\n[Channel 1]\nSignalName=Pressure\nUnit=Pa\nCorrectionFactor=0.5"
    "\n[Channel 2]\nSignalName=Force\nUnit=\nCorrectionFactor=0,25"
    "\n[SETUP STOP]\n";

// Sample i of channel 1 (relative to its first indexed sample).
inline std::int32_t Channel1Sample(std::uint32_t i) { return static_cast<std::int32_t>(i) - 2; }

// Two channels from SampleNo 1000 (the base):
//   channel 1: 16-bit blocks of 4 samples at relative 0, 4, 8 (status 0x00, 0x01, 0x04), then a
//              gap (12 .. 15 lost) and a block at 16: samples 0 .. 11 and 16 .. 19;
//   channel 2: 32-bit blocks of 4 samples at relative 0 and 4;
//   DC channel 0: blocks at relative 4 and 12; a trigger at relative 6.
inline RecordingBuilder TwoChannelRecording(const std::string& setup = kTwoChannelSetup) {
    const auto channel1 = [](std::uint32_t first) {
        return [first](std::uint32_t j) { return Channel1Sample(first + j); };
    };
    RecordingBuilder file;
    if (!setup.empty()) file.Setup(setup);
    file.Header(2)
        .Samples16(4, channel1(0), Block().SampleNo(1000))
        .Samples32({0x00010001, -2, 70000, -70000}, Block().SampleNo(1000).Id(1))
        .DC({{0, 0, 12000}, {1, 0, 2150}}, Block().SampleNo(1004))
        .Samples16(4, channel1(4), Block().SampleNo(1004).Status(0x01))
        .Samples32({5, 6, 7, 8}, Block().SampleNo(1004).Id(1))
        .Trigger(Block().SampleNo(1006))
        .Samples16(4, channel1(8), Block().SampleNo(1008).Status(0x04))
        .DC({{0, 0, 11900}, {1, 0, 2160}}, Block().SampleNo(1012))
        .Samples16(4, channel1(16), Block().SampleNo(1016));
    return file;
}

// Two channels of 8-sample blocks from SampleNo 0, blocks per channel; channel 2 skips 8 samples
// after block gapAfter (0: never) and is 32-bit when wide. Enough blocks give progress events.
inline RecordingBuilder ManyBlocks(std::uint32_t blocks, std::uint32_t gapAfter = 0, bool wide = false) {
    RecordingBuilder file;
    file.Setup("\n[SETUP START]\nNoChannels=2\nSampleFrequency=1000\n[SETUP STOP]\n").Header(2);
    for (std::uint32_t b = 0, skip = 0; b < blocks; ++b) {
        if (gapAfter != 0 && b == gapAfter) skip = 8;
        const auto value = [b](std::uint32_t j) { return static_cast<std::int32_t>(b * 8 + j); };
        file.Samples16(8, value, Block().SampleNo(b * 8));
        if (wide)
            file.Samples32(8, value, Block().SampleNo(b * 8 + skip).Id(1));
        else
            file.Samples16(8, value, Block().SampleNo(b * 8 + skip).Id(1));
    }
    return file;
}

}  // namespace tarn::test

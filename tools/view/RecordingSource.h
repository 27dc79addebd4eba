// The one recording a viewer serves: what it is (read once after the scan) and its samples,
// through the component's interfaces. The component object is not made for calls from several
// threads at once, so every call into it goes through one lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "tools/Command.h"

namespace tarn::tool {

struct ChannelFacts {
    LONG number = 0;
    std::string name, unit;
    std::vector<std::string> aliases;
    std::optional<double> factor;  // the correction factor, when the recording has one
    double scale = 1.0;            // what a stored value is multiplied by (1 without a usable factor)
    bool is32Bit = false;
    bool overrun = false;
    // The samples the channel holds, [first, end) (first = end: none).
    std::uint32_t first = 0, end = 0;
};

struct RecordingFacts {
    std::string fileName;
    std::uint64_t length = 0;
    std::optional<double> sampleFrequency;
    std::string date, time;  // as the recording gives them ("" when unknown)
    std::string start;       // ISO 8601 local time of the first sample, when date and time read as one
    std::vector<ChannelFacts> channels;
    std::vector<std::pair<int, long>> dcChannels;  // DC channel number, block count
};

// Sample numbers a request may name: what the component's sample calls take.
inline constexpr std::uint32_t kSampleLimit = 0x7FFFFFFF;
// An overview's count that asks for the raw samples of any range.
inline constexpr ULONG kAllValues = 0xFFFFFFFF;

class RecordingSource {
public:
    RecordingSource(Recording& recording, const std::string& path);

    const RecordingFacts& Facts() const { return m_Facts; }
    const ChannelFacts& Channel(LONG number) const { return m_Facts.channels[static_cast<std::size_t>(number - 1)]; }

    // The stored samples [from, to) of a channel up to the first one it lacks (to − from is the
    // caller's bound on memory).
    std::vector<LONG> Samples(LONG channel, std::uint32_t from, std::uint32_t to);
    // Whether the channel holds sample s.
    bool Holds(LONG channel, std::uint32_t s);
    // The first sample in [from, to) the channel holds, or to; a search that assumes one gap.
    std::uint32_t NextHeld(LONG channel, std::uint32_t from, std::uint32_t to);
    // The component's overview values (GetCompressed32BitSamples) of [from, to).
    std::vector<LONG> Overview(LONG channel, std::uint32_t from, std::uint32_t to, std::uint32_t values);

private:
    void ReadFacts(const std::string& path);
    std::uint32_t FirstHeld(LONG channel, std::uint32_t low, std::uint32_t high);

    Recording& m_Recording;
    std::mutex m_Lock;
    RecordingFacts m_Facts;
};

}  // namespace tarn::tool

// The one recording a viewer serves or a plot draws: what it is (gathered once after the scan)
// and its samples, through the component's interfaces. The component object is not made for calls from several
// threads at once, so every call into it goes through one lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "component/client/ComponentRecording.h"
#include "tools/Command.h"
#include "tools/RecordingFacts.h"

namespace tarn::tool {

// A channel as the viewer counts its samples: from the recording's base, as the overview's cache
// does.
struct ViewChannel {
    LONG number = 0;
    bool overrun = false;
    double scale = 1.0;  // what a stored value is multiplied by (1 without a usable factor)
    // The samples the channel holds, [first, end) (first = end: none).
    std::uint32_t first = 0, end = 0;
};

// Sample numbers a request may name: what the component's sample calls take.
inline constexpr std::uint32_t kSampleLimit = 0x7FFFFFFF;
// An overview's count that asks for the raw samples of any range.
inline constexpr ULONG kAllValues = 0xFFFFFFFF;

class RecordingSource {
public:
    RecordingSource(Recording& recording, const std::string& path);

    const RecordingFacts& Facts() const { return m_Facts; }
    // The time of the first sample as ISO 8601 local time, when date and time read as one; "".
    const std::string& Start() const { return m_Start; }
    const std::vector<ViewChannel>& Channels() const { return m_Channels; }
    const ViewChannel& Channel(LONG number) const { return m_Channels[static_cast<std::size_t>(number - 1)]; }

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
    ViewChannel Span(const ChannelFacts& facts, std::uint32_t common);

    Recording& m_Recording;
    std::mutex m_Lock;
    RecordingFacts m_Facts;
    std::string m_Start;
    std::vector<ViewChannel> m_Channels;
};

}  // namespace tarn::tool

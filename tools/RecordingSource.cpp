#include "tools/RecordingSource.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>


namespace tarn::tool {

namespace {

constexpr int kEndSearchGaps = 1000;

// The smallest s in [low, high] where found(s) holds, found being false up to some point and true
// from there on, and true at high.
std::uint32_t FirstWhere(std::uint32_t low, std::uint32_t high, const std::function<bool(std::uint32_t)>& found) {
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (found(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// From found(from) false: the smallest s in (from, limit] with found(s), searched in steps that
// double, then halved; limit when none of the steps finds one.
std::uint32_t FirstByDoubling(std::uint32_t from, std::uint32_t limit, const std::function<bool(std::uint32_t)>& found) {
    std::uint32_t low = from + 1;
    for (std::uint64_t step = 1; low < limit; step *= 2) {
        const auto probe = static_cast<std::uint32_t>(std::min<std::uint64_t>(from + step, limit));
        if (found(probe)) return FirstWhere(low, probe, found);
        low = probe + 1;
    }
    return limit;
}

// "17/MAY/2024" and "14:30:00:125" as "2024-05-17T14:30:00.125"; "" for anything else.
std::string IsoStart(const std::string& date, const std::string& time) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, milli = 0;
    char month[4] = {};
    char end = 0;
    if (std::sscanf(date.c_str(), "%2d/%3[A-Za-z]/%4d%c", &day, month, &year, &end) != 3 ||
        std::sscanf(time.c_str(), "%2d:%2d:%2d:%3d%c", &hour, &minute, &second, &milli, &end) != 4)
        return "";
    for (char& c : month) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto found = std::find_if(std::begin(kMonths), std::end(kMonths),
                                    [&](const char* name) { return std::string(name) == month; });
    if (found == std::end(kMonths) || day < 1 || day > 31 || year < 0 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 || milli < 0)
        return "";
    // Room for any int in each field, as the compiler counts.
    char iso[96];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year,
                  static_cast<int>(found - std::begin(kMonths)) + 1, day, hour, minute, second, milli);
    return iso;
}

}  // namespace

RecordingSource::RecordingSource(Recording& recording, const std::string& path)
    : m_Recording(recording), m_Facts(Gather(recording, path)), m_Start(IsoStart(m_Facts.date, m_Facts.time)) {
    LONG commonEnd = 0;
    m_Recording.reader2->GetLastSampleNumber(&commonEnd);
    for (const ChannelFacts& channel : m_Facts.channels)
        m_Channels.push_back(Span(channel, static_cast<std::uint32_t>(std::max<LONG>(commonEnd, 0))));
}

ViewChannel RecordingSource::Span(const ChannelFacts& facts, std::uint32_t common) {
    ViewChannel channel;
    const LONG c = channel.number = facts.number;
    channel.overrun = facts.overrun;
    if (facts.factor && *facts.factor != 0) channel.scale = *facts.factor;
    // Where the channel ends: searched from where every channel has samples.
    const auto held = [&](std::uint32_t s) { return Holds(c, s); };
    const auto lacked = [&](std::uint32_t s) { return !Holds(c, s); };
    if (common > 0 && held(common - 1)) {
        // Past gaps too (a bounded number of them): the search in doubling steps finds held
        // samples beyond a gap, if not every stretch between.
        std::uint32_t at = common - 1;
        for (int gaps = 0; gaps < kEndSearchGaps && at < kSampleLimit; ++gaps) {
            channel.end = FirstByDoubling(at, kSampleLimit, lacked);
            at = NextHeld(c, channel.end, kSampleLimit);
        }
    } else if (common > 0 && held(0)) {
        channel.end = FirstWhere(0, common - 1, lacked);
    }
    channel.first = channel.end > 0 && !held(0) ? FirstWhere(0, channel.end - 1, held) : 0;
    return channel;
}

std::vector<LONG> RecordingSource::Samples(LONG channel, std::uint32_t from, std::uint32_t to) {
    // Asked of the overview for "as many values as there are", which hands out the raw samples
    // counted from the recording's base, as its cache counts them (GetSamples32Bit counts from
    // the channel's own first sample: a channel that starts late would be drawn shifted).
    std::vector<LONG> values;
    if (from >= to || to > kSampleLimit) return values;
    const std::lock_guard<std::mutex> lock(m_Lock);
    tarn::client::Overview(*m_Recording.reader2.Get(), static_cast<ULONG>(channel), from, to, kAllValues, true, values);
    if (values.size() > to - from) values.clear();  // never more than the range holds
    return values;
}

bool RecordingSource::Holds(LONG channel, std::uint32_t s) { return s < kSampleLimit && !Samples(channel, s, s + 1).empty(); }

std::uint32_t RecordingSource::NextHeld(LONG channel, std::uint32_t from, std::uint32_t to) {
    if (from >= to || Holds(channel, from)) return from;
    const std::uint32_t found = FirstByDoubling(from, to - 1, [&](std::uint32_t s) { return Holds(channel, s); });
    return found == to - 1 && !Holds(channel, found) ? to : found;
}

std::vector<LONG> RecordingSource::Overview(LONG channel, std::uint32_t from, std::uint32_t to, std::uint32_t values) {
    std::vector<LONG> out;
    const std::lock_guard<std::mutex> lock(m_Lock);
    tarn::client::Overview(*m_Recording.reader2.Get(), static_cast<ULONG>(channel), from, to, values, true, out);
    return out;
}

}  // namespace tarn::tool

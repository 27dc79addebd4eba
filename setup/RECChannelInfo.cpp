#include "setup/RECChannelInfo.h"

#include "debug/QVDebug.h"
#include "platform/platform.h"

#include <cstdio>
#include <string_view>

namespace tarn {

namespace {

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The lists of a server's answer, taken apart field by field without copying the rest.
class FieldList {
public:
    explicit FieldList(std::string_view text) : m_Rest(text) {}

    // The text up to the next TAB, which is then skipped; without a TAB the whole rest, which
    // stays (every later field is the same).
    std::string_view Next() {
        const std::size_t tab = m_Rest.find('\t');
        if (tab == std::string_view::npos) return m_Rest;
        const std::string_view field = m_Rest.substr(0, tab);
        m_Rest.remove_prefix(tab + 1);
        return field;
    }

    // When the next alias entry carries name: its aliases (between the TAB after the name and
    // the closing character before "]"), and the entry is used up. Otherwise false, the entry
    // stays for a later channel.
    bool NextAliases(std::string_view name, std::string_view& aliases) {
        const std::size_t bracket = m_Rest.find('[');
        const std::size_t tab = m_Rest.find('\t');
        const std::size_t start = bracket == std::string_view::npos ? 0 : bracket + 1;
        const bool tabEnds = tab != std::string_view::npos && (bracket == std::string_view::npos || tab > bracket);
        const std::size_t end = tabEnds ? tab : m_Rest.size();
        if (m_Rest.substr(start, end - start) != name || !tabEnds) return false;
        // Looked for after the TAB: a "]" inside a name would otherwise end the entry before it
        // begins.
        const std::size_t close = m_Rest.find(']', tab + 1);
        if (close == std::string_view::npos) return false;
        aliases = m_Rest.substr(tab + 1, close > tab + 1 ? close - tab - 2 : 0);
        m_Rest.remove_prefix(close + 1);
        return true;
    }

private:
    std::string_view m_Rest;
};

}  // namespace

void FormatRECDateTime(double startTime, std::string& date, std::string& time) {
    // Beyond the 64-bit range (and NaN) no conversion happens: the local-time call rejects it.
    constexpr double kLimit = 9.2e18;
    const bool inRange = startTime > -kLimit && startTime < kLimit;
    const std::int64_t seconds = inRange ? static_cast<std::int64_t>(startTime) : -1;
    const std::int32_t milliseconds =
        inRange ? static_cast<std::int32_t>((startTime - static_cast<double>(seconds)) * 1000.0) : 0;
    std::tm local{};
    const bool converted = platform::LocalTime64(seconds, local) && local.tm_mon >= 0 && local.tm_mon < 12;
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%s/%4d", converted ? local.tm_mday : 0,
                  converted ? kMonths[local.tm_mon] : "", converted ? local.tm_year + 1900 : 0);
    date = text;
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d", converted ? local.tm_hour : -1,
                  converted ? local.tm_min : -1, converted ? local.tm_sec : -1, static_cast<int>(milliseconds));
    time = text;
}

bool StoreRECChannelInfo(const RECChannelInfo& info, CParamList& params) {
    std::string date, time;
    FormatRECDateTime(info.startTime, date, time);
    if (!params.SetParameter(0, "Date", date) || !params.SetParameter(0, "Time", time)) return false;
    FieldList names(info.signalNames), units(info.units), aliases(info.aliases);
    for (std::int32_t channel = 1; channel <= info.channelCount; ++channel) {
        const std::string name(names.Next());
        if (!params.SetParameter(channel, "Unit", units.Next())) break;
        if (!params.SetParameter(channel, "OrgSignalName", name) || !params.SetParameter(channel, "SignalName", name)) break;
        QV_TRACE("TARN", 1, "Signal = %s <=> Channel number %u", name.c_str(), static_cast<unsigned>(channel - 1));
        std::string_view channelAliases;
        if (aliases.NextAliases(name, channelAliases) && !params.SetParameter(channel, "SignalAliases", channelAliases)) break;
    }
    return true;
}

}  // namespace tarn

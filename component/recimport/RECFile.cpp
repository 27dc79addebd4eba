#include "component/recimport/RECFile.h"

#include "platform/Ascii.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string_view>

namespace tarn::recimport {

namespace {

constexpr std::int64_t kMaxFileBytes = 1 << 20;
constexpr int kMaxChannels = 65536;

struct IgnoringCase {
    bool operator()(const std::string& a, const std::string& b) const { return platform::CompareIgnoringCase(a, b) < 0; }
};
// Section name to its keys and values; the first of a name counts.
using Sections = std::map<std::string, std::map<std::string, std::string, IgnoringCase>, IgnoringCase>;

bool IsDigit(char c) { return platform::DigitValue(c) < 10; }

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
}

Sections ReadSections(std::string_view text) {
    Sections sections;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            section = std::string(Trimmed(line.substr(1, line.size() - 2)));
        } else if (!line.empty() && line.front() != ';' && equals != std::string_view::npos) {
            sections[section].emplace(std::string(Trimmed(line.substr(0, equals))), std::string(Trimmed(line.substr(equals + 1))));
        }
    }
    return sections;
}

std::string Value(const Sections& sections, const std::string& section, const std::string& key) {
    const auto found = sections.find(section);
    if (found == sections.end()) return {};
    const auto value = found->second.find(key);
    return value == found->second.end() ? std::string() : value->second;
}

// "YYYY-MM-DD hh:mm:ss[.fff]" as local time, in seconds since 1970 UTC.
bool ParseStart(const std::string& text, double& seconds) {
    std::tm local{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &local.tm_year, &local.tm_mon, &local.tm_mday,
                    &local.tm_hour, &local.tm_min, &local.tm_sec, &consumed) != 6) {
        return false;
    }
    // mktime would move a 13th month into the next year: such a text is no time.
    if (local.tm_mon < 1 || local.tm_mon > 12 || local.tm_mday < 1 || local.tm_mday > 31 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 60 || local.tm_hour < 0 || local.tm_min < 0 || local.tm_sec < 0) {
        return false;
    }
    double fraction = 0.0;
    std::string_view rest = std::string_view(text).substr(static_cast<std::size_t>(consumed));
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        // Milliseconds at most: a fourth decimal is refused below.
        for (double scale = 0.1; !rest.empty() && IsDigit(rest.front()) && scale > 0.0005; scale /= 10) {
            fraction += (rest.front() - '0') * scale;
            rest.remove_prefix(1);
        }
    }
    if (!rest.empty()) return false;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t time = std::mktime(&local);
    seconds = static_cast<double>(time) + fraction;
    return time != static_cast<std::time_t>(-1);
}

// The server's answer separates fields with TAB, ends an alias entry with "]" and a list with
// a zero character: a value holding one of them would shift or cut every later field, so each
// becomes "?", as characters the code page lacks do.
constexpr std::string_view kFieldBreakers("\t\0", 2);
constexpr std::string_view kAliasBreakers("\t\0]", 3);

std::string Field(std::string_view text, std::string_view breakers) {
    std::string field(text);
    for (std::size_t at = field.find_first_of(breakers); at != std::string::npos; at = field.find_first_of(breakers, at))
        field[at] = '?';
    return field;
}

std::vector<std::string> Aliases(std::string_view text) {
    std::vector<std::string> aliases;
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        const std::string_view alias = Trimmed(text.substr(0, end));
        if (!alias.empty()) aliases.push_back(Field(alias, kAliasBreakers));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return aliases;
}

}  // namespace

bool ParseRECFile(std::string_view text, RECFile& file) {
    const Sections sections = ReadSections(text);
    const std::string count = Value(sections, "Recording", "Channels");
    int channels = 0;
    for (char c : count) {
        if (!IsDigit(c) || channels > kMaxChannels) return false;
        channels = channels * 10 + (c - '0');
    }
    if (channels < 1 || channels > kMaxChannels || !ParseStart(Value(sections, "Recording", "Start"), file.startTime)) {
        return false;
    }
    file.channels.clear();
    for (int n = 1; n <= channels; ++n) {
        const std::string section = "Channel " + std::to_string(n);
        file.channels.push_back(RECChannel{Field(Value(sections, section, "Name"), kFieldBreakers),
                                           Field(Value(sections, section, "Unit"), kFieldBreakers),
                                           Aliases(Value(sections, section, "Aliases"))});
    }
    return true;
}

bool ReadRECFile(const std::string& path, RECFile& file) {
    platform::File stream;
    if (!stream.Open(path, platform::File::Mode::Read)) return false;
    const std::int64_t length = stream.Length();
    if (length < 0 || length > kMaxFileBytes) return false;
    std::string text(static_cast<std::size_t>(length), '\0');
    return stream.Read(text.data(), text.size()) == text.size() && ParseRECFile(text, file);
}

}  // namespace tarn::recimport

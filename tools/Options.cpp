#include "tools/Options.h"

#include <algorithm>
#include <charconv>

namespace tarn::tool {

namespace {

template <typename Number>
bool ParseWhole(const std::string& text, Number& value) {
    Number parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (error != std::errc() || stop != end) return false;
    value = parsed;
    return true;
}

bool Names(std::initializer_list<const char*> names, const std::string& option) {
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return option == name; });
}

}  // namespace

bool ParseNumber(const std::string& text, LONG& value) { return ParseWhole(text, value); }
bool ParseNumber(const std::string& text, ULONG& value) { return ParseWhole(text, value); }

bool ParseOptions(const Arguments& args, std::size_t first, std::initializer_list<const char*> valued,
                  std::initializer_list<const char*> flags, std::map<std::string, std::string>& options) {
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& name = args[i];
        std::string value;
        if (Names(valued, name)) {
            if (++i == args.size()) return false;
            value = args[i];
        } else if (!Names(flags, name)) {
            return false;
        }
        if (!options.emplace(name, value).second) return false;
    }
    return true;
}

bool ParseChannelList(const std::string& text, LONG count, std::vector<LONG>& channels) {
    channels.clear();
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        LONG channel = 0;
        if (!ParseNumber(text.substr(at, comma - at), channel) || channel < 1 || channel > count) return false;
        channels.push_back(channel);
        at = comma + 1;
    }
    return true;
}

bool RangeOptions(const std::map<std::string, std::string>& options, ULONG& from, ULONG& to) {
    const auto number = [&](const char* name, ULONG& value) {
        const auto found = options.find(name);
        return found == options.end() || ParseNumber(found->second, value);
    };
    return number("--from", from) && number("--to", to);
}

}  // namespace tarn::tool

#include "tools/view/QueryParameters.h"

#include <algorithm>
#include <charconv>

namespace tarn::tool {

QueryParameters::QueryParameters(const QueryItems& items, std::initializer_list<const char*> known) : m_Items(items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& name = items[i].first;
        if (std::none_of(known.begin(), known.end(), [&](const char* k) { return name == k; }))
            throw BadParameter(name, "unknown parameter");
        for (std::size_t j = 0; j < i; ++j) {
            if (items[j].first == name) throw BadParameter(name, "given more than once");
        }
    }
}

std::uint32_t QueryParameters::Number(const std::string& name, std::uint32_t low, std::uint32_t high) const {
    const auto found = std::find_if(m_Items.begin(), m_Items.end(), [&](const auto& item) { return item.first == name; });
    if (found == m_Items.end()) throw BadParameter(name, "missing");
    const std::string& text = found->second;
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size())
        throw BadParameter(name, "not a whole number");
    if (value < low || value > high)
        throw BadParameter(name, "outside " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<std::uint32_t>(value);
}

}  // namespace tarn::tool

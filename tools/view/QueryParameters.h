// The parameters of an API request, checked: only the names a request knows, each at most once,
// and whole numbers within their bounds. A parameter that fails is named in a BadParameter.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarn::tool {

using QueryItems = std::vector<std::pair<std::string, std::string>>;

class BadParameter : public std::runtime_error {
public:
    BadParameter(std::string parameter, const std::string& message)
        : std::runtime_error(message), m_Parameter(std::move(parameter)) {}
    const std::string& Parameter() const { return m_Parameter; }

private:
    std::string m_Parameter;
};

class QueryParameters {
public:
    // Throws BadParameter for a name outside known or a name given twice.
    QueryParameters(const QueryItems& items, std::initializer_list<const char*> known);
    // The decimal number named, within [low, high]; throws BadParameter when it is missing, not
    // a plain decimal number or outside the bounds.
    std::uint32_t Number(const std::string& name, std::uint32_t low, std::uint32_t high) const;

private:
    const QueryItems& m_Items;
};

}  // namespace tarn::tool

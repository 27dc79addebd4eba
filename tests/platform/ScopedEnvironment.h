// Sets (or removes) environment variables for one test and restores them afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn::test {

class ScopedEnvironment {
public:
    ~ScopedEnvironment() {
        for (auto it = m_Saved.rbegin(); it != m_Saved.rend(); ++it) Put(it->first, it->second);
    }

    // nullopt removes the variable.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        m_Saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        Put(name, value);
    }

private:
    static void Put(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
        _putenv_s(name.c_str(), value ? value->c_str() : "");   // "" removes it
#else
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
#endif
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_Saved;
};

}  // namespace tarn::test

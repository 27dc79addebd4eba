// A fresh directory under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tarn::test {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_Path = base / ("tarn-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(m_Path)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_Path; }
    // Full path of a file in the directory, as a narrow string the component can take.
    std::string file(const std::string& name) const { return (m_Path / name).string(); }

    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::string p = file(name);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    std::string write(const std::string& name, const std::string& text) const {
        return write(name, std::vector<unsigned char>(text.begin(), text.end()));
    }

private:
    std::filesystem::path m_Path;
};

}  // namespace tarn::test

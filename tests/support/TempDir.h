// A fresh directory under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::test {

class TempDir {
public:
    TempDir() {
        std::random_device random;
        do m_Path = std::filesystem::temp_directory_path() / ("tarn-test-" + std::to_string(random()));
        while (!std::filesystem::create_directory(m_Path));
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_Path; }
    // Full path of a file in the directory, as a narrow string the component can take.
    std::string file(const std::string& name) const { return (m_Path / name).string(); }

    std::string write(const std::string& name, std::string_view bytes) const {
        const std::string path = file(name);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        return write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

private:
    std::filesystem::path m_Path;
};

}  // namespace tarn::test

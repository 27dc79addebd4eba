#include "fuzz/FuzzSupport.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace tarn::fuzz {

ScratchFolder& ScratchFolder::Get() {
    static ScratchFolder folder;
    return folder;
}

ScratchFolder::ScratchFolder() {
    // Several fuzzing processes may run at once (-jobs): each takes a folder of its own.
    std::random_device random;
    std::filesystem::path path;
    do path = std::filesystem::temp_directory_path() / ("tarn-fuzz-" + std::to_string(random()));
    while (!std::filesystem::create_directory(path));
    m_Path = path.string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

std::string ScratchFolder::Write(const std::string& name, std::string_view bytes) const {
    const std::string path = (std::filesystem::path(m_Path) / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace tarn::fuzz

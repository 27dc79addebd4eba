// What the fuzz targets share: a scratch folder for the files an input becomes, and the split of
// an input into its body and the bytes that choose a target's arguments.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn::fuzz {

// A folder of the process's own under the temporary folder, made on first use and removed when
// the process ends. Inputs become files there, one name per role, overwritten by the next input.
class ScratchFolder {
public:
    static ScratchFolder& Get();
    const std::string& Path() const { return m_Path; }
    // Writes bytes as the file name in the folder and returns its full path.
    std::string Write(const std::string& name, std::string_view bytes) const;

    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
    ScratchFolder();
    std::string m_Path;
};

// The input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// An input whose last kArgumentBytes bytes (when it has more) choose the arguments of the calls;
// the rest is the body the target parses. Arguments past those bytes read as 0.
class SplitInput {
public:
    static constexpr std::size_t kArgumentBytes = 16;

    SplitInput(const std::uint8_t* data, std::size_t size)
        : m_BodySize(size > kArgumentBytes ? size - kArgumentBytes : size),
          m_Body(AsText(data, m_BodySize)),
          m_Arguments(data + m_BodySize, size - m_BodySize) {}

    std::string_view Body() const { return m_Body; }
    FuzzedDataProvider& Arguments() { return m_Arguments; }

private:
    std::size_t m_BodySize;
    std::string_view m_Body;
    FuzzedDataProvider m_Arguments;
};

}  // namespace tarn::fuzz

// A writer on a fresh file, and what it has put into the file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/LittleEndian.h"
#include "format/RecordingLayout.h"
#include "writer/CQVDataRecorderWriter.h"

namespace tarn::test {

using Bytes = std::vector<unsigned char>;
constexpr auto Ok = WriterStatus::Ok;
constexpr auto Failed = WriterStatus::Failed;
constexpr auto Invalid = WriterStatus::InvalidArgument;
constexpr auto Null = WriterStatus::NullPointer;

// count bytes 0, 1, 2, ... (mod 251, so that no run repeats at a power of two).
inline Bytes Pattern(std::size_t count) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(i % 251);
    return out;
}

// Samples as the block operations take them: little-endian, consecutive.
inline Bytes SampleBytes(const std::vector<std::int32_t>& samples, bool is32Bit) {
    Bytes out(samples.size() * (is32Bit ? 4 : 2));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (is32Bit)
            le::WriteU32(&out[i * 4], static_cast<std::uint32_t>(samples[i]));
        else
            le::WriteU16(&out[i * 2], static_cast<std::uint16_t>(samples[i]));
    }
    return out;
}

// A DC block as a client builds it: entry i has DC channel key 10 + i, status i and the value
// firstValue + i.
inline Bytes DCBlock(std::uint32_t sampleNo, std::uint8_t entries, std::uint32_t firstValue = 0xABC00) {
    Bytes block(12 + 8u * entries);
    layout::DCBlockHeader(sampleNo, entries).Encode(block.data());
    for (std::uint8_t i = 0; i < entries; ++i) {
        layout::ChannelEntry{static_cast<std::uint16_t>(10 + i), i}.Encode(&block[12 + 4u * i]);
        le::WriteU32(&block[12 + 4u * entries + 4u * i], firstValue + i);
    }
    return block;
}

class WrittenFile {
public:
    explicit WrittenFile(std::string path) : m_Path(std::move(path)) {
        if (!m_File.Open(m_Path, platform::File::Mode::Create)) throw std::runtime_error("cannot create " + m_Path);
        m_Writer = std::make_unique<CQVDataRecorderWriter>(m_File);
    }
    CQVDataRecorderWriter* operator->() { return m_Writer.get(); }
    CQVDataRecorderWriter& operator*() { return *m_Writer; }

    // The file from offset on, as it stands (buffered data included).
    std::string Text(std::int64_t offset = 0) {
        std::ifstream in = Stream(offset);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::uint32_t U32At(std::int64_t offset) {
        unsigned char field[4] = {};
        Stream(offset).read(reinterpret_cast<char*>(field), sizeof field);
        return le::ReadU32(field);
    }

    // channels declared, a REC info of 16 bytes, the setup chunk and the file header written.
    void Start(std::int32_t channels, std::int32_t firstSampleNumber) {
        const Bytes info = Pattern(16);
        ASSERT_EQ(m_Writer->SetNumberOfChannels(channels), Ok);
        ASSERT_EQ(m_Writer->SetRECInfoArray(16, info.data()), Ok);
        ASSERT_EQ(m_Writer->WriteSetupSection(), Ok);
        ASSERT_EQ(m_Writer->InitializeBinaryDataSection(firstSampleNumber), Ok);
    }

    const std::string m_Path;
    platform::File m_File;

private:
    std::ifstream Stream(std::int64_t offset) {
        m_File.Flush();
        std::ifstream in(m_Path, std::ios::binary);
        in.seekg(offset);
        return in;
    }

    std::unique_ptr<CQVDataRecorderWriter> m_Writer;
};

}  // namespace tarn::test

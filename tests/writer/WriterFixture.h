// What the writer's clients hand it (samples, DC blocks, REC info), and a writer on a fresh file
// with what it has put into the file.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "format/LittleEndian.h"
#include "format/RecordingBuilder.h"
#include "tests/support/TempDir.h"
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
    for (std::size_t i = 0; i < samples.size(); ++i)
        is32Bit ? le::WriteU32(&out[i * 4], static_cast<std::uint32_t>(samples[i]))
                : le::WriteU16(&out[i * 2], static_cast<std::uint16_t>(samples[i]));
    return out;
}

// count samples i * 7919 - 40000.
inline std::vector<std::int32_t> Ramp(std::int32_t count) {
    std::vector<std::int32_t> v(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) v[static_cast<std::size_t>(i)] = i * 7919 - 40000;
    return v;
}

// A DC block as a client builds it: entry i has key 10 + i, status i and the value firstValue + i.
inline Bytes DCBlock(std::uint32_t sampleNo, std::uint8_t entries, std::uint32_t firstValue = 0xABC00) {
    std::vector<DCValue> values;
    for (std::uint8_t i = 0; i < entries; ++i) values.push_back({static_cast<std::uint16_t>(10 + i), i, firstValue + i});
    return RecordingBuilder().DC(values, Block().SampleNo(sampleNo)).bytes();
}
inline std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
inline const unsigned char* Data(const char* bytes) { return reinterpret_cast<const unsigned char*>(bytes); }

// The file faults of the process (platform::SetFileFaults) for the life of the object.
class ScopedFileFaults {
public:
    // readBytes, writeBytes: what reads and writes may still move (-1: no end); readChunk: the
    // most one read delivers (0: no limit).
    explicit ScopedFileFaults(std::int64_t writeBytes, std::int64_t readBytes = -1, std::size_t readChunk = 0,
                              bool seeksFail = false) {
        platform::FileFaults faults;
        faults.writeBytes = writeBytes;
        faults.readBytes = readBytes;
        faults.readChunk = readChunk;
        faults.seeksFail = seeksFail;
        platform::SetFileFaults(faults);
    }
    ~ScopedFileFaults() { platform::ClearFileFaults(); }
    ScopedFileFaults(const ScopedFileFaults&) = delete;
    ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;
};

class WrittenFile {
public:
    WrittenFile(const TempDir& dir, const std::string& name) : m_Path(dir.file(name)) {
        EXPECT_TRUE(m_File.Open(m_Path, platform::File::Mode::Create));
        m_Writer = std::make_unique<CQVDataRecorderWriter>(m_File);
    }
    CQVDataRecorderWriter* operator->() { return m_Writer.get(); }
    CQVDataRecorderWriter& operator*() { return *m_Writer; }

    // The file from offset on, as it stands (buffered data included).
    std::string Text(std::int64_t offset = 0) {
        m_File.Flush();
        std::ifstream in(m_Path, std::ios::binary);
        in.seekg(offset);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // What the writer appends for call, which must give `expected`.
    template <class Call> std::string Appended(Call&& call, WriterStatus expected = Ok) {
        const std::size_t end = Text().size();
        EXPECT_EQ(call(), expected);
        return Text(static_cast<std::int64_t>(end));
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
    std::unique_ptr<CQVDataRecorderWriter> m_Writer;
};

}  // namespace tarn::test

// The walks' window over small spans, so that steps cross from one span to the next (and the
// read ahead is collected, passed over or refused) as they do every megabyte in real recordings.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "reader/FileWindow.h"
#include "tests/support/TempDir.h"

namespace tarn::test {
namespace {

constexpr std::size_t kSpan = 64;

unsigned char At(std::int64_t i, unsigned char salt = 0) { return static_cast<unsigned char>(i * 7 + i / 251 + salt); }

struct WindowOnFile {
    TempDir dir;
    std::string path;
    platform::File file;
    platform::RandomAccessFile positional;

    WindowOnFile(std::size_t bytes, bool ahead) {
        Write(bytes, 0);
        EXPECT_TRUE(file.Open(path, platform::File::Mode::Read));
        file.SetBufferSize(0);  // as the reader has it: the window is the only buffer
        if (ahead) {
            EXPECT_TRUE(positional.Open(path));
        }
    }
    void Write(std::size_t bytes, unsigned char salt) {
        std::vector<unsigned char> data(bytes);
        for (std::size_t i = 0; i < bytes; ++i) data[i] = At(static_cast<std::int64_t>(i), salt);
        path = dir.write("window.bin", data);
    }
};

// Steps of a walk: from where (-1: on from the last step), how many bytes, taken in place or read.
struct Step {
    std::int64_t seek;
    std::size_t bytes;
    bool take;
};

class FileWindowWalk : public ::testing::TestWithParam<bool> {};

TEST_P(FileWindowWalk, GivesTheFileAcrossSpans) {
    constexpr std::size_t kFile = 1000;
    WindowOnFile f(kFile, GetParam());
    FileWindow window(f.file, kSpan, &f.positional);
    const Step steps[] = {
        {0, 16, true},     {-1, 40, true},  {-1, 16, true},  // the third crosses into the next span
        {-1, 16, false},   {-1, 200, false},                 // more than a span goes straight in
        {10, 30, true},    {900, 64, false}, {-1, 64, false}, // backwards, then across the end
        {600, 20, true},   {-1, 60, true},
    };
    std::int64_t at = 0;
    for (const Step& s : steps) {
        if (s.seek >= 0) window.Seek(at = s.seek);
        const auto expected = static_cast<std::size_t>(std::min<std::int64_t>(s.bytes, kFile - at));
        std::vector<unsigned char> got(s.bytes);
        if (s.take) {
            const unsigned char* in = window.Take(s.bytes);
            if (in == nullptr) {
                EXPECT_EQ(window.Tell(), at) << "a refused take moved the window";
                ASSERT_EQ(window.Read(got.data(), s.bytes), expected);
            } else {
                std::memcpy(got.data(), in, s.bytes);
            }
        } else {
            ASSERT_EQ(window.Read(got.data(), s.bytes), expected);
        }
        for (std::size_t i = 0; i < expected; ++i) ASSERT_EQ(got[i], At(at + i)) << "at " << at + i;
        at += static_cast<std::int64_t>(expected);
        EXPECT_EQ(window.Tell(), at);
    }
}

// A file rewritten under a dropped window is read afresh, also the span read ahead meanwhile.
TEST_P(FileWindowWalk, DropForgetsTheSpanReadAhead) {
    WindowOnFile f(4 * kSpan, GetParam());
    FileWindow window(f.file, kSpan, &f.positional);
    unsigned char byte = 0;
    ASSERT_EQ(window.Read(&byte, 1), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the next span is read meanwhile
    f.Write(4 * kSpan, 99);
    window.Drop();
    window.Seek(kSpan);
    ASSERT_EQ(window.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, At(kSpan, 99));
}

INSTANTIATE_TEST_SUITE_P(ReadAhead, FileWindowWalk, ::testing::Bool());

}  // namespace
}  // namespace tarn::test

// File streams and file search.
#include "platform/platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using tarn::platform::File;

class FileTest : public ::testing::Test {
protected:
    tarn::test::TempDir m_Dir;
    std::string m_Path = m_Dir.file("data.bin");
};

TEST_F(FileTest, WriteReadBackSeekAndShortReadAtEnd) {
    File file;
    ASSERT_TRUE(file.Open(m_Path, File::Mode::Create));
    file.SetBufferSize(16);   // smaller than the data: the buffer is refilled on the way
    EXPECT_EQ(file.Write("0123456789abcdefghij", 20), 20u);
    EXPECT_EQ(file.Length(), 20);   // counts what is still buffered
    File moved(std::move(file));   // keeps stream and buffer
    EXPECT_FALSE(file.IsOpen());
    moved.Close();

    ASSERT_TRUE(file.Open(m_Path, File::Mode::Read));
    char data[32] = {};
    EXPECT_TRUE(file.Seek(5));
    EXPECT_EQ(file.Length(), 20);
    EXPECT_EQ(file.Tell(), 5);   // Length leaves the position alone
    EXPECT_EQ(file.Read(data, 3), 3u);
    EXPECT_EQ(std::string(data, 3), "567");
    EXPECT_TRUE(file.Skip(2));
    EXPECT_EQ(file.Read(data, 32), 10u);
    EXPECT_EQ(std::string(data, 10), "abcdefghij");
    EXPECT_EQ(file.Read(data, 32), 0u);
    EXPECT_FALSE(file.Seek(-1));
}

TEST_F(FileTest, ReadWriteSwitchesWithoutSeeks) {
    m_Dir.write("data.bin", "aaaaaaaa");
    File file;
    ASSERT_TRUE(file.Open(m_Path, File::Mode::ReadWrite));
    char data[8];
    EXPECT_EQ(file.Read(data, 2), 2u);
    EXPECT_EQ(file.Write("XY", 2), 2u);
    EXPECT_EQ(file.Read(data, 2), 2u);
    EXPECT_TRUE(file.Flush());
    ASSERT_TRUE(file.Seek(0));
    ASSERT_EQ(file.Read(data, 8), 8u);
    EXPECT_EQ(std::string(data, 8), "aaXYaaaa");
}

TEST_F(FileTest, OpenFailuresAndTruncation) {
    File file;
    EXPECT_FALSE(file.Open(m_Path, File::Mode::ReadWrite));   // does not create
    EXPECT_FALSE(file.Open(m_Dir.path().string(), File::Mode::Read));   // a directory
    char byte;
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.Length(), -1);
    m_Dir.write("data.bin", "old contents");
    ASSERT_TRUE(file.Open(m_Path, File::Mode::Create));
    EXPECT_EQ(file.Length(), 0);
}

#ifndef _WIN32
// Windows has no FIFOs in the file system. On POSIX opening one must neither block (no writer
// will come) nor succeed.
TEST_F(FileTest, FifoIsNotAFile) {
    ASSERT_EQ(mkfifo(m_Path.c_str(), 0600), 0);
    File file;
    EXPECT_FALSE(file.Open(m_Path, File::Mode::Read));
    EXPECT_FALSE(file.Open(m_Path, File::Mode::Create));
    EXPECT_EQ(tarn::platform::ProfileInt(m_Path.c_str(), "Section", "Key", 6), 6);
}
#endif

// Positions past 4 GiB must not be cut to 32 bits. Seeking does not allocate anything; the one
// byte written at 5 GiB needs a file system with sparse files.
TEST_F(FileTest, PositionsBeyondFourGiB) {
    const std::int64_t far = 5LL << 30;
    File file;
    ASSERT_TRUE(file.Open(m_Path, File::Mode::Create));
    ASSERT_TRUE(file.Seek(far));
    EXPECT_TRUE(file.Skip(far));
    EXPECT_EQ(file.Tell(), 2 * far);
    ASSERT_TRUE(file.Seek(far));
    if (file.Write("z", 1) != 1 || !file.Flush()) GTEST_SKIP() << "no sparse 5 GiB file here";
    EXPECT_EQ(file.Length(), far + 1);
}

TEST(FindFirst, PatternsOrderAndCase) {
    tarn::test::TempDir dir;
    for (const char* name : {"b.REC", "a.REC", "c.txt", "[x].dat"}) dir.write(name, "");
    const struct {
        const char* mask;
        const char* expected;   // nullptr: no match
    } cases[] = {
        {"?.txt", "c.txt"}, {"[x]*", "[x].dat"}, {"c.tx", nullptr}, {"", nullptr},
#ifndef _WIN32
        {"*.REC", "a.REC"},   // POSIX takes the bytewise first: readdir order means nothing
        {"*.rec", nullptr},   // POSIX file names do not ignore case
#else
        {"*.rec", "?"},       // Windows gives the file system's order and ignores case
#endif
    };
    for (const auto& c : cases) {
        std::string found;
        EXPECT_EQ(tarn::platform::FindFirstFile(dir.path().string() + "/" + c.mask, found), c.expected != nullptr) << c.mask;
        if (!c.expected) continue;
        if (*c.expected == '?') {
            EXPECT_TRUE(found == "a.REC" || found == "b.REC") << found;
        } else {
            EXPECT_EQ(found, c.expected) << c.mask;
        }
    }
    std::string found;
    EXPECT_FALSE(tarn::platform::FindFirstFile(dir.file("missing") + "/*", found));
    ASSERT_TRUE(tarn::platform::FindFirstFile(dir.path().string() + "/*", found));
    EXPECT_TRUE(found != "." && found != "..") << found;
}

}  // namespace

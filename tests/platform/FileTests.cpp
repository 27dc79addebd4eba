// File streams.
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
    EXPECT_EQ(file.Read(data, 32), 15u);
    EXPECT_EQ(std::string(data, 15), "56789abcdefghij");
    EXPECT_EQ(file.Read(data, 32), 0u);
    EXPECT_FALSE(file.Seek(-1));
    // A directory is no file; a failed open leaves a closed file that answers nothing.
    EXPECT_FALSE(file.Open(m_Dir.path().string(), File::Mode::Read));
    EXPECT_EQ(file.Read(data, 1), 0u);
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.Length(), -1);
    ASSERT_TRUE(file.Open(m_Path, File::Mode::Create));   // truncates
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

// Positions past 4 GiB must not be cut to 32 bits. The one byte written at 5 GiB needs a file
// system with sparse files.
TEST_F(FileTest, PositionsBeyondFourGiB) {
    const std::int64_t far = 5LL << 30;
    File file;
    ASSERT_TRUE(file.Open(m_Path, File::Mode::Create));
    ASSERT_TRUE(file.Seek(far));
    EXPECT_EQ(file.Tell(), far);
    if (file.Write("z", 1) != 1 || !file.Flush()) GTEST_SKIP() << "no sparse 5 GiB file here";
    EXPECT_EQ(file.Length(), far + 1);
}

}  // namespace

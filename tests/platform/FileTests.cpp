// File streams.
#include "platform/platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using tarn::platform::File;

TEST(File, WriteReadBackSeekAndShortReadAtEnd) {
    tarn::test::TempDir dir;
    const std::string path = dir.file("data.bin");
    File file;
    ASSERT_TRUE(file.Open(path, File::Mode::Create));
    file.SetBufferSize(16);   // smaller than the data: the buffer is refilled on the way
    EXPECT_EQ(file.Write("0123456789abcdefghij", 20), 20u);
    EXPECT_EQ(file.Length(), 20);   // counts what is still buffered
    File(std::move(file)).Close();   // the move keeps stream and buffer
    ASSERT_TRUE(file.Open(path, File::Mode::Read));
    char data[32] = {};
    EXPECT_TRUE(file.Seek(5));
    EXPECT_EQ(file.Length(), 20);
    EXPECT_EQ(file.Tell(), 5);   // Length leaves the position alone
    EXPECT_EQ(file.Read(data, 32), 15u);
    EXPECT_EQ(std::string(data, 15), "56789abcdefghij");
    EXPECT_FALSE(file.Seek(-1));
    // A directory is no file; a failed open leaves a closed file that answers nothing.
    EXPECT_FALSE(file.Open(dir.path().string(), File::Mode::Read));
    EXPECT_EQ(file.Read(data, 1), 0u);
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.Length(), -1);
#ifndef _WIN32
    // Nor is a FIFO: opening one must neither block (no writer will come) nor succeed.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(file.Open(dir.file("fifo"), File::Mode::Read));
    EXPECT_FALSE(file.Open(dir.file("fifo"), File::Mode::Create));
#endif
    // Create truncates, and positions past 4 GiB are not cut to 32 bits (the byte written at
    // 5 GiB needs a file system with sparse files).
    ASSERT_TRUE(file.Open(path, File::Mode::Create));
    EXPECT_EQ(file.Length(), 0);
    const std::int64_t far = 5LL << 30;
    ASSERT_TRUE(file.Seek(far));
    EXPECT_EQ(file.Tell(), far);
    if (file.Write("z", 1) != 1 || !file.Flush()) GTEST_SKIP() << "no sparse 5 GiB file here";
    EXPECT_EQ(file.Length(), far + 1);
}

}  // namespace

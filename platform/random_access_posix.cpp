// RandomAccessFile on POSIX: a descriptor and pread.
#include "platform/RandomAccessFile.h"
#include "platform/platform_os.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::platform {

// O_NONBLOCK keeps the open of a FIFO from waiting; only a regular file is kept. Close-on-exec,
// because the component lives in someone else's process.
bool RandomAccessFile::Open(const std::string& name) {
    Close();
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        return false;
    }
    m_Handle = fd;
    return true;
}

void RandomAccessFile::Release() { close(static_cast<int>(m_Handle)); }

std::size_t RandomAccessFile::ReadSome(std::int64_t offset, unsigned char* data, std::size_t bytes) const {
    for (;;) {
        const std::size_t allowed = os::AllowedRead(bytes);
        if (allowed == 0) return 0;
        os::CountFileCall();
        const ssize_t got = pread(static_cast<int>(m_Handle), data, allowed, static_cast<off_t>(offset));
        if (got >= 0) {
            os::CountFileBytesRead(static_cast<std::size_t>(got));
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) return 0;
    }
}

}  // namespace tarn::platform

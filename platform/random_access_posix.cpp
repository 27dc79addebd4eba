// RandomAccessFile on POSIX: a descriptor and pread; on Linux, batches through a small io_uring
// (liburing).
#include "platform/RandomAccessFile.h"
#include "platform/platform_os.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(TARN_HAVE_LIBURING)
#include <liburing.h>
#define TARN_READ_QUEUE 1
#endif

namespace tarn::platform {

#ifdef TARN_READ_QUEUE
namespace {

// A read-only io_uring: a batch of reads costs one system call instead of one per read, which
// matters where system calls are dear (virtual machines, page-table isolation) and the reads are
// small, such as the blocks of one channel of an interleaved recording.
class ReadQueue {
public:
    static constexpr unsigned kEntries = 64;

    // nullptr when the kernel, or a policy in force, offers no io_uring.
    static ReadQueue* Create() {
        auto* queue = new ReadQueue;
        if (io_uring_queue_init(kEntries, &queue->m_Ring, 0) < 0) {
            delete queue;
            return nullptr;
        }
        queue->m_Ready = true;
        return queue;
    }

    ~ReadQueue() {
        if (m_Ready) io_uring_queue_exit(&m_Ring);
    }
    ReadQueue(const ReadQueue&) = delete;
    ReadQueue& operator=(const ReadQueue&) = delete;

    // Reads up to kEntries requests. False, with nothing in flight, when the queue cannot be used
    // (the requests are then read otherwise); it is not used again after that.
    bool Read(const RandomAccessFile& file, int fd, RandomAccessFile::ReadRequest* requests, std::size_t count) {
        unsigned queued = 0;
        for (std::size_t i = 0; i < count && i < kEntries; ++i) {
            RandomAccessFile::ReadRequest& r = requests[i];
            io_uring_sqe* sqe = r.offset < 0 || r.bytes == 0 || r.bytes > kMaxRead ? nullptr : io_uring_get_sqe(&m_Ring);
            if (sqe == nullptr) {
                r.done = file.ReadAt(r.offset, r.data, r.bytes);
                continue;
            }
            io_uring_prep_read(sqe, fd, r.data, static_cast<unsigned>(r.bytes), static_cast<std::uint64_t>(r.offset));
            io_uring_sqe_set_data64(sqe, i);
            ++queued;
        }
        unsigned completed = 0;
        while (completed < queued) {
            os::CountFileCall();
            const int submitted = io_uring_submit_and_wait(&m_Ring, 1);
            if (submitted < 0 && submitted != -EINTR && submitted != -EAGAIN && submitted != -EBUSY &&
                io_uring_sq_ready(&m_Ring) == queued) {
                // Nothing was taken: the ring is given up, and the batch read otherwise.
                return false;
            }
            completed += Reap(file, requests);
        }
        return true;
    }

private:
    static constexpr std::size_t kMaxRead = std::size_t{1} << 30;

    ReadQueue() = default;

    // Takes the completions there are; a read that came back short or failed (an old kernel
    // without this operation, an interruption) is finished with plain reads.
    unsigned Reap(const RandomAccessFile& file, RandomAccessFile::ReadRequest* requests) {
        unsigned head;
        unsigned taken = 0;
        io_uring_cqe* cqe;
        io_uring_for_each_cqe(&m_Ring, head, cqe) {
            RandomAccessFile::ReadRequest& r = requests[cqe->user_data];
            const std::size_t got = cqe->res > 0 ? static_cast<std::size_t>(cqe->res) : 0;
            r.done = got;
            os::CountFileBytesRead(got);
            if (got < r.bytes && cqe->res != 0)
                r.done += file.ReadAt(r.offset + static_cast<std::int64_t>(got), static_cast<unsigned char*>(r.data) + got,
                                      r.bytes - got);
            ++taken;
        }
        io_uring_cq_advance(&m_Ring, taken);
        return taken;
    }

    io_uring m_Ring{};
    bool m_Ready = false;
};

// m_Queue once the kernel said no: not asked again for this handle.
char g_NoQueue;

}  // namespace
#endif

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

void RandomAccessFile::Release() {
#ifdef TARN_READ_QUEUE
    if (m_Queue != &g_NoQueue) delete static_cast<ReadQueue*>(m_Queue);
#endif
    close(static_cast<int>(m_Handle));
}

void RandomAccessFile::ReadBatch(ReadRequest* requests, std::size_t count) {
#ifdef TARN_READ_QUEUE
    if (count > 1 && IsOpen() && !os::FaultsSet()) {
        if (!m_Queue) {
            ReadQueue* queue = ReadQueue::Create();
            m_Queue = queue ? static_cast<void*>(queue) : &g_NoQueue;
        }
        while (m_Queue != &g_NoQueue && count > 0) {
            const std::size_t n = count < ReadQueue::kEntries ? count : ReadQueue::kEntries;
            if (!static_cast<ReadQueue*>(m_Queue)->Read(*this, static_cast<int>(m_Handle), requests, n)) {
                delete static_cast<ReadQueue*>(m_Queue);
                m_Queue = &g_NoQueue;
                break;
            }
            requests += n;
            count -= n;
        }
    }
#endif
    for (std::size_t i = 0; i < count; ++i)
        requests[i].done = ReadAt(requests[i].offset, requests[i].data, requests[i].bytes);
}

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

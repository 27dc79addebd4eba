// RandomAccessFile on POSIX: a descriptor and pread; on Linux, batches through a small io_uring.
#include "platform/RandomAccessFile.h"
#include "platform/platform_os.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__) && __has_include(<linux/io_uring.h>)
#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
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
        io_uring_params params{};
        const int ring = static_cast<int>(syscall(__NR_io_uring_setup, kEntries, &params));
        if (ring < 0) return nullptr;
        auto* queue = new ReadQueue(ring);
        if (!queue->Map(params)) {
            delete queue;
            return nullptr;
        }
        return queue;
    }

    ~ReadQueue() {
        for (const Mapping& m : m_Maps)
            if (m.address != MAP_FAILED) munmap(m.address, m.bytes);
        close(m_Ring);
    }
    ReadQueue(const ReadQueue&) = delete;
    ReadQueue& operator=(const ReadQueue&) = delete;

    // Reads up to kEntries requests. False, with nothing in flight, when the queue cannot be used
    // (the requests are then read otherwise); it is not used again after that.
    bool Read(const RandomAccessFile& file, int fd, RandomAccessFile::ReadRequest* requests, std::size_t count) {
        const unsigned tail = *m_SqTail;
        unsigned queued = 0;
        for (std::size_t i = 0; i < count && i < kEntries; ++i) {
            RandomAccessFile::ReadRequest& r = requests[i];
            if (r.offset < 0 || r.bytes == 0 || r.bytes > kMaxRead) {
                r.done = file.ReadAt(r.offset, r.data, r.bytes);
                continue;
            }
            const unsigned slot = (tail + queued) & *m_SqMask;
            io_uring_sqe& sqe = m_Sqes[slot];
            std::memset(&sqe, 0, sizeof sqe);
            sqe.opcode = IORING_OP_READ;
            sqe.fd = fd;
            sqe.off = static_cast<std::uint64_t>(r.offset);
            sqe.addr = reinterpret_cast<std::uintptr_t>(r.data);
            sqe.len = static_cast<std::uint32_t>(r.bytes);
            sqe.user_data = i;
            m_SqArray[slot] = slot;
            ++queued;
        }
        if (queued == 0) return true;
        __atomic_store_n(m_SqTail, tail + queued, __ATOMIC_RELEASE);

        unsigned completed = 0;
        while (completed < queued) {
            const unsigned unsubmitted = tail + queued - __atomic_load_n(m_SqHead, __ATOMIC_ACQUIRE);
            os::CountFileCall();
            if (syscall(__NR_io_uring_enter, m_Ring, unsubmitted, 1u, IORING_ENTER_GETEVENTS, nullptr, 0) < 0 &&
                errno != EINTR && errno != EAGAIN && errno != EBUSY &&
                __atomic_load_n(m_SqHead, __ATOMIC_ACQUIRE) == tail) {
                // Nothing was taken: withdraw the batch.
                __atomic_store_n(m_SqTail, tail, __ATOMIC_RELEASE);
                return false;
            }
            completed += Reap(file, requests);
        }
        return true;
    }

private:
    static constexpr std::size_t kMaxRead = std::size_t{1} << 30;

    struct Mapping {
        void* address = MAP_FAILED;
        std::size_t bytes = 0;
    };

    explicit ReadQueue(int ring) : m_Ring(ring) {}

    void* MapRegion(Mapping& m, std::size_t bytes, off_t what) {
        m.bytes = bytes;
        m.address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, m_Ring, what);
        return m.address == MAP_FAILED ? nullptr : m.address;
    }

    bool Map(const io_uring_params& p) {
        auto* sq = static_cast<unsigned char*>(
            MapRegion(m_Maps[0], p.sq_off.array + p.sq_entries * sizeof(unsigned), IORING_OFF_SQ_RING));
        auto* cq = static_cast<unsigned char*>(
            MapRegion(m_Maps[1], p.cq_off.cqes + p.cq_entries * sizeof(io_uring_cqe), IORING_OFF_CQ_RING));
        m_Sqes = static_cast<io_uring_sqe*>(MapRegion(m_Maps[2], p.sq_entries * sizeof(io_uring_sqe), IORING_OFF_SQES));
        if (!sq || !cq || !m_Sqes || p.sq_entries < kEntries || p.cq_entries < kEntries) return false;
        m_SqHead = reinterpret_cast<unsigned*>(sq + p.sq_off.head);
        m_SqTail = reinterpret_cast<unsigned*>(sq + p.sq_off.tail);
        m_SqMask = reinterpret_cast<unsigned*>(sq + p.sq_off.ring_mask);
        m_SqArray = reinterpret_cast<unsigned*>(sq + p.sq_off.array);
        m_CqHead = reinterpret_cast<unsigned*>(cq + p.cq_off.head);
        m_CqTail = reinterpret_cast<unsigned*>(cq + p.cq_off.tail);
        m_CqMask = reinterpret_cast<unsigned*>(cq + p.cq_off.ring_mask);
        m_Cqes = reinterpret_cast<io_uring_cqe*>(cq + p.cq_off.cqes);
        return true;
    }

    // Takes the completions there are; a read that came back short or failed (an old kernel
    // without this operation, an interruption) is finished with plain reads.
    unsigned Reap(const RandomAccessFile& file, RandomAccessFile::ReadRequest* requests) {
        unsigned head = *m_CqHead;
        const unsigned end = __atomic_load_n(m_CqTail, __ATOMIC_ACQUIRE);
        unsigned taken = 0;
        for (; head != end; ++head, ++taken) {
            const io_uring_cqe& cqe = m_Cqes[head & *m_CqMask];
            RandomAccessFile::ReadRequest& r = requests[cqe.user_data];
            const std::size_t got = cqe.res > 0 ? static_cast<std::size_t>(cqe.res) : 0;
            r.done = got;
            os::CountFileBytesRead(got);
            if (got < r.bytes && cqe.res != 0)
                r.done += file.ReadAt(r.offset + static_cast<std::int64_t>(got), static_cast<unsigned char*>(r.data) + got,
                                      r.bytes - got);
        }
        __atomic_store_n(m_CqHead, head, __ATOMIC_RELEASE);
        return taken;
    }

    int m_Ring;
    Mapping m_Maps[3];
    io_uring_sqe* m_Sqes = nullptr;
    unsigned* m_SqHead = nullptr;
    unsigned* m_SqTail = nullptr;
    unsigned* m_SqMask = nullptr;
    unsigned* m_SqArray = nullptr;
    unsigned* m_CqHead = nullptr;
    unsigned* m_CqTail = nullptr;
    unsigned* m_CqMask = nullptr;
    io_uring_cqe* m_Cqes = nullptr;
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

// A read-only file handle for positional reads: each read names its own offset, so users of one
// handle never disturb each other's position, and the buffered File streams on the same file keep
// theirs. POSIX: open() and pread(); Windows: CreateFileA and ReadFile with an OVERLAPPED offset.
// Batches of reads go to the kernel together where it can take them (Linux: io_uring), which
// spares a system call per read when many small reads are due.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace tarn::platform {

class RandomAccessFile {
public:
    RandomAccessFile() = default;
    ~RandomAccessFile() { Close(); }
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;
    RandomAccessFile(RandomAccessFile&& other) noexcept
        : m_Handle(std::exchange(other.m_Handle, kClosed)), m_Queue(std::exchange(other.m_Queue, nullptr)) {}
    RandomAccessFile& operator=(RandomAccessFile&& other) noexcept {
        if (this != &other) {
            Close();
            m_Handle = std::exchange(other.m_Handle, kClosed);
            m_Queue = std::exchange(other.m_Queue, nullptr);
        }
        return *this;
    }

    // name is a stored file name (see FileNameToWide). Regular files only; others may go on
    // writing the file meanwhile. Closes a file already open first.
    bool Open(const std::string& name);
    void Close() {
        if (IsOpen()) Release();
        m_Handle = kClosed;
        m_Queue = nullptr;
    }
    bool IsOpen() const { return m_Handle != kClosed; }

    // Reads up to bytes at offset into data and returns the count read: fewer only at the end of
    // the file or on a read error. 0 for a negative offset or a closed handle. Safe to call from
    // several threads at once.
    std::size_t ReadAt(std::int64_t offset, void* data, std::size_t bytes) const {
        if (!IsOpen() || offset < 0) return 0;
        auto* out = static_cast<unsigned char*>(data);
        std::size_t done = 0;
        while (done < bytes) {
            const std::size_t got = ReadSome(offset + static_cast<std::int64_t>(done), out + done, bytes - done);
            if (got == 0) break;
            done += got;
        }
        return done;
    }

    // One read of a batch: bytes at offset into data; done is filled in.
    struct ReadRequest {
        std::int64_t offset = 0;
        void* data = nullptr;
        std::size_t bytes = 0;
        std::size_t done = 0;  // what ReadAt would have returned for it
    };
    // Carries out every request, in any order and possibly at once. One thread at a time per
    // handle (unlike ReadAt).
    void ReadBatch(ReadRequest* requests, std::size_t count);

private:
    // The operating system's part: closes the open handle; one read at offset of at most bytes,
    // giving the count read (0 at the end of the file or on an error).
    void Release();
    std::size_t ReadSome(std::int64_t offset, unsigned char* data, std::size_t bytes) const;

    static constexpr std::intptr_t kClosed = -1;
    // POSIX: the file descriptor; Windows: the HANDLE's value (INVALID_HANDLE_VALUE is -1 too).
    std::intptr_t m_Handle = kClosed;
    // The kernel submission queue of ReadBatch, set up on its first use (Linux); Release frees it.
    void* m_Queue = nullptr;
};

}  // namespace tarn::platform

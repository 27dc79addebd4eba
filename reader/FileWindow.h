// The block walks' view of the file: a position of their own and one large buffer, refilled by
// one large read. Asking the stream where it is, or moving it, costs a system call each time;
// a walk that did that per block spent most of its time in the kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace tarn {

class FileWindow {
public:
    // file is not owned and must outlive the window; bytes is the size of one refill.
    FileWindow(platform::File& file, std::size_t bytes) : m_File(file), m_Capacity(bytes) {}

    // Moving within what the buffer holds reads nothing.
    void Seek(std::int64_t position) { m_Position = position; }
    std::int64_t Tell() const { return m_Position; }
    // Up to bytes from the position on, which moves past them; fewer only where the file ends or
    // a read fails. A request of a buffer's size or more goes straight into data.
    std::size_t Read(void* data, std::size_t bytes);
    // Forgets what the buffer holds (the file may have changed under it).
    void Drop() { m_Filled = 0; }

private:
    // Reads at the position into the buffer; false when nothing came.
    bool Refill();
    // bytes at the position straight from the file.
    std::size_t ReadFile(unsigned char* data, std::size_t bytes);

    platform::File& m_File;
    std::size_t m_Capacity;
    std::vector<unsigned char> m_Buffer;  // allocated at the first refill
    std::int64_t m_Start = 0;             // file offset of m_Buffer[0]
    std::size_t m_Filled = 0;             // bytes of the buffer that hold the file
    std::int64_t m_Position = 0;
};

}  // namespace tarn

#include "reader/FileWindow.h"

#include <algorithm>
#include <cstring>

namespace tarn {

std::size_t FileWindow::Read(void* data, std::size_t bytes) {
    auto* out = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < bytes) {
        const bool inside = m_Position >= m_Start && m_Position < m_Start + static_cast<std::int64_t>(m_Filled);
        if (inside) {
            const auto from = static_cast<std::size_t>(m_Position - m_Start);
            const std::size_t n = std::min(bytes - done, m_Filled - from);
            std::memcpy(out + done, m_Buffer.data() + from, n);
            done += n;
            m_Position += static_cast<std::int64_t>(n);
            continue;
        }
        if (bytes - done >= m_Capacity) {
            const std::size_t got = ReadFile(out + done, bytes - done);
            done += got;
            m_Position += static_cast<std::int64_t>(got);
            break;
        }
        if (!Refill()) break;
    }
    return done;
}

bool FileWindow::Refill() {
    if (m_BeforeMove) m_BeforeMove();
    if (m_Buffer.size() < m_Capacity) m_Buffer.resize(m_Capacity);
    m_Start = m_Position;
    if (m_Ahead && m_Ahead->Collect(m_Position, m_Buffer))
        m_Filled = m_Capacity;
    else
        m_Filled = ReadFile(m_Buffer.data(), m_Capacity);
    // A full span is not the file's end: the walk most likely goes on into the next one.
    if (m_Filled == m_Capacity && Positional() != nullptr) {
        if (!m_Ahead) m_Ahead = std::make_unique<ReadAhead>(*m_Positional, m_Capacity);
        m_Ahead->Start(m_Start + static_cast<std::int64_t>(m_Capacity), m_Plan);
    }
    return m_Filled > 0;
}

std::size_t FileWindow::ReadFile(unsigned char* data, std::size_t bytes) {
    if (m_Position < 0) return 0;
    if (Positional() != nullptr) return Positional()->ReadAt(m_Position, data, bytes);
    if (!m_File.Seek(m_Position)) return 0;
    std::size_t done = 0;
    // A short read is not yet the end (an interrupted or chunked read): only nothing is.
    while (done < bytes) {
        const std::size_t got = m_File.Read(data + done, bytes - done);
        if (got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace tarn

#include "reader/ReadAhead.h"

#include <utility>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tarn {

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
}

template <class Done> void ReadAhead::Poll(Done&& done) {
    constexpr int kPolls = 2500;
    for (int i = 0; i < kPolls && !done(); ++i) {
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
}

void ReadAhead::WaitIdle(std::unique_lock<std::mutex>& lock) {
    if (m_Busy) {
        lock.unlock();
        Poll([this] { return !m_Busy.load(std::memory_order_acquire); });
        lock.lock();
    }
    m_Changed.wait(lock, [this] { return !m_Busy; });
}

void ReadAhead::Start(std::int64_t offset, const std::vector<platform::MemoryRegion>& prefault) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    WaitIdle(lock);
    if (m_Buffer.size() < m_Bytes) m_Buffer.resize(m_Bytes);
    m_Prefault.assign(prefault.begin(), prefault.end());
    if (!m_Thread.joinable()) m_Thread = std::thread(&ReadAhead::Run, this);
    m_Offset = offset;
    m_Busy = true;
    const std::size_t head = m_Head;
    lock.unlock();
    m_Changed.notify_all();
    // The thread fills the rest of the buffer meanwhile; neither touches the other's bytes.
    m_HeadFilled = m_File.ReadAt(offset, m_Buffer.data(), head);
}

bool ReadAhead::Collect(std::int64_t offset, SpanBuffer& buffer) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (m_Offset != offset) return false;
    const bool waited = m_Busy;
    WaitIdle(lock);
    m_Offset = -1;
    const bool full = m_HeadFilled == m_Head && m_Filled == m_Bytes - m_Head;
    m_Head = waited ? std::min(m_Head + m_Step, m_Bytes / 2) : m_Head - std::min(m_Head, m_Step);
    if (!full || buffer.size() != m_Bytes) return false;
    buffer.swap(m_Buffer);
    return true;
}

void ReadAhead::Cancel() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    WaitIdle(lock);
    m_Offset = -1;
}

void ReadAhead::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        if (!m_Stop && !m_Busy) {
            lock.unlock();
            Poll([this] { return m_Busy.load(std::memory_order_acquire) || m_Stop.load(std::memory_order_acquire); });
            lock.lock();
        }
        m_Changed.wait(lock, [this] { return m_Stop || m_Busy; });
        if (m_Stop) return;
        const std::int64_t offset = m_Offset;
        const std::size_t head = m_Head;
        lock.unlock();
        const std::size_t filled =
            m_File.ReadAt(offset + static_cast<std::int64_t>(head), m_Buffer.data() + head, m_Bytes - head);
        for (const platform::MemoryRegion& region : m_Prefault) platform::PrefaultForWriting(region);
        lock.lock();
        m_Filled = filled;
        m_Busy = false;
        m_Changed.notify_all();
    }
}

}  // namespace tarn

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
    lock.unlock();
    m_Changed.notify_all();
}

bool ReadAhead::Collect(std::int64_t offset, SpanBuffer& buffer) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (m_Offset != offset) return false;
    WaitIdle(lock);
    m_Offset = -1;
    if (m_Filled != m_Bytes || buffer.size() != m_Bytes) return false;
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
        lock.unlock();
        const std::size_t filled = m_File.ReadAt(offset, m_Buffer.data(), m_Bytes);
        for (const platform::MemoryRegion& region : m_Prefault) platform::PrefaultForWriting(region);
        lock.lock();
        m_Filled = filled;
        m_Busy = false;
        m_Changed.notify_all();
    }
}

}  // namespace tarn

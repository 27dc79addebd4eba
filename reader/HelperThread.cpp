#include "reader/HelperThread.h"

#include <utility>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tarn {

HelperThread::~HelperThread() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
}

template <class Done> void HelperThread::Poll(Done&& done) {
    constexpr int kPolls = 2500;
    for (int i = 0; i < kPolls && !done(); ++i) {
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
}

void HelperThread::Wait() {
    if (Busy()) Poll([this] { return !Busy(); });
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Busy; });
}

void HelperThread::Post(std::function<void()> job) {
    Wait();
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (!m_Thread.joinable()) m_Thread = std::thread(&HelperThread::Run, this);
    m_Job = std::move(job);
    m_Busy = true;
    lock.unlock();
    m_Changed.notify_all();
}

void HelperThread::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        if (!m_Stop && !m_Busy) {
            lock.unlock();
            Poll([this] { return Busy() || m_Stop.load(std::memory_order_acquire); });
            lock.lock();
        }
        m_Changed.wait(lock, [this] { return m_Stop || m_Busy; });
        if (m_Stop) return;
        lock.unlock();
        m_Job();
        lock.lock();
        m_Job = nullptr;
        m_Busy = false;
        m_Changed.notify_all();
    }
}

}  // namespace tarn

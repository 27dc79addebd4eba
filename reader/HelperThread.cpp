#include "reader/HelperThread.h"

#include <utility>

namespace tarn {

HelperThread::~HelperThread() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
}

void HelperThread::Post(std::function<void()> job) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Busy; });
    if (!m_Thread.joinable()) m_Thread = std::thread(&HelperThread::Run, this);
    m_Job = std::move(job);
    m_Busy = true;
    lock.unlock();
    m_Changed.notify_all();
}

void HelperThread::Wait() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Busy; });
}

void HelperThread::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
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

#include "compat/posix/message_queue.h"

#include <algorithm>
#include <chrono>
#include <new>

namespace tarn::compat {

bool MessageQueue::Post(const MSG& message) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Closed || m_Messages.size() >= kQuota) return false;
    try {
        m_Messages.push_back(message);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_Arrived.notify_all();
    return true;
}

bool MessageQueue::Take(bool remove, MSG& message) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Messages.empty()) return false;
    message = m_Messages.front();
    if (remove) m_Messages.pop_front();
    return true;
}

bool MessageQueue::Wait(bool messagesWake, bool forever, DWORD milliseconds) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    const auto holds = [&] { return messagesWake && !m_Messages.empty(); };
    if (forever) {
        m_Arrived.wait(lock, holds);
        return true;
    }
    return m_Arrived.wait_for(lock, std::chrono::milliseconds(milliseconds), holds);
}

void MessageQueue::Discard(HWND window) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Messages.erase(std::remove_if(m_Messages.begin(), m_Messages.end(),
                                    [&](const MSG& message) { return message.hwnd == window; }),
                     m_Messages.end());
}

void MessageQueue::Close() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Closed = true;
    m_Messages.clear();
}

}  // namespace tarn::compat

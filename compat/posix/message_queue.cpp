#include "compat/posix/message_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>

namespace tarn::compat {

bool MessageFilter::Matches(const MSG& message) const {
    if (m_Window == reinterpret_cast<HWND>(-1)) {
        if (message.hwnd != nullptr) return false;
    } else if (m_Window != nullptr && message.hwnd != m_Window) {
        return false;
    }
    return (m_First == 0 && m_Last == 0) || (message.message >= m_First && message.message <= m_Last);
}

MessageQueue::~MessageQueue() {
    if (m_Event >= 0) ::close(m_Event);
}

bool MessageQueue::Post(const MSG& message) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Closed || m_Messages.size() >= kQuota) return false;
    try {
        m_Messages.push_back(message);
    } catch (const std::bad_alloc&) {
        return false;
    }
    UpdateDescriptor();
    m_Arrived.notify_all();
    return true;
}

void MessageQueue::PostQuit(int exitCode) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_QuitPending = true;
    m_ExitCode = exitCode;
    UpdateDescriptor();
    m_Arrived.notify_all();
}

bool MessageQueue::Take(const MessageFilter& filter, bool remove, bool allowQuit, MSG& message) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return TakeLocked(filter, remove, allowQuit, message);
}

MSG MessageQueue::WaitAndTake(const MessageFilter& filter) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    MSG message;
    m_Arrived.wait(lock, [&] { return TakeLocked(filter, true, true, message); });
    return message;
}

bool MessageQueue::Wait(bool messagesWake, bool forever, DWORD milliseconds) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    const auto holds = [&] { return messagesWake && HoldsMessage(); };
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
    UpdateDescriptor();
}

std::size_t MessageQueue::Count() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Messages.size();
}

int MessageQueue::Descriptor() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Event < 0 && !m_Closed) {
        m_Event = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_EventReadable = false;
        UpdateDescriptor();
    }
    return m_Event;
}

void MessageQueue::Close() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Closed = true;
    m_Messages.clear();
    m_QuitPending = false;
    if (m_Event >= 0) ::close(m_Event);
    m_Event = -1;
}

bool MessageQueue::TakeLocked(const MessageFilter& filter, bool remove, bool allowQuit, MSG& message) {
    const auto found = std::find_if(m_Messages.begin(), m_Messages.end(),
                                    [&](const MSG& queued) { return filter.Matches(queued); });
    if (found != m_Messages.end()) {
        message = *found;
        if (remove) m_Messages.erase(found);
    } else if (allowQuit && m_QuitPending) {
        message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_ExitCode), 0, 0, POINT{0, 0}};
        if (remove) m_QuitPending = false;
    } else {
        return false;
    }
    UpdateDescriptor();
    return true;
}

void MessageQueue::UpdateDescriptor() {
    if (m_Event < 0 || m_EventReadable == HoldsMessage()) return;
    std::uint64_t count = 1;
    // The counter only ever moves between 0 and 1 here, so neither call can block or overflow.
    const ssize_t done = m_EventReadable ? ::read(m_Event, &count, sizeof count) : ::write(m_Event, &count, sizeof count);
    if (done == sizeof count) m_EventReadable = !m_EventReadable;
}

}  // namespace tarn::compat

// One thread's queue of posted messages. Thread-safe; not part of the port surface.
#pragma once

#include "compat/posix/window.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace tarn::compat {

class MessageQueue {
public:
    // False when the queue is full or closed.
    bool Post(const MSG& message);
    // The oldest message, left queued unless remove; false when there is none.
    bool Take(bool remove, MSG& message);
    // True as soon as anything is queued (only when messagesWake), false after the timeout.
    bool Wait(bool messagesWake, bool forever, DWORD milliseconds);
    // Drops what is queued for a window.
    void Discard(HWND window);
    // The owner thread ended: everything is dropped and later posts fail.
    void Close();

    static constexpr std::size_t kQuota = 10000;

private:
    std::mutex m_Mutex;
    std::condition_variable m_Arrived;
    std::deque<MSG> m_Messages;
    bool m_Closed = false;
};

}  // namespace tarn::compat

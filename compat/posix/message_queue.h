// One thread's queue of posted messages, with the WM_QUIT flag and an optional eventfd that is
// readable while the queue holds something. Thread-safe; not part of the port surface.
#pragma once

#include "compat/posix/window.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace tarn::compat {

// Which messages a GetMessageW or PeekMessageW call takes (see their declarations).
struct MessageFilter {
    HWND m_Window;
    UINT m_First;
    UINT m_Last;

    bool Matches(const MSG& message) const;
};

class MessageQueue {
public:
    MessageQueue() = default;
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // False when the queue is full or closed.
    bool Post(const MSG& message);
    void PostQuit(int exitCode);
    // The first message that matches, else WM_QUIT when allowed and pending; false for neither.
    bool Take(const MessageFilter& filter, bool remove, bool allowQuit, MSG& message);
    // Blocks until Take would succeed, and takes.
    MSG WaitAndTake(const MessageFilter& filter);
    // True as soon as anything is queued (only when messagesWake), false after the timeout.
    bool Wait(bool messagesWake, bool forever, DWORD milliseconds);
    // Drops what is queued for a window.
    void Discard(HWND window);
    // Posted messages queued now (WM_QUIT not counted).
    std::size_t Count();
    int Descriptor();
    // The owner thread ended: everything is dropped and later posts fail.
    void Close();

    static constexpr std::size_t kQuota = 10000;

private:
    bool TakeLocked(const MessageFilter& filter, bool remove, bool allowQuit, MSG& message);
    bool HoldsMessage() const { return !m_Messages.empty() || m_QuitPending; }
    // After every change: the descriptor's state follows HoldsMessage().
    void UpdateDescriptor();

    std::mutex m_Mutex;
    std::condition_variable m_Arrived;
    std::deque<MSG> m_Messages;
    bool m_QuitPending = false;
    int m_ExitCode = 0;
    bool m_Closed = false;
    int m_Event = -1;
    bool m_EventReadable = false;
};

}  // namespace tarn::compat

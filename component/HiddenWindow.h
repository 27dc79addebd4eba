// The hidden window that carries a worker thread's notifications to the thread that created it:
// the worker posts, and the handler runs when that thread dispatches its messages. A real hidden
// pop-up window on Windows; elsewhere the per-thread message queue of compat/ stands in for it.
#pragma once

#include "compat/compat.h"

namespace tarn::component {

class HiddenWindow {
public:
    class Handler {
    public:
        // true when the message was handled; others go to the default window procedure.
        virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    protected:
        ~Handler() = default;
    };

    // Creates the window on the calling thread; without it, Post fails.
    explicit HiddenWindow(Handler& handler);
    // Destroys the window; messages still queued for it are discarded.
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    // From any thread. False when the window does not exist or the message cannot be queued.
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler& m_Handler;
    HWND m_Window = nullptr;
};

}  // namespace tarn::component

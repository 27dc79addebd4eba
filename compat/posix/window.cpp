// Hidden windows: a process-wide table of classes and windows, and one message queue per thread.
// Lock order: the window table's mutex before a queue's. Posting and destroying both hold the
// table's lock, so a message can never be queued for a window that is already gone.
#include "compat/posix/internal.h"
#include "compat/posix/message_queue.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace {

using tarn::compat::MessageQueue;

constexpr std::size_t kMaxClassName = 256;
constexpr ATOM kFirstAtom = 0xC000;   // where Windows numbers string atoms from
constexpr std::uintptr_t kFirstWindow = 0x10010;

// The calling thread's queue, made on first use; at thread end its windows are destroyed and
// the queue closed (posters that still hold it then fail).
class ThreadQueue {
public:
    ~ThreadQueue();
    const std::shared_ptr<MessageQueue>& Get() {
        if (!m_Queue) m_Queue = std::make_shared<MessageQueue>();
        return m_Queue;
    }
    bool Owns(const MessageQueue* queue) const { return m_Queue && m_Queue.get() == queue; }

private:
    std::shared_ptr<MessageQueue> m_Queue;
};
thread_local ThreadQueue t_Queue;

struct WindowClass {
    std::u16string m_Name;
    ATOM m_Atom;
    WNDPROC m_Procedure;
};

struct Window {
    std::shared_ptr<MessageQueue> m_Queue;
    WNDPROC m_Procedure;
    ATOM m_Class;
    std::atomic<LONG_PTR> m_UserData{0};
};

class WindowTable {
public:
    // Never destroyed: windows and classes may be released from static destructors and from
    // thread ends after main returns.
    static WindowTable& Instance() {
        static WindowTable* table = new WindowTable;
        return *table;
    }

    ATOM Register(const WNDCLASSEXW& wc) {
        std::u16string name;
        if (!ReadName(wc.lpszClassName, name) || name.empty()) return 0;
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (FindClass(wc.lpszClassName) != m_Classes.end()) return 0;
        ATOM atom = kFirstAtom;
        while (atom != 0 && std::any_of(m_Classes.begin(), m_Classes.end(), [&](const WindowClass& c) { return c.m_Atom == atom; }))
            ++atom;   // wraps to 0 when all 16,384 string atoms are taken
        if (atom == 0) return 0;
        m_Classes.push_back(WindowClass{std::move(name), atom, wc.lpfnWndProc});
        return atom;
    }

    BOOL Unregister(LPCWSTR className) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto found = FindClass(className);
        if (found == m_Classes.end()) return FALSE;
        const ATOM atom = found->m_Atom;
        if (m_Windows.Any([&](const std::shared_ptr<Window>& window) { return window->m_Class == atom; })) return FALSE;
        m_Classes.erase(found);
        return TRUE;
    }

    HWND Create(LPCWSTR className, std::shared_ptr<MessageQueue> queue) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto found = FindClass(className);
        if (found == m_Classes.end()) return nullptr;
        auto window = std::make_shared<Window>();
        window->m_Queue = std::move(queue);
        window->m_Procedure = found->m_Procedure;
        window->m_Class = found->m_Atom;
        return reinterpret_cast<HWND>(m_Windows.Add(std::move(window)));
    }

    BOOL Destroy(HWND hwnd) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const std::shared_ptr<Window>* found = m_Windows.Find(Key(hwnd));
        if (!found || !t_Queue.Owns((*found)->m_Queue.get())) return FALSE;
        (*found)->m_Queue->Discard(hwnd);
        m_Windows.Erase(Key(hwnd));
        return TRUE;
    }

    // Every window of a thread that ends.
    void DestroyAllOf(const MessageQueue& queue) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Windows.EraseIf([&](const std::shared_ptr<Window>& window) { return window->m_Queue.get() == &queue; });
    }

    BOOL Post(const MSG& message) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const std::shared_ptr<Window>* found = m_Windows.Find(Key(message.hwnd));
        return found && (*found)->m_Queue->Post(message) ? TRUE : FALSE;
    }

    // The window, while it exists; the caller may keep using what it got after it is destroyed.
    std::shared_ptr<Window> Find(HWND hwnd) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const std::shared_ptr<Window>* found = m_Windows.Find(Key(hwnd));
        return found ? *found : nullptr;
    }

private:
    static std::uintptr_t Key(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }
    // An atom in place of a name (a pointer below 64 KiB) names no class here.
    static bool ReadName(LPCWSTR text, std::u16string& name) {
        return (reinterpret_cast<ULONG_PTR>(text) >> 16) != 0 && tarn::compat::ReadBoundedText(text, kMaxClassName, name);
    }

    std::vector<WindowClass>::iterator FindClass(LPCWSTR className) {
        std::u16string name;
        if (!ReadName(className, name)) return m_Classes.end();
        return std::find_if(m_Classes.begin(), m_Classes.end(),
                            [&](const WindowClass& c) { return tarn::platform::EqualIgnoringCase(c.m_Name, name); });
    }

    std::mutex m_Mutex;
    std::vector<WindowClass> m_Classes;
    tarn::compat::HandleMap<std::shared_ptr<Window>> m_Windows{kFirstWindow};
};

ThreadQueue::~ThreadQueue() {
    if (!m_Queue) return;
    WindowTable::Instance().DestroyAllOf(*m_Queue);
    m_Queue->Close();
}

// The calling thread's own window, or nullptr when hwnd is not one.
std::shared_ptr<Window> OwnWindow(HWND hwnd) {
    std::shared_ptr<Window> window = WindowTable::Instance().Find(hwnd);
    return window && t_Queue.Owns(window->m_Queue.get()) ? window : nullptr;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, message, wParam, lParam, tarn::platform::TickCount(), POINT{0, 0}};
}

}  // namespace

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx) {
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW) || !lpwcx->lpfnWndProc) return 0;
    try {
        return WindowTable::Instance().Register(*lpwcx);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) { return WindowTable::Instance().Unregister(lpClassName); }

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    static char arrow;   // only its address is handed out
    if (hInstance == nullptr && lpCursorName == IDC_ARROW) return reinterpret_cast<HCURSOR>(&arrow);
    return nullptr;
}

HWND WINAPI CreateWindowExW(DWORD, LPCWSTR lpClassName, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                            LPVOID) {
    try {
        return WindowTable::Instance().Create(lpClassName, t_Queue.Get());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

BOOL WINAPI DestroyWindow(HWND hWnd) { return WindowTable::Instance().Destroy(hWnd); }

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    const std::shared_ptr<Window> window = WindowTable::Instance().Find(hWnd);
    return window && nIndex == GWLP_USERDATA ? window->m_UserData.exchange(dwNewLong) : 0;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    const std::shared_ptr<Window> window = WindowTable::Instance().Find(hWnd);
    return window && nIndex == GWLP_USERDATA ? window->m_UserData.load() : 0;
}

LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const MSG message = MakeMessage(hWnd, Msg, wParam, lParam);
    if (hWnd != nullptr) return WindowTable::Instance().Post(message);
    return t_Queue.Get()->Post(message) ? TRUE : FALSE;
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg || hWnd || wMsgFilterMin || wMsgFilterMax) return FALSE;
    return t_Queue.Get()->Take((wRemoveMsg & PM_REMOVE) != 0, *lpMsg);
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    const std::shared_ptr<Window> window = OwnWindow(lpMsg->hwnd);
    if (!window) return 0;
    return window->m_Procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE*, BOOL, DWORD dwMilliseconds, DWORD dwWakeMask) {
    const bool messagesWake = (dwWakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0;
    if (nCount != 0 || (!messagesWake && dwMilliseconds == INFINITE)) return WAIT_FAILED;
    const bool arrived = t_Queue.Get()->Wait(messagesWake, dwMilliseconds == INFINITE, dwMilliseconds);
    return arrived ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

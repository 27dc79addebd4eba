// Hidden windows: a process-wide table of classes and windows, and one message queue per thread.
// Lock order: the window table's mutex before a queue's. Posting and destroying both hold the
// table's lock, so a message can never be queued for a window that is already gone.
#include "compat/posix/internal.h"
#include "compat/posix/message_queue.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace {

using tarn::compat::MessageFilter;
using tarn::compat::MessageQueue;

constexpr std::size_t kMaxClassName = 256;
constexpr ATOM kFirstAtom = 0xC000;   // where Windows numbers string atoms from
constexpr std::uintptr_t kFirstWindow = 0x10010;

template <typename Result>
Result Fail(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

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

// What CreateWindowExW was given; kept, not used.
struct WindowPlacement {
    DWORD m_ExStyle;
    DWORD m_Style;
    int m_X, m_Y, m_Width, m_Height;
    HWND m_Parent;
    HMENU m_Menu;
    HINSTANCE m_Instance;
    LPVOID m_Param;
};

struct Window {
    std::shared_ptr<MessageQueue> m_Queue;
    WNDPROC m_Procedure;
    ATOM m_Class;
    WindowPlacement m_Placement;
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
        if (IS_INTRESOURCE(wc.lpszClassName) || !ReadName(wc.lpszClassName, name) || name.empty())
            return Fail(ERROR_INVALID_PARAMETER, ATOM(0));
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (FindClass(wc.lpszClassName) != m_Classes.end()) return Fail(ERROR_CLASS_ALREADY_EXISTS, ATOM(0));
        ATOM atom = kFirstAtom;
        while (atom != 0 && std::any_of(m_Classes.begin(), m_Classes.end(), [&](const WindowClass& c) { return c.m_Atom == atom; }))
            ++atom;   // wraps to 0 when all 16,384 string atoms are taken
        if (atom == 0) return Fail(ERROR_NOT_ENOUGH_QUOTA, ATOM(0));
        m_Classes.push_back(WindowClass{std::move(name), atom, wc.lpfnWndProc});
        return atom;
    }

    BOOL Unregister(LPCWSTR className) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto found = FindClass(className);
        if (found == m_Classes.end()) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
        const ATOM atom = found->m_Atom;
        if (m_Windows.Any([&](const std::shared_ptr<Window>& window) { return window->m_Class == atom; }))
            return Fail(ERROR_CLASS_HAS_WINDOWS, FALSE);
        m_Classes.erase(found);
        return TRUE;
    }

    HWND Create(LPCWSTR className, const WindowPlacement& placement, std::shared_ptr<MessageQueue> queue) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const auto found = FindClass(className);
        if (found == m_Classes.end()) return Fail(ERROR_CANNOT_FIND_WND_CLASS, HWND(nullptr));
        auto window = std::make_shared<Window>();
        window->m_Queue = std::move(queue);
        window->m_Procedure = found->m_Procedure;
        window->m_Class = found->m_Atom;
        window->m_Placement = placement;
        return reinterpret_cast<HWND>(m_Windows.Add(std::move(window)));
    }

    BOOL Destroy(HWND hwnd) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const std::shared_ptr<Window>* found = m_Windows.Find(Key(hwnd));
        if (!found) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
        if (!t_Queue.Owns((*found)->m_Queue.get())) return Fail(ERROR_ACCESS_DENIED, FALSE);
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
        if (!found) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
        return (*found)->m_Queue->Post(message) ? TRUE : Fail(ERROR_NOT_ENOUGH_QUOTA, FALSE);
    }

    // The window, while it exists; the caller may keep using what it got after it is destroyed.
    std::shared_ptr<Window> Find(HWND hwnd) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        const std::shared_ptr<Window>* found = m_Windows.Find(Key(hwnd));
        return found ? *found : nullptr;
    }

private:
    static std::uintptr_t Key(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }
    static bool ReadName(LPCWSTR text, std::u16string& name) { return tarn::compat::ReadBoundedText(text, kMaxClassName, name); }

    std::vector<WindowClass>::iterator FindClass(LPCWSTR className) {
        if (IS_INTRESOURCE(className)) {
            const ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
            return std::find_if(m_Classes.begin(), m_Classes.end(), [&](const WindowClass& c) { return c.m_Atom == atom; });
        }
        std::u16string name;
        if (!ReadName(className, name)) return m_Classes.end();
        return std::find_if(m_Classes.begin(), m_Classes.end(),
                            [&](const WindowClass& c) { return tarn::compat::EqualIgnoringCase(c.m_Name, name); });
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

// The calling thread's own window, or nullptr (and the last error) when hwnd is not one.
std::shared_ptr<Window> OwnWindow(HWND hwnd) {
    std::shared_ptr<Window> window = WindowTable::Instance().Find(hwnd);
    if (window && t_Queue.Owns(window->m_Queue.get())) return window;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

// A filter naming a window that is not the calling thread's could never match.
bool IsValidFilter(HWND hwnd) {
    return hwnd == nullptr || hwnd == reinterpret_cast<HWND>(-1) || OwnWindow(hwnd) != nullptr;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, message, wParam, lParam, tarn::platform::TickCount(), POINT{0, 0}};
}

}  // namespace

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx) {
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW) || !lpwcx->lpfnWndProc) return Fail(ERROR_INVALID_PARAMETER, ATOM(0));
    try {
        return WindowTable::Instance().Register(*lpwcx);
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_OUTOFMEMORY, ATOM(0));
    }
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) { return WindowTable::Instance().Unregister(lpClassName); }

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    static char arrow;   // only its address is handed out
    if (hInstance == nullptr && lpCursorName == IDC_ARROW) return reinterpret_cast<HCURSOR>(&arrow);
    return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, HCURSOR(nullptr));
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
    const WindowPlacement placement{dwExStyle, dwStyle, X, Y, nWidth, nHeight, hWndParent, hMenu, hInstance, lpParam};
    try {
        return WindowTable::Instance().Create(lpClassName, placement, t_Queue.Get());
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_OUTOFMEMORY, HWND(nullptr));
    }
}

BOOL WINAPI DestroyWindow(HWND hWnd) { return WindowTable::Instance().Destroy(hWnd); }

BOOL WINAPI IsWindow(HWND hWnd) { return WindowTable::Instance().Find(hWnd) ? TRUE : FALSE; }

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    const std::shared_ptr<Window> window = WindowTable::Instance().Find(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, LONG_PTR(0));
    if (nIndex != GWLP_USERDATA) return Fail(ERROR_INVALID_INDEX, LONG_PTR(0));
    return window->m_UserData.exchange(dwNewLong);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    const std::shared_ptr<Window> window = WindowTable::Instance().Find(hWnd);
    if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, LONG_PTR(0));
    if (nIndex != GWLP_USERDATA) return Fail(ERROR_INVALID_INDEX, LONG_PTR(0));
    return window->m_UserData.load();
}

LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const MSG message = MakeMessage(hWnd, Msg, wParam, lParam);
    if (hWnd != nullptr) return WindowTable::Instance().Post(message);
    return t_Queue.Get()->Post(message) ? TRUE : Fail(ERROR_NOT_ENOUGH_QUOTA, FALSE);
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) return Fail(ERROR_INVALID_PARAMETER, -1);
    if (!IsValidFilter(hWnd)) return -1;
    *lpMsg = t_Queue.Get()->WaitAndTake(MessageFilter{hWnd, wMsgFilterMin, wMsgFilterMax});
    return lpMsg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!IsValidFilter(hWnd)) return FALSE;
    const MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
    return t_Queue.Get()->Take(filter, (wRemoveMsg & PM_REMOVE) != 0, true, *lpMsg);
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    const std::shared_ptr<Window> window = OwnWindow(lpMsg->hwnd);
    if (!window) return 0;
    return window->m_Procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void WINAPI PostQuitMessage(int nExitCode) { t_Queue.Get()->PostQuit(nExitCode); }

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE*, BOOL, DWORD dwMilliseconds, DWORD dwWakeMask) {
    const bool messagesWake = (dwWakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0;
    if (nCount != 0 || (!messagesWake && dwMilliseconds == INFINITE)) return Fail(ERROR_INVALID_PARAMETER, WAIT_FAILED);
    const bool arrived = t_Queue.Get()->Wait(messagesWake, dwMilliseconds == INFINITE, dwMilliseconds);
    return arrived ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

namespace tarn::compat {

int MessageQueueDescriptor() { return t_Queue.Get()->Descriptor(); }

std::size_t PumpMessages() {
    MessageQueue& queue = *t_Queue.Get();
    const MessageFilter everything{nullptr, 0, 0};
    std::size_t taken = 0;
    MSG message;
    for (std::size_t queued = queue.Count(); taken < queued && queue.Take(everything, true, false, message); ++taken)
        DispatchMessageW(&message);
    return taken;
}

}  // namespace tarn::compat

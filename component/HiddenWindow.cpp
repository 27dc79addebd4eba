#include "component/HiddenWindow.h"

#include "component/ModuleRegistration.h"
#include "debug/QVDebug.h"

namespace tarn::component {

namespace {

constexpr const OLECHAR* kClassName = OLESTR("CQVRecorderFileReader");
constexpr const OLECHAR* kWindowName = OLESTR("MyAtlWindow");

// The window class, registered once per module and unregistered when the module goes: a class
// left behind by an unloaded module would point at code that is gone.
class WindowClass {
public:
    explicit WindowClass(WNDPROC procedure) : m_Module(ThisModule()) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = procedure;
        wc.hInstance = m_Module;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<LONG_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = kClassName;
        m_Registered = RegisterClassExW(&wc) != 0;
        if (!m_Registered) QV_TRACE("TARN", 1, "the hidden window's class cannot be registered");
    }
    ~WindowClass() {
        if (m_Registered) UnregisterClassW(kClassName, m_Module);
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    HINSTANCE Module() const { return m_Module; }

private:
    HINSTANCE m_Module;
    bool m_Registered = false;
};

}  // namespace

HiddenWindow::HiddenWindow(Handler& handler) : m_Handler(handler) {
    static WindowClass windowClass(&HiddenWindow::WindowProc);
    m_Window = CreateWindowExW(0, kClassName, kWindowName, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               windowClass.Module(), nullptr);
    if (m_Window == nullptr) {
        QV_TRACE("TARN", 1, "the hidden window cannot be created: no events will be delivered");
        return;
    }
    SetWindowLongPtrW(m_Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HiddenWindow::~HiddenWindow() {
    if (m_Window == nullptr) return;
    // Messages that arrive for it from now on find no handler.
    SetWindowLongPtrW(m_Window, GWLP_USERDATA, 0);
    DestroyWindow(m_Window);
}

bool HiddenWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_Window != nullptr && PostMessageW(m_Window, message, wParam, lParam) != FALSE;
}

LRESULT CALLBACK HiddenWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HiddenWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && self->m_Handler.ProcessWindowMessage(message, wParam, lParam)) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarn::component

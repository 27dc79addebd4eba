// Hidden windows as per-thread message queues, with the Windows names, widths and values.
//
// A window belongs to the thread that creates it; any thread may post to it, and its class's
// procedure runs on the owner thread when that thread dispatches. Nothing is drawn and the
// system sends nothing: no creation or destruction messages reach the procedure, and styles,
// positions and sizes mean nothing. Class names are per process (Windows: per module) and
// compare ignoring ASCII case. A thread's queue holds at most 10,000 posted messages (the
// Windows default quota); its windows are destroyed and its queue freed when it ends. Also
// here: the thread id, and the module functions that find a module's base and its file. No
// last-error value is kept.
#pragma once

#include "compat/posix/types.h"

// ---- Types --------------------------------------------------------------------------------------
struct HWND__;
struct HINSTANCE__;
struct HICON__;
struct HBRUSH__;
struct HMENU__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef HICON__* HICON;
typedef HICON HCURSOR;
typedef HBRUSH__* HBRUSH;
typedef HMENU__* HMENU;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;

struct POINT {
    LONG x;
    LONG y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
};

// ---- Constants ----------------------------------------------------------------------------------
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))

#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define WS_POPUP 0x80000000u
#define COLOR_WINDOW 5
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define GWLP_USERDATA (-21)
#define PM_REMOVE 0x0001
#define QS_POSTMESSAGE 0x0008
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_ALLINPUT 0x04FF
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define INFINITE 0xFFFFFFFFu
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// ---- Window classes and windows -----------------------------------------------------------------
// 0 for a second class of the same name, a missing procedure or name, or a wrong cbSize.
ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx);
// FALSE while windows of the class exist.
BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
// A non-null dummy for IDC_ARROW with no module; nullptr for anything else.
HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);
HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam);
// Only on the owner thread; messages still queued for the window are discarded.
BOOL WINAPI DestroyWindow(HWND hWnd);
// GWLP_USERDATA only (from any thread); other indexes give 0.
LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex);
LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// ---- Messages -----------------------------------------------------------------------------------
// From any thread. FALSE for a window that does not exist (or is destroyed meanwhile) and when
// the owner's queue is full. A null window posts to the calling thread's own queue.
BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// The calling thread's whole queue only: hWnd null and a filter range of 0, 0 (anything else
// finds nothing). Messages come in the order they were posted.
BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
BOOL WINAPI TranslateMessage(const MSG* lpMsg);
// Calls the procedure of the message's window, when that window belongs to the calling thread.
LRESULT WINAPI DispatchMessageW(const MSG* lpMsg);

// Only nCount 0 (else WAIT_FAILED): WAIT_OBJECT_0 as soon as the calling thread's queue holds a
// message (with QS_POSTMESSAGE or QS_ALLPOSTMESSAGE in the mask), else WAIT_TIMEOUT. A mask
// that no posted message satisfies with an INFINITE timeout is WAIT_FAILED, not a hang.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask);

// ---- Threads and modules ------------------------------------------------------------------------
DWORD WINAPI GetCurrentThreadId();

// FROM_ADDRESS only: the base of the loaded module (executable or shared library) that holds
// the address. No reference is counted either way.
BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule);
// The module's full path as UTF-16 (0 for a null module: nothing here asks for the executable's).
// Too small a buffer: the path cut to nSize - 1 characters and a NUL, nSize returned.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

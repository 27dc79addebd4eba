// Hidden windows as message targets across threads, against compat/posix and Windows (Wine).
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr const OLECHAR* kClass = OLESTR("TarnCompatTestWindow");
constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    DWORD thread;
};
std::vector<Received> g_Received;   // the tests' own messages (a real window gets the system's too)

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) g_Received.push_back(Received{window, message, wParam, GetCurrentThreadId()});
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND NewWindow() {
    return CreateWindowExW(0, kClass, OLESTR("test"), WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
}

// Dispatches the next queued message; false when there was none.
bool Dispatch() {
    MSG message;
    return PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) && (DispatchMessageW(&message), true);
}

class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc{sizeof wc, 0, &Procedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, kClass, nullptr};
        ASSERT_NE(RegisterClassExW(&wc), 0);
        wc.lpszClassName = OLESTR("tarncompattestWINDOW");   // the same name in other case
        EXPECT_EQ(RegisterClassExW(&wc), 0);
        ASSERT_NE(m_Window = NewWindow(), nullptr);
        while (Dispatch()) {}
        g_Received.clear();
    }
    void TearDown() override {
        for (HWND window : {m_Window, m_Other}) DestroyWindow(window);
        EXPECT_TRUE(UnregisterClassW(kClass, nullptr));
        while (Dispatch()) {}
    }
    HWND m_Window = nullptr;
    HWND m_Other = nullptr;
};

TEST_F(MessageQueue, MessagesFromOtherThreadsArriveInOrderOnTheOwner) {
    constexpr WPARAM kEach = 300;
    std::atomic<int> failures{0};
    const auto post = [&](UINT message) {
        for (WPARAM i = 0; i < kEach; ++i) failures += !PostMessageW(m_Window, message, i, 0);
    };
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), WAIT_TIMEOUT);
    std::thread first(post, kFirst), second(post, kSecond);
    while (g_Received.size() < 2 * kEach)
        if (!Dispatch()) { ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0); }
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    WPARAM next[2] = {0, 0};
    for (const Received& r : g_Received) {
        EXPECT_EQ(r.wParam, next[r.message - kFirst]++);
        EXPECT_EQ(r.thread, GetCurrentThreadId());
    }
}

// Destruction and posting race: nothing is queued for the window once it is gone, and what
// waits for other windows stays.
TEST_F(MessageQueue, DestroyingAWindowDropsItsQueuedMessagesEvenWhilePostsRace) {
    m_Other = NewWindow();
    std::atomic<bool> destroyed{false}, postedAfterDestruction{false};
    std::thread poster([&] {
        while (!destroyed) PostMessageW(m_Window, kFirst, 0, 0);
        postedAfterDestruction = PostMessageW(m_Window, kFirst, 0, 0) != FALSE;
    });
    while (g_Received.size() < 100) Dispatch();
    // The poster may keep the queue at its bound: make room for the other window's message.
    while (!PostMessageW(m_Other, kSecond, 7, 0)) Dispatch();
    EXPECT_TRUE(DestroyWindow(m_Window));
    destroyed = true;
    poster.join();
    EXPECT_FALSE(postedAfterDestruction);
    EXPECT_FALSE(DestroyWindow(m_Window));
    g_Received.clear();
    while (Dispatch()) {}
    ASSERT_EQ(g_Received.size(), 1u);
    EXPECT_EQ(g_Received[0].window, m_Other);
}

// Only the owner thread destroys a window or runs its procedure; its end takes its windows along.
TEST_F(MessageQueue, WindowsBelongToTheThreadThatMadeThem) {
    EXPECT_FALSE(UnregisterClassW(kClass, nullptr));   // a window of it exists
    EXPECT_FALSE(UnregisterClassW(reinterpret_cast<LPCWSTR>(ULONG_PTR(1)), nullptr));   // an atom: no such class
    EXPECT_EQ(SetWindowLongPtrW(m_Window, GWLP_USERDATA, 42), 0);
    std::thread([&] {
        EXPECT_FALSE(DestroyWindow(m_Window));
        MSG message{m_Window, kFirst, 1, 0, 0, {0, 0}};
        DispatchMessageW(&message);
        EXPECT_EQ(GetWindowLongPtrW(m_Window, GWLP_USERDATA), 42);
        m_Other = NewWindow();
    }).join();
    EXPECT_TRUE(g_Received.empty());
    EXPECT_TRUE(PostMessageW(m_Window, kFirst, 2, 0));
    EXPECT_FALSE(PostMessageW(m_Other, kFirst, 2, 0));
}

#ifndef _WIN32
TEST_F(MessageQueue, BadRequestsFailInsteadOfGrowingOrHanging) {
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageW(m_Window, kFirst, 0, 0));
    EXPECT_FALSE(PostMessageW(m_Window, kFirst, 0, 0));   // the queue's bound
    ASSERT_TRUE(Dispatch());
    EXPECT_TRUE(PostMessageW(m_Window, kFirst, 0, 0));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, 0), WAIT_FAILED);   // nothing could wake it
}
#endif

}  // namespace

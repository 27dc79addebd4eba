// Hidden windows as message targets: posting across threads, dispatching on the owner, waiting,
// destruction. The same cases against compat/posix and against Windows (Wine).
#include "tests/compat/CompatTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <poll.h>
#endif

namespace {

constexpr const OLECHAR* kClass = OLESTR("TarnCompatTestWindow");
constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;
constexpr UINT kRepost = WM_USER + 9;   // the procedure posts it again, with wParam + 1

struct Received {
    UINT message;
    WPARAM wParam;
    DWORD thread;
};
std::vector<Received> g_Received;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A real window also gets the system's messages; only the tests' own are recorded.
    if (message < WM_USER) return DefWindowProcW(window, message, wParam, lParam);
    g_Received.push_back(Received{message, wParam, GetCurrentThreadId()});
    if (message == kRepost) PostMessageW(window, kRepost, wParam + 1, 0);
    return LRESULT(wParam * 2);
}

class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Procedure;
        wc.lpszClassName = kClass;
        ASSERT_NE(RegisterClassExW(&wc), 0);
        ASSERT_NE(m_Window = NewWindow(), nullptr);
        DispatchAll();
        g_Received.clear();
    }
    void TearDown() override {
        for (HWND window : {m_Window, m_Other})
            if (window && IsWindow(window)) DestroyWindow(window);
        EXPECT_TRUE(UnregisterClassW(kClass, nullptr));
        DispatchAll();
    }

    static HWND NewWindow() {
        return CreateWindowExW(0, kClass, OLESTR("test"), WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    }
    static void DispatchAll() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message != WM_QUIT) DispatchMessageW(&message);
    }
    // The windows of the tests' own messages still queued, taken out of the queue.
    static std::vector<HWND> TakeQueued() {
        std::vector<HWND> windows;
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_USER, kRepost, PM_REMOVE)) windows.push_back(message.hwnd);
        return windows;
    }
    static std::vector<WPARAM> Parameters(UINT message) {
        std::vector<WPARAM> values;
        for (const Received& r : g_Received)
            if (r.message == message) values.push_back(r.wParam);
        return values;
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
    std::thread first(post, kFirst), second(post, kSecond);
    MSG message;
    while (g_Received.size() < 2 * kEach && GetMessageW(&message, nullptr, 0, 0) > 0) {
        const LRESULT result = DispatchMessageW(&message);
        EXPECT_TRUE(message.message < WM_USER || result == LRESULT(message.wParam * 2));
    }
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    std::vector<WPARAM> expected(kEach);
    for (WPARAM i = 0; i < kEach; ++i) expected[i] = i;
    EXPECT_EQ(Parameters(kFirst), expected);
    EXPECT_EQ(Parameters(kSecond), expected);
    for (const Received& r : g_Received) EXPECT_EQ(r.thread, GetCurrentThreadId());
}

TEST_F(MessageQueue, WaitingEndsWithAMessageOrTheTimeout) {
    const struct {
        const char* label;
        bool postedBefore, postedWhileWaiting;
        DWORD timeout, expected;
    } cases[] = {
        {"nothing queued", false, false, 60, WAIT_TIMEOUT},
        {"a message queued before", true, false, 10000, WAIT_OBJECT_0},
        {"a message posted while waiting", false, true, 10000, WAIT_OBJECT_0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.postedBefore) PostMessageW(m_Window, kFirst, 0, 0);
        std::thread poster([&] {
            if (!c.postedWhileWaiting) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            PostMessageW(m_Window, kFirst, 0, 0);
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, c.timeout, QS_ALLPOSTMESSAGE), c.expected);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(c.expected == WAIT_TIMEOUT ? waited >= std::chrono::milliseconds(50) : waited < std::chrono::seconds(5));
        poster.join();
        DispatchAll();
    }
}

TEST_F(MessageQueue, DestroyingAWindowDropsItsQueuedMessagesEvenWhilePostsRace) {
    m_Other = NewWindow();
    ASSERT_TRUE(PostMessageW(m_Other, kSecond, 7, 0));
    std::atomic<bool> postedAfterDestruction{false};
    std::thread poster([&] {
        while (IsWindow(m_Window)) PostMessageW(m_Window, kFirst, 0, 0);
        postedAfterDestruction = PostMessageW(m_Window, kFirst, 0, 0) != FALSE;
    });
    MSG message;
    while (Parameters(kFirst).size() < 100 && GetMessageW(&message, m_Window, 0, 0) > 0) DispatchMessageW(&message);
    // The poster keeps the queue full (up to its bound) of messages for the window meanwhile.
    EXPECT_TRUE(DestroyWindow(m_Window));
    poster.join();
    EXPECT_FALSE(postedAfterDestruction);
    EXPECT_FALSE(DestroyWindow(m_Window));
    std::vector<HWND> left = TakeQueued();
#ifdef _WIN32
    // Wine can keep a message that the other thread posted while the window was being destroyed.
    left.erase(std::remove(left.begin(), left.end(), m_Window), left.end());
#endif
    EXPECT_EQ(left, std::vector<HWND>{m_Other});
}

TEST_F(MessageQueue, WindowsBelongToTheThreadThatMadeThem) {
    BOOL destroyed = TRUE, filtered = -1;
    LRESULT dispatched = -1;
    HWND orphan = nullptr;
    std::thread([&] {
        destroyed = DestroyWindow(m_Window);
        MSG message{m_Window, kFirst, 1, 0, 0, {0, 0}};
        dispatched = DispatchMessageW(&message);
#ifndef _WIN32
        filtered = GetMessageW(&message, m_Window, 0, 0);   // could never match: refused, not a hang
#endif
        orphan = NewWindow();
        PostMessageW(orphan, kFirst, 1, 0);
    }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(dispatched, 0);
    EXPECT_EQ(filtered, -1);
    EXPECT_TRUE(IsWindow(m_Window));
    EXPECT_TRUE(g_Received.empty());
    // The thread's end took its window along.
    ASSERT_NE(orphan, nullptr);
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_FALSE(PostMessageW(orphan, kFirst, 2, 0));
}

TEST_F(MessageQueue, PeekingFiltersByWindowAndRange) {
    m_Other = NewWindow();
    ASSERT_TRUE(PostMessageW(m_Window, kFirst, 1, 0));
    ASSERT_TRUE(PostMessageW(m_Other, kSecond, 2, 0));
    ASSERT_TRUE(PostMessageW(m_Window, kRepost, 3, 0));
    const struct {
        HWND window;
        UINT first, last, remove;
        WPARAM found;   // 0: nothing
    } steps[] = {
        {nullptr, WM_USER, kRepost, PM_NOREMOVE, 1},   // looking leaves it in place
        {m_Other, 0, 0, PM_REMOVE, 2},
        {nullptr, kRepost, kRepost, PM_REMOVE, 3},
        {nullptr, kSecond, kSecond, PM_REMOVE, 0},
        {m_Window, WM_USER, kRepost, PM_REMOVE, 1},
    };
    for (const auto& s : steps) {
        MSG message{};
        EXPECT_EQ(PeekMessageW(&message, s.window, s.first, s.last, s.remove), s.found != 0);
        EXPECT_EQ(message.wParam, s.found);
    }
}

TEST_F(MessageQueue, QuitComesLastClassNamesAreUniqueAndWindowsKeepUserData) {
    ASSERT_TRUE(PostMessageW(m_Window, kFirst, 5, 0));
    PostQuitMessage(3);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    EXPECT_EQ(message.wParam, WPARAM(3));
    EXPECT_EQ(Parameters(kFirst), std::vector<WPARAM>{5});

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Procedure;
    wc.lpszClassName = OLESTR("tarncompattestWINDOW");   // the same name in other case
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_FALSE(UnregisterClassW(kClass, nullptr));   // a window of it exists
    EXPECT_EQ(CreateWindowExW(0, OLESTR("TarnNoSuchClass"), nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);

    EXPECT_EQ(SetWindowLongPtrW(m_Window, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(SetWindowLongPtrW(m_Window, GWLP_USERDATA, -7), 42);
    EXPECT_EQ(GetWindowLongPtrW(m_Window, GWLP_USERDATA), -7);
}

#ifndef _WIN32
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1;
}

TEST_F(MessageQueue, TheDescriptorIsReadableWhileMessagesWait) {
    const int fd = tarn::compat::MessageQueueDescriptor();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(Readable(fd));
    std::thread([&] {
        PostMessageW(m_Window, kFirst, 1, 0);
        PostMessageW(m_Window, kFirst, 2, 0);
    }).join();
    MSG message;
    const struct {
        UINT remove;
        bool readableAfter;
    } steps[] = {{PM_NOREMOVE, true}, {PM_REMOVE, true}, {PM_REMOVE, false}};
    for (const auto& s : steps) {
        EXPECT_TRUE(Readable(fd));
        EXPECT_TRUE(PeekMessageW(&message, nullptr, 0, 0, s.remove));
        EXPECT_EQ(Readable(fd), s.readableAfter);
    }
    PostQuitMessage(0);
    EXPECT_TRUE(Readable(fd));
    EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE);
    EXPECT_FALSE(Readable(fd));
}

TEST_F(MessageQueue, PumpingDispatchesWhatWasQueuedWhenItBegan) {
    m_Other = NewWindow();
    PostMessageW(m_Window, kFirst, 1, 0);
    PostMessageW(m_Other, kSecond, 2, 0);
    PostMessageW(nullptr, kSecond, 3, 0);   // a thread message: taken, but no procedure runs
    PostMessageW(m_Window, kRepost, 10, 0);
    EXPECT_EQ(tarn::compat::PumpMessages(), 4u);
    EXPECT_EQ(g_Received.size(), 3u);
    EXPECT_EQ(tarn::compat::PumpMessages(), 1u);   // the repost waited for this call
    EXPECT_EQ(Parameters(kRepost), (std::vector<WPARAM>{10, 11}));
    DestroyWindow(m_Window);   // drops the next repost
    EXPECT_EQ(tarn::compat::PumpMessages(), 0u);
}

TEST_F(MessageQueue, BadRequestsFailInsteadOfGrowingOrHanging) {
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageW(m_Window, kFirst, 0, 0));
    EXPECT_FALSE(PostMessageW(m_Window, kFirst, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_QUOTA));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(PostMessageW(m_Window, kFirst, 0, 0));

    const HANDLE handle = nullptr;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &handle, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, 0), WAIT_FAILED);   // nothing could wake it
}
#endif

}  // namespace

// The thread's queue: peeking with and without removal, getting, the quit message, filters,
// key translation and the key state.
#include <gtest/gtest.h>

#include "tests/platform/win32/window_test_support.h"

using namespace win32_test;

namespace {

class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override {
        startHeadless();
        m_window = createClientWindow(320, 240);
        ASSERT_NE(m_window, nullptr);
        recorder().log.clear();
    }
    void TearDown() override { platform::win32::resetWindowSystem(); }

    HWND m_window = nullptr;
};

TEST_F(MessageQueue, PeekWithoutRemovingLeavesTheMessageForGet) {
    PostMessageA(m_window, WM_USER + 5, 11, 22);
    MSG peeked{};
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(peeked.message, WM_USER + 5u);
    MSG got{};
    ASSERT_EQ(GetMessageA(&got, nullptr, 0, 0), 1);
    EXPECT_EQ(got.hwnd, m_window);
    EXPECT_EQ(got.message, WM_USER + 5u);
    EXPECT_EQ(got.wParam, 11u);
    EXPECT_EQ(got.lParam, 22);
    EXPECT_FALSE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, PostedMessagesComeOutInOrder) {
    for (UINT i = 0; i < 5; ++i) {
        PostMessageA(m_window, WM_USER + i, i, 0);
    }
    PostMessageA(nullptr, WM_APP, 0, 0);  // a thread message
    MSG msg{};
    for (UINT i = 0; i < 5; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, WM_USER + i);
    }
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP);
    EXPECT_EQ(msg.hwnd, nullptr);
}

TEST_F(MessageQueue, QuitComesAfterMessagesPostedBeforeAndAfterIt) {
    PostMessageA(m_window, WM_USER + 1, 0, 0);
    PostQuitMessage(42);
    PostMessageA(m_window, WM_USER + 2, 0, 0);
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER + 1u);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER + 2u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 42u);
    // Fetched once, the quit is gone.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, PeekingTheQuitWithoutRemovingKeepsIt) {
    PostQuitMessage(3);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_TRUE(PeekMessageA(&msg, m_window, WM_USER, WM_USER, PM_NOREMOVE));  // quit passes any filter
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageQueue, NoFrameIsCountedWhileAQuitIsPending) {
    PostQuitMessage(0);
    const int before = platform::win32::frameCount();
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(platform::win32::frameCount(), before);
}

TEST_F(MessageQueue, FiltersSelectByWindowAndRange) {
    HWND second = createClientWindow(10, 10);
    PostMessageA(m_window, WM_USER + 1, 0, 0);
    PostMessageA(second, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0);
    PostMessageA(m_window, WM_MOUSEMOVE, 0, 0);
    struct Case {
        const char* name;
        HWND window;
        UINT low;
        UINT high;
        UINT expected;
    };
    const Case kCases[] = {
        {"second window only", second, 0, 0, WM_USER + 2},
        {"thread messages only", reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)), 0, 0, WM_USER + 3},
        {"mouse range", nullptr, WM_MOUSEMOVE, WM_MBUTTONUP, WM_MOUSEMOVE},
        {"first in order", nullptr, 0, 0, WM_USER + 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, c.window, c.low, c.high, PM_NOREMOVE));
        EXPECT_EQ(msg.message, c.expected);
    }
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
}

TEST_F(MessageQueue, DispatchReachesTheWindowProcedureWithItsResult) {
    recorder().handler = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER) {
            return static_cast<LRESULT>(wParam * 2);
        }
        return std::nullopt;
    };
    PostMessageA(m_window, WM_USER, 21, 0);
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(DispatchMessageA(&msg), 42);
    ASSERT_EQ(recorder().log.size(), 1u);
    EXPECT_EQ(recorder().log[0].message, WM_USER);
}

TEST_F(MessageQueue, GetMessageReturnsMinusOneInsteadOfWaitingForever) {
    // Headless, with nothing queued and nothing scheduled, no message can ever come.
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, TranslateMessagePostsCharactersForTypingKeys) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM key;
        bool shift;
        UINT charMessage;  // 0: no character
        WPARAM character;
    };
    constexpr Case kCases[] = {
        {"a", WM_KEYDOWN, 'A', false, WM_CHAR, 'a'},
        {"shift A", WM_KEYDOWN, 'A', true, WM_CHAR, 'A'},
        {"digit", WM_KEYDOWN, '7', false, WM_CHAR, '7'},
        {"escape", WM_KEYDOWN, VK_ESCAPE, false, WM_CHAR, 0x1B},
        {"alt+x", WM_SYSKEYDOWN, 'X', false, WM_SYSCHAR, 'x'},
        {"arrow", WM_KEYDOWN, VK_LEFT, false, 0, 0},
        {"key up", WM_KEYUP, 'A', false, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        // The shift state is what the thread has retrieved so far.
        PostMessageA(m_window, c.shift ? WM_KEYDOWN : WM_KEYUP, VK_SHIFT, 0);
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(GetKeyState(VK_SHIFT) < 0, c.shift);
        const MSG key{m_window, c.message, c.key, 1, 0, {0, 0}};
        EXPECT_EQ(TranslateMessage(&key) != FALSE, c.charMessage != 0);
        const BOOL got = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        if (c.charMessage == 0) {
            EXPECT_FALSE(got);
        } else {
            ASSERT_TRUE(got);
            EXPECT_EQ(msg.message, c.charMessage);
            EXPECT_EQ(msg.wParam, c.character);
        }
    }
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(MessageQueue, KeyStateFollowsRetrievedMessagesOnly) {
    PostMessageA(m_window, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(GetKeyState(VK_ESCAPE), 0);  // posted but not yet retrieved
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetKeyState(VK_ESCAPE), 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_LT(GetKeyState(VK_ESCAPE), 0);
    PostMessageA(m_window, WM_KEYUP, VK_ESCAPE, 1 | KF_REPEAT_BIT | KF_UP_BIT);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(GetKeyState(VK_ESCAPE), 0);
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(4096), 0);
}

}  // namespace

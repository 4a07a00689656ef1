// Windows driven through the layer: the messages of creation, closing and destruction, frame
// metrics, showing and painting, classes, and misuse with bad handles.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/kernel/trace.h"
#include "tests/platform/win32/window_test_support.h"

using namespace win32_test;

namespace {

class WindowMessages : public ::testing::Test {
protected:
    void SetUp() override { startHeadless(); }
    void TearDown() override { platform::win32::resetWindowSystem(); }
};

TEST_F(WindowMessages, CreationSendsCreateThenSizeWithTheClientSizeBeforeReturning) {
    HWND window = createClientWindow(800, 600);
    ASSERT_NE(window, nullptr);
    const std::vector<UINT> order = messagesReceived({WM_CREATE, WM_SIZE, WM_SHOWWINDOW, WM_PAINT});
    ASSERT_EQ(order, (std::vector<UINT>{WM_CREATE, WM_SIZE}));
    const Received& size = recorder().log.back();
    EXPECT_EQ(size.window, window);
    EXPECT_EQ(size.wParam, SIZE_RESTORED);
    EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(size.lParam)), 800);
    EXPECT_EQ(HIWORD(static_cast<DWORD_PTR>(size.lParam)), 600);
    // The creation handler already sees the final client area, as a device created there needs.
    EXPECT_EQ(recorder().clientAtCreate.right, 800);
    EXPECT_EQ(recorder().clientAtCreate.bottom, 600);
}

TEST_F(WindowMessages, CreateMessageCarriesTheCreationRecord) {
    int marker = 7;
    const LPCSTR title = "qel title";
    recorder().handler = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            EXPECT_EQ(create->lpCreateParams, &marker);
            EXPECT_STREQ(create->lpszName, title);
            EXPECT_EQ(static_cast<DWORD>(create->style), WS_OVERLAPPEDWINDOW);
            EXPECT_EQ(create->cx, 320);
            EXPECT_EQ(create->cy, 200);
        }
        return std::nullopt;
    };
    HWND window = CreateWindowExA(0, "TestClass", title, WS_OVERLAPPEDWINDOW, 10, 20, 320, 200, nullptr, nullptr,
                                  nullptr, &marker);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(messagesReceived({WM_CREATE}).size(), 1u);
}

TEST_F(WindowMessages, CreateAnsweredWithMinusOneDestroysAndFails) {
    recorder().handler = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            return -1;
        }
        return std::nullopt;
    };
    HWND window = createClientWindow(100, 100);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(messagesReceived({WM_CREATE, WM_DESTROY, WM_SIZE}), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    const HWND created = recorder().log.front().window;
    EXPECT_FALSE(IsWindow(created));
    EXPECT_FALSE(PostMessageA(created, WM_USER, 0, 0));
}

TEST_F(WindowMessages, AdjustedRectangleGivesExactlyTheRequestedClientArea) {
    struct Case {
        const char* name;
        DWORD style;
        DWORD exStyle;
        int width;
        int height;
    };
    constexpr Case kCases[] = {
        {"overlapped window 800x600", WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, 800, 600},
        {"overlapped window 1x1", WS_OVERLAPPEDWINDOW, 0, 1, 1},
        {"pop-up", WS_POPUP, WS_EX_APPWINDOW, 640, 480},
        {"caption only", WS_CAPTION, 0, 300, 200},
        {"bordered pop-up", WS_POPUP | WS_BORDER, 0, 123, 45},
        {"client edge", WS_OVERLAPPEDWINDOW, WS_EX_CLIENTEDGE, 400, 300},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RECT rect{0, 0, c.width, c.height};
        ASSERT_TRUE(AdjustWindowRectEx(&rect, c.style, FALSE, c.exStyle));
        HWND window = CreateWindowExA(c.exStyle, "TestClass", "t", c.style, CW_USEDEFAULT, CW_USEDEFAULT,
                                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr,
                                      nullptr);
        ASSERT_NE(window, nullptr);
        RECT client{};
        ASSERT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(client.right - client.left, c.width);
        EXPECT_EQ(client.bottom - client.top, c.height);
        DestroyWindow(window);
    }
}

TEST_F(WindowMessages, FramedStylesGrowTheRectangleOutwardsAndPopUpsDoNot) {
    RECT framed{0, 0, 800, 600};
    AdjustWindowRectEx(&framed, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    EXPECT_LT(framed.left, 0);
    EXPECT_LT(framed.top, framed.left);  // the caption sits on top of the frame
    EXPECT_GT(framed.right, 800);
    EXPECT_GT(framed.bottom, 600);
    RECT popup{0, 0, 800, 600};
    AdjustWindowRectEx(&popup, WS_POPUP, FALSE, WS_EX_APPWINDOW);
    EXPECT_EQ(popup.left, 0);
    EXPECT_EQ(popup.top, 0);
    EXPECT_EQ(popup.right, 800);
    EXPECT_EQ(popup.bottom, 600);
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, WS_POPUP, FALSE, 0));
}

TEST_F(WindowMessages, CloseThroughDefaultProcessingDestroysTheWindow) {
    HWND window = createClientWindow(200, 100);
    recorder().log.clear();
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    DispatchMessageA(&msg);
    EXPECT_EQ(messagesReceived(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowMessages, AltF4ClosesThroughTheSystemCommand) {
    HWND window = createClientWindow(200, 100);
    recorder().log.clear();
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 | KF_ALTDOWN_BIT);
    EXPECT_EQ(messagesReceived(), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowMessages, OtherSystemKeysAndPlainF4DoNotClose) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM key;
        LPARAM bits;
    };
    constexpr Case kCases[] = {
        {"F4 without Alt", WM_KEYDOWN, VK_F4, 1},
        {"F10 system key", WM_SYSKEYDOWN, VK_F10, 1},
        {"Alt+F5", WM_SYSKEYDOWN, VK_F5, 1 | KF_ALTDOWN_BIT},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, 1},
    };
    HWND window = createClientWindow(200, 100);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SendMessageA(window, c.message, c.key, c.bits), 0);
        EXPECT_TRUE(IsWindow(window));
    }
    EXPECT_TRUE(messagesReceived({WM_CLOSE, WM_DESTROY, WM_SYSCOMMAND}).empty());
}

TEST_F(WindowMessages, DestroyWindowSendsDestroyOnceAndDropsTheWindowsPostedMessages) {
    HWND window = createClientWindow(200, 100);
    HWND other = createClientWindow(50, 50);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(other, WM_USER + 2, 0, 0);
    recorder().log.clear();
    // A destruction handler that tries to destroy again must not recurse.
    recorder().handler = [](HWND w, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY) {
            EXPECT_FALSE(DestroyWindow(w));
        }
        return std::nullopt;
    };
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(messagesReceived(), (std::vector<UINT>{WM_DESTROY}));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, other);
    EXPECT_EQ(msg.message, WM_USER + 2);
}

TEST_F(WindowMessages, ShowWindowReportsVisibilityAndUpdateWindowPaintsOnce) {
    HWND window = createClientWindow(200, 100);
    recorder().log.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT));  // was hidden
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(UpdateWindow(window));                   // nothing new to paint
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));            // was visible
    EXPECT_EQ(messagesReceived(), (std::vector<UINT>{WM_SHOWWINDOW, WM_PAINT}));
    EXPECT_EQ(recorder().log.front().wParam, static_cast<WPARAM>(TRUE));
}

TEST_F(WindowMessages, MinimisingReportsZeroSizeAndRestoringTheOldOne) {
    HWND window = createClientWindow(300, 200);
    ShowWindow(window, SW_SHOW);
    recorder().log.clear();
    ShowWindow(window, SW_MINIMIZE);
    ShowWindow(window, SW_RESTORE);
    ASSERT_EQ(messagesReceived({WM_SIZE}).size(), 2u);
    const Received& minimised = recorder().log[0];
    EXPECT_EQ(minimised.wParam, SIZE_MINIMIZED);
    EXPECT_EQ(minimised.lParam, MAKELPARAM(0, 0));
    const Received& restored = recorder().log[1];
    EXPECT_EQ(restored.wParam, SIZE_RESTORED);
    EXPECT_EQ(restored.lParam, MAKELPARAM(300, 200));
}

TEST_F(WindowMessages, ClassesRegisterOnceAndUnregisterOnlyWithoutWindows) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "testclass";  // names compare without regard to case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = "Second";
    const ATOM atom = RegisterClassA(&wc);
    EXPECT_NE(atom, 0);
    HWND byAtom = CreateWindowExA(0, MAKEINTATOM(atom), "a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(byAtom, nullptr);
    EXPECT_FALSE(UnregisterClassA("Second", nullptr));
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassA("Second", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "Second", "a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowMessages, RefusedClassRecords) {
    struct Case {
        const char* name;
        WNDPROC procedure;
        LPCSTR className;
        int classExtra;
    };
    const Case kCases[] = {
        {"no procedure", nullptr, "A", 0},
        {"no name", recordingProc, nullptr, 0},
        {"empty name", recordingProc, "", 0},
        {"negative extra bytes", recordingProc, "B", -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        WNDCLASSA wc{};
        wc.lpfnWndProc = c.procedure;
        wc.lpszClassName = c.className;
        wc.cbClsExtra = c.classExtra;
        EXPECT_EQ(RegisterClassA(&wc), 0);
    }
    EXPECT_EQ(RegisterClassA(nullptr), 0);
}

TEST_F(WindowMessages, CallsWithUnknownHandlesFailAndChangeNothing) {
    HWND window = createClientWindow(200, 100);
    recorder().log.clear();
    std::vector<std::string> notes;
    platform::kernel::setTraceHook([&](std::string_view note) { notes.emplace_back(note); });
    const HWND stale = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x12345670));
    RECT rect{1, 2, 3, 4};
    MSG msg{stale, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(PostMessageA(stale, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(stale, WM_USER, 0, 0), 0);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(DestroyWindow(stale));
    EXPECT_FALSE(ShowWindow(stale, SW_SHOW));
    EXPECT_FALSE(UpdateWindow(stale));
    EXPECT_FALSE(GetClientRect(stale, &rect));
    EXPECT_FALSE(GetClientRect(window, nullptr));
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 4);
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(CreateWindowExA(0, "TestClass", "x", WS_POPUP, 0, 0, 1, 1, stale, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(recorder().log.empty());
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(IsWindow(window));
    platform::kernel::setTraceHook({});
    // Each refusal leaves one note on the trace channel, naming the call.
    EXPECT_NE(std::find(notes.begin(), notes.end(), "win32: PostMessageA: unknown window"), notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(), "win32: CreateWindowExA: no such class"), notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(), "win32: DestroyWindow: unknown window"), notes.end());
}

TEST_F(WindowMessages, StockObjectsAreDistinctAndNonNull) {
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
    EXPECT_NE(GetStockObject(WHITE_BRUSH), GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(GetStockObject(99), nullptr);
}

}  // namespace

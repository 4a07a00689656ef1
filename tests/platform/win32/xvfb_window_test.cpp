// The SDL backend against a real X server: a private Xvfb display, real input through xdotool,
// a close request as a window manager sends it, and a presented frame read back from the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/win32/present.h"
#include "tests/platform/win32/window_test_support.h"
#include "tests/platform/win32/x_client.h"
#include "tests/support/xvfb.h"

using namespace win32_test;

namespace {

constexpr const char* kTitle = "Xvfb test window";

// Runs a shell command and returns its standard output.
std::string run(const std::string& command) { return testsupport::runCommand(command); }

class XvfbWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_xvfb.start(); }
    static void TearDownTestSuite() { s_xvfb.stop(); }

    void SetUp() override {
        if (s_xvfb.state() == testsupport::SuiteXvfb::State::NotInstalled) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_EQ(s_xvfb.state(), testsupport::SuiteXvfb::State::Running) << "Xvfb did not start";
        ASSERT_FALSE(testsupport::findProgram("xdotool").empty())
            << "xdotool is missing (scripts/setup.sh installs it)";
        m_display.emplace(s_xvfb.name());
        platform::win32::resetWindowSystem();
        platform::win32::selectBackend(platform::win32::BackendKind::Sdl);
        platform::win32::setInputSchedule({});
        recorder() = Recorder{};
        ASSERT_EQ(platform::win32::activeBackend(), platform::win32::BackendKind::Sdl);
        WNDCLASSA wc{};
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "TestClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        platform::win32::resetWindowSystem();
        m_display.reset();
    }

    // Opens the window as the application does and waits until X shows it.
    HWND openWindow(int width, int height) {
        RECT rect{0, 0, width, height};
        AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
        HWND window = CreateWindowExA(0, "TestClass", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr,
                                      nullptr);
        if (window == nullptr) return nullptr;
        ShowWindow(window, SW_SHOWDEFAULT);
        UpdateWindow(window);
        // Polled rather than "search --sync", which would wait forever if the window never showed.
        pumpUntil([&] {
            m_xid = run(std::string("xdotool search --onlyvisible --name '^") + kTitle + "$' 2>/dev/null | head -n1");
            while (!m_xid.empty() && (m_xid.back() == '\n' || m_xid.back() == '\r')) m_xid.pop_back();
            return !m_xid.empty();
        });
        if (m_xid.empty()) {
            // What the server holds, for whoever reads the failure.
            std::fprintf(stderr, "window not found on %s:\n%s", std::getenv("DISPLAY"),
                         run("xwininfo -root -tree 2>&1 | head -n 20; ls -l /proc/" + std::to_string(::getpid()) +
                             "/fd 2>&1")
                             .c_str());
        }
        pumpUntil([] { return false; }, 200);  // let the mapping and first exposure settle
        return window;
    }

    // Dispatches messages until `done` holds or the time runs out.
    static bool pumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        MSG msg{};
        while (std::chrono::steady_clock::now() < deadline) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    }

    static const Received* find(UINT message, const std::function<bool(const Received&)>& also = {}) {
        for (const Received& r : recorder().log) {
            if (r.message == message && (!also || also(r))) return &r;
        }
        return nullptr;
    }

    std::string xdotool(const std::string& arguments) { return run("xdotool " + arguments + " 2>&1"); }

    static testsupport::SuiteXvfb s_xvfb;
    std::optional<testsupport::ScopedDisplay> m_display;
    std::string m_xid;
};

testsupport::SuiteXvfb XvfbWindow::s_xvfb;

TEST_F(XvfbWindow, RealClickEscapeAndResizeBecomeMessages) {
    HWND window = openWindow(320, 240);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(m_xid.empty()) << "xdotool did not find the window";
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);

    xdotool("mousemove --window " + m_xid + " 100 50 click 1");
    EXPECT_TRUE(pumpUntil([] { return find(WM_LBUTTONUP) != nullptr; }));
    const Received* down = find(WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, window);
    EXPECT_EQ(down->wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(GET_X_LPARAM(down->lParam), 100);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), 50);
    EXPECT_EQ(find(WM_LBUTTONUP)->wParam & MK_LBUTTON, 0u);

    xdotool("windowfocus --sync " + m_xid);
    xdotool("key Escape");
    EXPECT_TRUE(pumpUntil([] { return find(WM_KEYUP, [](const Received& r) { return r.wParam == VK_ESCAPE; }); }));
    const Received* escape = find(WM_KEYDOWN, [](const Received& r) { return r.wParam == VK_ESCAPE; });
    ASSERT_NE(escape, nullptr);
    EXPECT_EQ(escape->window, window);
    EXPECT_EQ(escape->lParam & KF_UP_BIT, 0);

    xdotool("windowsize " + m_xid + " 400 300");
    const auto resized = [](const Received& r) { return r.lParam == MAKELPARAM(400, 300); };
    EXPECT_TRUE(pumpUntil([&] { return find(WM_SIZE, resized) != nullptr; }));
    ASSERT_NE(find(WM_SIZE, resized), nullptr);
    EXPECT_EQ(find(WM_SIZE, resized)->wParam, SIZE_RESTORED);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
}

TEST_F(XvfbWindow, CloseRequestFromTheWindowManagerClosesAndDestroys) {
    HWND window = openWindow(200, 150);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(m_xid.empty());
    ASSERT_TRUE(sendCloseRequest(std::stoul(m_xid)));
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }));
    EXPECT_EQ(messagesReceived({WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
}

TEST_F(XvfbWindow, AltF4ClosesThroughDefaultProcessing) {
    HWND window = openWindow(200, 150);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(m_xid.empty());
    xdotool("windowfocus --sync " + m_xid);
    xdotool("key alt+F4");
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }));
    const Received* key = find(WM_SYSKEYDOWN, [](const Received& r) { return r.wParam == VK_F4; });
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key->lParam & KF_ALTDOWN_BIT, 0);
    EXPECT_EQ(messagesReceived({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

TEST_F(XvfbWindow, AModeTheDisplayDoesNotHaveIsRefused) {
    // Xvfb offers only its screen size; the demo's 800 x 600 full-screen request must fail cleanly.
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    EXPECT_FALSE(platform::win32::displayModeInForce().has_value());
    mode.dmPelsWidth = 1024;
    mode.dmPelsHeight = 768;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
}

TEST_F(XvfbWindow, AScheduleDrivesARealWindowAsItDrivesAHeadlessOne) {
    const std::string dir = freshOutputDir("sdl-captures");
    recorder().handler = quitOnEscapeOrDestroy;
    HWND window = openWindow(64, 32);
    ASSERT_NE(window, nullptr);
    // Waiting for the window counted frames already; the schedule starts from here.
    const int base = platform::win32::frameCount();
    platform::win32::InputSchedule schedule;
    schedule.clickFrames = {base + 1};
    schedule.escFrames = {base + 3};
    schedule.captureFrames = {base + 2};
    schedule.captureDirectory = dir;
    platform::win32::setInputSchedule(schedule);
    std::vector<int> rendered;
    const std::optional<int> code = runLoop([&] {
        const int frame = platform::win32::currentFrame();
        rendered.push_back(frame);
        std::vector<std::uint32_t> pixels(8 * 4, 0x00102030u + static_cast<std::uint32_t>(frame - base));
        platform::win32::presentFrame(window, pixels.data(), 8, 4, 32);
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(rendered, (std::vector<int>{base, base + 1, base + 2}));
    const Received* click = find(WM_LBUTTONDOWN);
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->lParam, MAKELPARAM(32, 16));
    EXPECT_NE(find(WM_KEYDOWN, [](const Received& r) { return r.wParam == VK_ESCAPE; }), nullptr);
    const std::optional<Image> image = readPng(dir + "/frame-" + [&] {
        char number[16];
        std::snprintf(number, sizeof number, "%05d", base + 2);
        return std::string(number);
    }() + ".png");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->rgb[0], 0x10);
    EXPECT_EQ(image->rgb[1], 0x20);
    EXPECT_EQ(image->rgb[2], 0x32);
}

TEST_F(XvfbWindow, APresentedFrameIsStretchedOverTheClientArea) {
    HWND window = openWindow(200, 100);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(m_xid.empty());
    // Four quadrants of 2 x 2 pixels each, so the stretch to 200 x 100 keeps each colour in its corner.
    constexpr std::uint32_t kQuadrants[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
    std::uint32_t pixels[16];
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) pixels[y * 4 + x] = kQuadrants[(y / 2) * 2 + x / 2];
    }
    ASSERT_TRUE(platform::win32::presentFrame(window, pixels, 4, 4, 16));
    pumpUntil([] { return false; }, 200);
    const std::string path = freshOutputDir("xwd") + "/window.xwd";
    const std::optional<testsupport::WindowDump> dump = testsupport::dumpWindow(m_xid, path);
    ASSERT_TRUE(dump.has_value()) << "no usable dump at " << path;
    ASSERT_EQ(dump->width(), 200);
    ASSERT_EQ(dump->height(), 100);
    struct Probe {
        int x;
        int y;
        std::uint32_t rgb;
    };
    const Probe kProbes[] = {{50, 25, 0xFF0000}, {150, 25, 0x00FF00}, {50, 75, 0x0000FF}, {150, 75, 0xFFFFFF},
                             {5, 5, 0xFF0000},   {195, 95, 0xFFFFFF}};
    for (const Probe& p : kProbes) {
        SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(dump->rgb(p.x, p.y), p.rgb);
    }
}

}  // namespace

namespace {

// Xvfb returns from every present at once, like any display that cannot wait for its refresh; a
// window asked to pace its frames (WIN32_VSYNC=1) must then keep the interval itself, or the demo's
// simulation, one step per frame, is over before anyone sees it.
TEST_F(XvfbWindow, APacedWindowPresentsNoFasterThanTheDisplayRefresh) {
    platform::win32::resetWindowSystem();
    ::setenv("WIN32_VSYNC", "1", 1);
    platform::win32::selectBackend(platform::win32::BackendKind::Sdl);
    const bool sdl = platform::win32::activeBackend() == platform::win32::BackendKind::Sdl;
    ::unsetenv("WIN32_VSYNC");
    ASSERT_TRUE(sdl);
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "TestClass";
    RegisterClassA(&wc);
    HWND window = openWindow(64, 48);
    ASSERT_NE(window, nullptr);

    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    const double hz = mode.dmDisplayFrequency > 0 ? mode.dmDisplayFrequency : 60.0;

    std::uint32_t pixels[4 * 4] = {};
    constexpr int kPresents = 13;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPresents; ++i) {
        ASSERT_TRUE(platform::win32::presentFrame(window, pixels, 4, 4, 16));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The first present shows at once; each later one waits for the next refresh interval.
    EXPECT_GE(seconds, (kPresents - 1) / hz * 0.99) << "at " << hz << " Hz";
}

}  // namespace

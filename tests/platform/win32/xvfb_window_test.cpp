// The SDL backend against a real X server: a private Xvfb display, real input through xdotool,
// a close request as a window manager sends it, and a presented frame read back from the screen.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32/present.h"
#include "tests/platform/win32/window_test_support.h"
#include "tests/platform/win32/x_client.h"

extern char** environ;

using namespace win32_test;

namespace {

constexpr const char* kTitle = "Xvfb test window";

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string all = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        const std::filesystem::path candidate = std::filesystem::path(all.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

// Runs a shell command and returns its standard output.
std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

// True when anything still listens for display N: a lock file, a socket file, or a socket in the
// abstract namespace (which a server that is shutting down may still hold after its lock is gone).
bool displayInUse(int display) {
    const std::string n = std::to_string(display);
    if (std::filesystem::exists("/tmp/.X" + n + "-lock") || std::filesystem::exists("/tmp/.X11-unix/X" + n)) {
        return true;
    }
    std::ifstream sockets("/proc/net/unix");
    const std::string wanted = "/tmp/.X11-unix/X" + n;
    for (std::string line; std::getline(sockets, line);) {
        if (line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0) {
            return true;
        }
    }
    return false;
}

// One private X server for the whole suite. The display number starts from the process id, so
// test processes run one after another never reuse the number of a server that is still going
// away, and a number anyone still listens on is skipped. -noreset: by default the server resets
// whenever its last client leaves and refuses connections meanwhile, which the windows opened and
// closed one after another would keep running into.
class XServer {
public:
    bool start(const std::string& program) {
        const int first = 100 + static_cast<int>(::getpid() % 400);
        for (int display = first; display < first + 40; ++display) {
            if (displayInUse(display)) continue;
            const std::string name = ":" + std::to_string(display);
            std::vector<std::string> args = {program,    name,      "-screen", "0",
                                             "1024x768x24", "-nolisten", "tcp",    "-noreset"};
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
                m_pid = -1;
                return false;
            }
            for (int tries = 0; tries < 400; ++tries) {
                int status = 0;
                if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                    m_pid = -1;  // lost the number to another server: try the next
                    break;
                }
                if (canOpenDisplay(name)) {
                    m_name = name;
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
            stop();
        }
        return false;
    }
    void stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

class XvfbWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string xvfb = findProgram("Xvfb");
        if (xvfb.empty()) return;
        s_server = new XServer;
        if (!s_server->start(xvfb)) {
            delete s_server;
            s_server = nullptr;
            s_startFailed = true;
        }
    }
    static void TearDownTestSuite() {
        if (s_server != nullptr) {
            s_server->stop();
            delete s_server;
            s_server = nullptr;
        }
    }

    void SetUp() override {
        if (s_server == nullptr && !s_startFailed) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(s_startFailed) << "Xvfb did not start";
        ASSERT_FALSE(findProgram("xdotool").empty()) << "xdotool is missing (scripts/setup.sh installs it)";
        const char* old = std::getenv("DISPLAY");
        m_oldDisplay = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("DISPLAY", s_server->name().c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
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
        if (m_oldDisplay) {
            ::setenv("DISPLAY", m_oldDisplay->c_str(), 1);
        } else {
            ::unsetenv("DISPLAY");
        }
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

    static XServer* s_server;
    static bool s_startFailed;
    std::optional<std::string> m_oldDisplay;
    std::string m_xid;
};

XServer* XvfbWindow::s_server = nullptr;
bool XvfbWindow::s_startFailed = false;

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

// Reads one pixel of an X window dump as 0xRRGGBB.
struct WindowDump {
    std::vector<unsigned char> bytes;
    std::uint32_t field(int index) const {
        const unsigned char* p = &bytes[static_cast<std::size_t>(index) * 4];
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
    }
    bool valid() const { return bytes.size() >= 100 && field(11) == 32 && field(0) <= bytes.size(); }
    int width() const { return static_cast<int>(field(4)); }
    int height() const { return static_cast<int>(field(5)); }
    std::uint32_t rgb(int x, int y) const {
        const std::size_t pixels = field(0) + field(19) * 12;  // header, then the colour map
        const std::size_t at = pixels + static_cast<std::size_t>(y) * field(12) + static_cast<std::size_t>(x) * 4;
        const unsigned char* p = &bytes[at];
        const std::uint32_t value = field(7) == 0 ? (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                                                     std::uint32_t{p[1]} << 8 | p[0])
                                                  : (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                                     std::uint32_t{p[2]} << 8 | p[3]);
        const auto channel = [&](std::uint32_t mask) {
            int shift = 0;
            while (mask != 0 && (mask & 1) == 0) {
                mask >>= 1;
                ++shift;
            }
            return (value >> shift) & 0xFF;
        };
        return (channel(field(14)) << 16) | (channel(field(15)) << 8) | channel(field(16));
    }
};

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
    run("xwd -silent -id " + m_xid + " -out " + path);
    std::ifstream in(path, std::ios::binary);
    WindowDump dump{std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {})};
    ASSERT_TRUE(dump.valid()) << "no usable dump at " << path;
    ASSERT_EQ(dump.width(), 200);
    ASSERT_EQ(dump.height(), 100);
    struct Probe {
        int x;
        int y;
        std::uint32_t rgb;
    };
    const Probe kProbes[] = {{50, 25, 0xFF0000}, {150, 25, 0x00FF00}, {50, 75, 0x0000FF}, {150, 75, 0xFFFFFF},
                             {5, 5, 0xFF0000},   {195, 95, 0xFFFFFF}};
    for (const Probe& p : kProbes) {
        SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(dump.rgb(p.x, p.y), p.rgb);
    }
}

}  // namespace

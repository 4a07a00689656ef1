// The demo in a real SDL window on a private X server. What the window shows, read back from the
// server, is the frame the device presented: pixel for pixel at the created 800 x 600, and
// stretched over the client area after each resize (the back buffer keeps its size). And the
// frames a real window is given are the very bytes a headless run of the same schedule presents:
// the simulation and the device are deterministic, and the window's size events reach the
// window procedure before the next frame exactly as the headless run's do.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app_fixture.h"
#include "render/scene.h"
#include "tests/support/golden_image.h"
#include "tests/support/stretch_compare.h"
#include "tests/support/xvfb.h"

namespace apptest {
namespace {

// Frames before the first screenshot: enough for the systems to have fallen and moved apart.
constexpr int kFramesBeforeResize = 60;
// Bounded waits on the X server; generous, since the sanitizer build draws slowly.
constexpr int kWaitMs = 15000;

struct ResizeCase {
    const char* name;
    int width;
    int height;
};

// Each resize changes the aspect, so the projection (and with it the presented frame) changes
// too: a size event that arrived late would show in the bytes.
constexpr ResizeCase kResizes[] = {
    {"wider and lower: enlarged across, reduced down", 960, 540},
    {"narrower and taller: reduced across, enlarged down", 560, 700},
    {"smaller both ways", 500, 430},
};

struct Presented {
    int frame = -1;
    testsupport::Image image;
};

std::string outputDir() {
    const std::filesystem::path dir = std::filesystem::path(GFX_TEST_OUTPUT_DIR) / "app_xvfb";
    std::filesystem::create_directories(dir);
    return dir.string();
}

testsupport::Image imageOf(const platform::win32::PresentedFrame& frame) {
    testsupport::Image image;
    image.width = frame.width;
    image.height = frame.height;
    image.pixels = frame.pixels;
    for (std::uint32_t& p : image.pixels) p &= 0x00FFFFFFu;
    return image;
}

testsupport::Image imageOf(const testsupport::WindowDump& dump) {
    testsupport::Image image;
    image.width = dump.width();
    image.height = dump.height();
    image.pixels.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) image.pixels.push_back(dump.rgb(x, y));
    }
    return image;
}

// The application's loop (WinMain's), stopped after `count` rendered frames: dispatch what
// waits, render when nothing does. False when the quit message came first.
bool runFrames(int count) {
    MSG msg{};
    int rendered = 0;
    for (int spins = 0; rendered < count && spins < 1000000; ++spins) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            render();
            ++rendered;
        }
    }
    return rendered == count;
}

// The same loop until the quit message; its code, or nullopt if none came.
std::optional<int> runUntilQuit() {
    MSG msg{};
    for (int spins = 0; spins < 100000; ++spins) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            render();
        }
    }
    return std::nullopt;
}

// Moves the backend's events into the queue until `done` holds or the time runs out, without
// rendering and without counting a frame: a peek at an empty queue is a frame boundary, so a
// thread message (dispatched to nobody by the loop later) keeps the queue from being empty.
bool pumpWithoutFrames(const std::function<bool()>& done, int milliseconds = kWaitMs) {
    PostMessageA(nullptr, WM_NULL, 0, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    MSG msg{};
    while (std::chrono::steady_clock::now() < deadline) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

class DemoWindowTest : public AppTest {
protected:
    static void SetUpTestSuite() { s_xvfb.start(); }
    static void TearDownTestSuite() { s_xvfb.stop(); }

    void SetUp() override {
        AppTest::SetUp();
        if (s_xvfb.state() == testsupport::SuiteXvfb::State::NotInstalled) GTEST_SKIP() << s_xvfb.failure();
        ASSERT_EQ(s_xvfb.state(), testsupport::SuiteXvfb::State::Running) << s_xvfb.failure();
        for (const char* tool : {"xdotool", "xwd"}) {
            ASSERT_FALSE(testsupport::findProgram(tool).empty())
                << tool << " is missing (scripts/setup.sh installs it)";
        }
        m_display.emplace(s_xvfb.name());
        selectRealWindow();
    }
    void TearDown() override {
        AppTest::TearDown();
        m_display.reset();
    }

    static void selectRealWindow() {
        platform::win32::resetWindowSystem();
        ASSERT_TRUE(platform::win32::selectBackend(platform::win32::BackendKind::Sdl));
        ASSERT_EQ(platform::win32::activeBackend(), platform::win32::BackendKind::Sdl);
    }

    // Finds the demo's window on the server and puts it in the screen's top-left corner, so that
    // every size the cases ask for lies wholly on screen (xwd reads only what is on screen).
    void findWindowOnServer() {
        const std::string title = appContext->windowTitle;
        ASSERT_TRUE(pumpWithoutFrames([&] {
            m_xid = trimmed(testsupport::runCommand("xdotool search --onlyvisible --name '^" + title +
                                                    "$' 2>/dev/null | head -n1"));
            return !m_xid.empty();
        })) << "the window never showed on " << s_xvfb.name();
        testsupport::runCommand("xdotool windowmove " + m_xid + " 0 0 2>&1");
        EXPECT_TRUE(pumpWithoutFrames([&] {
            const std::string geometry = testsupport::runCommand("xdotool getwindowgeometry " + m_xid + " 2>&1");
            return geometry.find("Position: 0,0") != std::string::npos;
        })) << testsupport::runCommand("xdotool getwindowgeometry " + m_xid + " 2>&1");
    }

    // Resizes the X window and waits until its size event is queued for the window procedure.
    void resizeOnServer(int width, int height) {
        testsupport::runCommand("xdotool windowsize " + m_xid + " " + std::to_string(width) + " " +
                                std::to_string(height) + " 2>&1");
        HWND window = appContext->hWnd;
        ASSERT_TRUE(pumpWithoutFrames([&] {
            MSG msg{};
            return PeekMessageA(&msg, window, WM_SIZE, WM_SIZE, PM_NOREMOVE) != FALSE &&
                   msg.lParam == MAKELPARAM(width, height);
        })) << "no WM_SIZE for " << width << " x " << height;
    }

    // The latest presented frame, which must be the main window's.
    static std::optional<Presented> takePresented() {
        const std::optional<platform::win32::PresentedFrame> frame = platform::win32::lastPresentedFrame();
        if (!frame || frame->window != appContext->hWnd) return std::nullopt;
        return Presented{frame->frame, imageOf(*frame)};
    }

    // Reads the window back until it shows `frame` stretched over `width` x `height` (the
    // presentation may reach the screen a moment after Present returns), then checks the last
    // reading, which it returns. `exact`: the window must equal the frame pixel for pixel.
    testsupport::Image expectWindowShows(const testsupport::Image& frame, int width, int height, bool exact,
                                         const std::string& tag) {
        const std::string path = outputDir() + "/" + tag + ".xwd";
        std::optional<testsupport::Image> shown;
        testsupport::StretchComparison result;
        const auto matches = [&] {
            const std::optional<testsupport::WindowDump> dump = testsupport::dumpWindow(m_xid, path);
            if (!dump) return false;
            shown = imageOf(*dump);
            if (shown->width != width || shown->height != height) return false;
            result = testsupport::compareStretched(*shown, frame, exact ? 0 : 2);
            return result.outside == 0 && (!exact || result.nearestExact == result.pixels);
        };
        const bool matched = pumpWithoutFrames(matches);
        if (!shown) {
            ADD_FAILURE() << "xwd gave no usable dump of window " << m_xid;
            return {};
        }
        std::printf("[ measure  ] %s: window %d x %d, %d of %d pixels equal to the nearest frame pixel, largest "
                    "channel difference %d, %d outside their neighbourhood (largest excess %d)\n",
                    tag.c_str(), shown->width, shown->height, result.nearestExact, result.pixels,
                    result.largestNearestDifference, result.outside, result.largestExcess);
        if (!matched) {
            testsupport::writePng(outputDir() + "/" + tag + ".shown.png", *shown);
            testsupport::writePng(outputDir() + "/" + tag + ".expected.png",
                                  testsupport::stretchNearest(frame, width, height));
            ADD_FAILURE() << tag << ": the window does not show the presented frame; see " << outputDir();
        }
        EXPECT_EQ(shown->width, width);
        EXPECT_EQ(shown->height, height);
        return *shown;
    }

    struct RealRun {
        std::vector<Presented> presented;   // the frame before the first resize, then one per resize
        std::vector<testsupport::Image> shown;  // what the window showed of each
    };

    // The real window: the demo's window with its scene, frames rendered by the application's
    // loop, a read-back after the last frame before the resizes and after the frame following
    // each resize, then the close box's path to the end.
    RealRun runRealWindow() {
        RealRun run;
        EXPECT_TRUE(createWindow());
        EXPECT_TRUE(m_boxes.empty());
        findWindowOnServer();
        RECT client{};
        GetClientRect(appContext->hWnd, &client);
        EXPECT_EQ(client.right, 800);
        EXPECT_EQ(client.bottom, 600);
        if (m_xid.empty() || !runFrames(kFramesBeforeResize)) {
            ADD_FAILURE() << "no window to read back, or the loop quit early";
            return run;
        }
        std::optional<Presented> shot = takePresented();
        if (!shot || shot->image.width != 800 || shot->image.height != 600) {
            ADD_FAILURE() << "no 800 x 600 frame was presented to the window";
            return run;
        }
        EXPECT_EQ(shot->frame, kFramesBeforeResize - 1);
        run.shown.push_back(expectWindowShows(shot->image, 800, 600, true, "frame-" + std::to_string(shot->frame)));
        run.presented.push_back(*shot);
        for (const ResizeCase& c : kResizes) {
            SCOPED_TRACE(c.name);
            resizeOnServer(c.width, c.height);
            EXPECT_TRUE(runFrames(1));
            // The size event reached the window procedure before the frame.
            EXPECT_EQ(appContext->width, c.width);
            EXPECT_EQ(appContext->height, c.height);
            GetClientRect(appContext->hWnd, &client);
            EXPECT_EQ(client.right, c.width);
            EXPECT_EQ(client.bottom, c.height);
            shot = takePresented();
            // The back buffer keeps its created size whatever the window's.
            if (!shot || shot->image.width != 800 || shot->image.height != 600) {
                ADD_FAILURE() << "no 800 x 600 frame was presented after the resize";
                return run;
            }
            EXPECT_EQ(shot->frame, run.presented.back().frame + 1);
            run.shown.push_back(expectWindowShows(shot->image, c.width, c.height, false,
                                                  "frame-" + std::to_string(shot->frame)));
            run.presented.push_back(*shot);
        }
        // The close box's path ends the run: cleanup releases everything, the loop quits with 0.
        PostMessageA(appContext->hWnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(runUntilQuit(), std::optional<int>(0));
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(springSystems, nullptr);
        return run;
    }

    // The real run's schedule, headless from a fresh start, with or without the size events,
    // writing the frames in `captures` as PNG into `captureDirectory`. A frame that is missing is
    // left empty, which no comparison accepts.
    std::vector<Presented> runHeadless(bool withResizes, const std::vector<int>& captures = {},
                                       const std::string& captureDirectory = {}) {
        resetApplicationState();
        platform::win32::resetWindowSystem();
        std::vector<Presented> frames;
        EXPECT_TRUE(platform::win32::selectBackend(platform::win32::BackendKind::Headless));
        platform::win32::InputSchedule schedule;
        schedule.captureFrames = captures;
        schedule.captureDirectory = captureDirectory;
        platform::win32::setInputSchedule(schedule);
        EXPECT_TRUE(createWindow());
        EXPECT_TRUE(m_boxes.empty());
        EXPECT_TRUE(runFrames(kFramesBeforeResize));
        frames.push_back(takePresented().value_or(Presented{}));
        for (const ResizeCase& c : kResizes) {
            if (withResizes) {
                PostMessageA(appContext->hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width, c.height));
            }
            EXPECT_TRUE(runFrames(1));
            frames.push_back(takePresented().value_or(Presented{}));
        }
        return frames;
    }

    static testsupport::SuiteXvfb s_xvfb;
    std::optional<testsupport::ScopedDisplay> m_display;
    std::string m_xid;
};

testsupport::SuiteXvfb DemoWindowTest::s_xvfb;

void expectSamePresented(const Presented& sdl, const Presented& headless) {
    EXPECT_EQ(sdl.frame, headless.frame);
    ASSERT_EQ(sdl.image.width, headless.image.width);
    ASSERT_EQ(sdl.image.height, headless.image.height);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < sdl.image.pixels.size(); ++i) {
        if (sdl.image.pixels[i] != headless.image.pixels[i]) ++differing;
    }
    EXPECT_EQ(differing, 0u) << "pixels that differ between the real window's run and the headless run";
}

std::string capturePath(const std::string& directory, int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05d.png", frame);
    return directory + "/" + name;
}

TEST_F(DemoWindowTest, WindowShowsThePresentedFrameAndItsStretchAfterEachResize) {
    // Run one: the real window, read back after each frame of interest.
    const RealRun real = runRealWindow();
    if (HasFatalFailure()) return;
    ASSERT_EQ(real.presented.size(), std::size(kResizes) + 1);
    ASSERT_EQ(real.shown.size(), real.presented.size());

    // Run two: the same schedule headless, from a fresh start; the size events are posted as the
    // real window's were, between the same two frames, and the same frame numbers are captured.
    const std::string captures = outputDir() + "/headless";
    std::filesystem::remove_all(captures);
    std::vector<int> frameNumbers;
    for (const Presented& p : real.presented) frameNumbers.push_back(p.frame);
    const std::vector<Presented> headless = runHeadless(true, frameNumbers, captures);
    ASSERT_EQ(headless.size(), real.presented.size());
    for (std::size_t i = 0; i < headless.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << real.presented[i].frame);
        expectSamePresented(real.presented[i], headless[i]);
        // The screenshot against the headless capture of the same frame number: equal at the
        // created size, the capture stretched after a resize.
        testsupport::Image capture;
        ASSERT_TRUE(testsupport::readPng(capturePath(captures, real.presented[i].frame), capture));
        for (std::uint32_t& p : capture.pixels) p &= 0x00FFFFFFu;
        const testsupport::StretchComparison c = testsupport::compareStretched(real.shown[i], capture, i == 0 ? 0 : 2);
        EXPECT_EQ(c.outside, 0);
        if (i == 0) {
            EXPECT_EQ(real.shown[i].pixels, capture.pixels);
        }
    }

    // Run three, headless without the size events: every frame after a resize differs from it, so
    // the agreement above depended on each size event arriving before its frame.
    const std::vector<Presented> unresized = runHeadless(false);
    ASSERT_EQ(unresized.size(), real.presented.size());
    EXPECT_EQ(unresized[0].image.pixels, real.presented[0].image.pixels);
    for (std::size_t i = 1; i < unresized.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << real.presented[i].frame);
        EXPECT_NE(unresized[i].image.pixels, real.presented[i].image.pixels);
    }
}

}  // namespace
}  // namespace apptest

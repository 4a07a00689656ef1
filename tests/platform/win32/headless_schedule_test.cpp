// Scripted runs: input and the frame limit at frame boundaries, captures written as PNG, and the
// schedule read from the environment.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/win32/present.h"
#include "tests/platform/win32/window_test_support.h"

using namespace win32_test;
using platform::win32::InputSchedule;

namespace {

class HeadlessSchedule : public ::testing::Test {
protected:
    void SetUp() override { startHeadless(); }
    void TearDown() override { platform::win32::resetWindowSystem(); }

    // A log line per render ("frame N") and per input message, to check their interleaving.
    std::vector<std::string> m_events;

    void recordInput() {
        recorder().handler = [this](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_LBUTTONDOWN) m_events.push_back("down");
            if (message == WM_LBUTTONUP) m_events.push_back("up");
            if (message == WM_KEYDOWN && wParam == VK_ESCAPE) m_events.push_back("esc");
            if (message == WM_CLOSE) m_events.push_back("close");
            return quitOnEscapeOrDestroy(w, message, wParam, lParam);
        };
    }
    void renderLogged() { m_events.push_back("frame " + std::to_string(platform::win32::currentFrame())); }
};

// The pixel a test frame has at (x, y) in frame f: distinct per frame and per position.
std::uint32_t patternPixel(int frame, int x, int y) {
    return 0xFF000000u | (static_cast<std::uint32_t>(frame * 40 + 10) << 16) | (static_cast<std::uint32_t>(x * 9) << 8) |
           static_cast<std::uint32_t>(y * 13);
}

TEST_F(HeadlessSchedule, ClicksAndEscapeArriveJustBeforeTheirFrames) {
    InputSchedule schedule;
    schedule.clickFrames = {2, 4};
    schedule.escFrames = {5};
    platform::win32::setInputSchedule(schedule);
    recordInput();
    ASSERT_NE(createClientWindow(320, 240), nullptr);
    const std::optional<int> code = runLoop([&] { renderLogged(); });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
    const std::vector<std::string> expected = {"frame 0", "frame 1", "down", "up",     "frame 2",
                                               "frame 3", "down",    "up",   "frame 4", "esc"};
    EXPECT_EQ(m_events, expected);
    // Esc quits before frame 5 is rendered.
    EXPECT_EQ(platform::win32::frameCount(), 5);
}

TEST_F(HeadlessSchedule, ClickIsALeftButtonPressAndReleaseAtTheClientCentre) {
    InputSchedule schedule;
    schedule.clickFrames = {0};
    schedule.frameLimit = 1;
    platform::win32::setInputSchedule(schedule);
    recorder().handler = quitOnEscapeOrDestroy;
    ASSERT_NE(createClientWindow(300, 201), nullptr);
    ASSERT_TRUE(runLoop([] {}).has_value());
    std::vector<Received> clicks;
    for (const Received& r : recorder().log) {
        if (r.message == WM_LBUTTONDOWN || r.message == WM_LBUTTONUP) clicks.push_back(r);
    }
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(clicks[0].wParam, MK_LBUTTON);
    EXPECT_EQ(GET_X_LPARAM(clicks[0].lParam), 150);
    EXPECT_EQ(GET_Y_LPARAM(clicks[0].lParam), 100);
    EXPECT_EQ(clicks[1].message, WM_LBUTTONUP);
    EXPECT_EQ(clicks[1].wParam, 0u);
    EXPECT_EQ(clicks[1].lParam, clicks[0].lParam);
}

TEST_F(HeadlessSchedule, FrameLimitClosesTheWindowAsTheCloseBoxWould) {
    InputSchedule schedule;
    schedule.frameLimit = 4;
    platform::win32::setInputSchedule(schedule);
    recordInput();
    HWND window = createClientWindow(64, 48);
    const std::optional<int> code = runLoop([&] { renderLogged(); });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(m_events, (std::vector<std::string>{"frame 0", "frame 1", "frame 2", "frame 3", "close"}));
    EXPECT_EQ(messagesReceived({WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(platform::win32::frameCount(), 4);
}

TEST_F(HeadlessSchedule, FrameLimitClosesOnlyOnceWhenTheProcedureKeepsTheWindow) {
    InputSchedule schedule;
    schedule.frameLimit = 2;
    platform::win32::setInputSchedule(schedule);
    recorder().handler = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CLOSE) return 0;  // declines to close
        return std::nullopt;
    };
    HWND window = createClientWindow(64, 48);
    int rendered = 0;
    EXPECT_FALSE(runLoop([&] { ++rendered; }, 50).has_value());
    EXPECT_EQ(messagesReceived({WM_CLOSE}).size(), 1u);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_GT(rendered, 2);
}

TEST_F(HeadlessSchedule, ALoopOfGetMessageAloneStillReachesTheFrameLimit) {
    InputSchedule schedule;
    schedule.frameLimit = 3;
    platform::win32::setInputSchedule(schedule);
    recorder().handler = quitOnEscapeOrDestroy;
    ASSERT_NE(createClientWindow(64, 48), nullptr);
    MSG msg{};
    int fetched = 0;
    BOOL result = 0;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0 && fetched < 100) {
        ++fetched;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(messagesReceived({WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
}

TEST_F(HeadlessSchedule, WithoutAWindowNothingIsInjected) {
    InputSchedule schedule;
    schedule.clickFrames = {0, 1};
    schedule.frameLimit = 0;
    platform::win32::setInputSchedule(schedule);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(platform::win32::frameCount(), 2);
    EXPECT_TRUE(recorder().log.empty());
}

TEST_F(HeadlessSchedule, CapturedFramesAreWrittenAsPngWithThePresentedPixels) {
    const std::string dir = freshOutputDir("captures");
    InputSchedule schedule;
    schedule.frameLimit = 5;
    schedule.captureFrames = {1, 3};
    schedule.captureDirectory = dir;
    platform::win32::setInputSchedule(schedule);
    recorder().handler = quitOnEscapeOrDestroy;
    HWND window = createClientWindow(40, 30);
    constexpr int kWidth = 7;
    constexpr int kHeight = 5;
    constexpr int kPitchPixels = 9;  // rows padded, as a locked surface may be
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(runLoop([&] {
        const int frame = platform::win32::currentFrame();
        std::vector<std::uint32_t> pixels(kPitchPixels * kHeight, 0xDEADBEEF);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                pixels[y * kPitchPixels + x] = patternPixel(frame, x, y);
            }
        }
        EXPECT_TRUE(platform::win32::presentFrame(window, pixels.data(), kWidth, kHeight, kPitchPixels * 4));
    }).has_value());
    const std::string said = ::testing::internal::GetCapturedStderr();

    for (int frame = 0; frame < 5; ++frame) {
        SCOPED_TRACE(frame);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05d.png", frame);
        const std::string path = (std::filesystem::path(dir) / name).string();
        const bool wanted = frame == 1 || frame == 3;
        ASSERT_EQ(std::filesystem::exists(path), wanted);
        if (!wanted) continue;
        EXPECT_NE(said.find(path), std::string::npos) << said;
        const std::optional<Image> image = readPng(path);
        ASSERT_TRUE(image.has_value());
        ASSERT_EQ(image->width, kWidth);
        ASSERT_EQ(image->height, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint32_t p = patternPixel(frame, x, y);
                const std::uint8_t* rgb = &image->rgb[static_cast<std::size_t>((y * kWidth + x) * 3)];
                ASSERT_EQ(rgb[0], (p >> 16) & 0xFF) << x << "," << y;
                ASSERT_EQ(rgb[1], (p >> 8) & 0xFF) << x << "," << y;
                ASSERT_EQ(rgb[2], p & 0xFF) << x << "," << y;
            }
        }
    }
    const auto last = platform::win32::lastPresentedFrame();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->frame, 4);
    EXPECT_EQ(last->window, window);
    ASSERT_EQ(last->pixels.size(), static_cast<std::size_t>(kWidth * kHeight));
    EXPECT_EQ(last->pixels[kWidth * 2 + 3], patternPixel(4, 3, 2));
}

TEST_F(HeadlessSchedule, AnUnwritableCaptureFolderIsReportedAndTheRunGoesOn) {
    const std::string dir = freshOutputDir("blocked");
    const std::string blocker = dir + "/file";
    std::FILE* f = std::fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    InputSchedule schedule;
    schedule.captureFrames = {0};
    schedule.captureDirectory = blocker + "/sub";  // a folder below a plain file cannot exist
    platform::win32::setInputSchedule(schedule);
    HWND window = createClientWindow(8, 8);
    MSG msg{};
    ASSERT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    const std::uint32_t pixel = 0x00FF00FF;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(platform::win32::presentFrame(window, &pixel, 1, 1, 4));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("cannot capture frame 0"), std::string::npos) << said;
    EXPECT_TRUE(platform::win32::lastPresentedFrame().has_value());
}

TEST_F(HeadlessSchedule, PresentRefusesBadArguments) {
    HWND window = createClientWindow(8, 8);
    const std::uint32_t pixels[4] = {};
    const HWND stale = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7770));
    struct Case {
        const char* name;
        HWND window;
        const void* pixels;
        int width;
        int height;
        int pitch;
        bool aboutTheSource;  // a fault only a caller that hands over pixels can make
    };
    const Case kCases[] = {
        {"unknown window", stale, pixels, 2, 2, 8, false},
        {"no pixels", window, nullptr, 2, 2, 8, true},
        {"zero width", window, pixels, 0, 2, 8, false},
        {"negative height", window, pixels, 2, -1, 8, false},
        {"pitch below a row", window, pixels, 2, 2, 7, true},
        {"absurd width", window, pixels, 1 << 30, 1, 1 << 30, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(platform::win32::presentFrame(c.window, c.pixels, c.width, c.height, c.pitch));
        // A caller that writes the frame itself is refused alike, before it is asked to write.
        if (c.aboutTheSource) continue;
        bool written = false;
        EXPECT_FALSE(platform::win32::presentFrame(c.window, c.width, c.height,
                                                   [&](std::uint32_t*) { written = true; }));
        EXPECT_FALSE(written);
    }
    EXPECT_FALSE(platform::win32::presentFrame(window, 2, 2, platform::win32::FrameWriter{}));
    EXPECT_FALSE(platform::win32::lastPresentedFrame().has_value());
}

TEST(HeadlessScheduleEnvironment, VariablesBecomeTheSchedule) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> variables;
        int frameLimit;
        std::vector<int> clicks;
        std::vector<int> escapes;
        std::vector<int> captures;
        std::string directory;
        int complaints;
    };
    const Case kCases[] = {
        {"nothing set", {}, -1, {}, {}, {}, "", 0},
        {"all set",
         {{"WIN32_FRAMES", "120"},
          {"WIN32_CLICK_AT", "3,10"},
          {"WIN32_ESC_AT", "99"},
          {"WIN32_CAPTURE", "0,60"},
          {"WIN32_CAPTURE_DIR", "/tmp/shots"}},
         120,
         {3, 10},
         {99},
         {0, 60},
         "/tmp/shots",
         0},
        {"unsorted with repeats", {{"WIN32_CLICK_AT", "9,2,9,0"}}, -1, {0, 2, 9}, {}, {}, "", 0},
        {"bad entries skipped",
         {{"WIN32_CLICK_AT", "1,x,-2,3 ,,4"}, {"WIN32_FRAMES", "ten"}},
         -1,
         {1, 4},
         {},
         {},
         "",
         5},
        {"frame limit zero", {{"WIN32_FRAMES", "0"}}, 0, {}, {}, {}, "", 0},
        {"out of range", {{"WIN32_ESC_AT", "99999999999"}}, -1, {}, {}, {}, "", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        int complaints = 0;
        const InputSchedule s = platform::win32::scheduleFromEnvironment(
            [&](const char* name) -> const char* {
                auto it = c.variables.find(name);
                return it == c.variables.end() ? nullptr : it->second.c_str();
            },
            [&](const std::string& line) {
                EXPECT_EQ(line.rfind("WIN32_", 0), 0u) << line;  // names the variable
                ++complaints;
            });
        EXPECT_EQ(s.frameLimit, c.frameLimit);
        EXPECT_EQ(s.clickFrames, c.clicks);
        EXPECT_EQ(s.escFrames, c.escapes);
        EXPECT_EQ(s.captureFrames, c.captures);
        EXPECT_EQ(s.captureDirectory, c.directory);
        EXPECT_EQ(complaints, c.complaints);
    }
}

}  // namespace

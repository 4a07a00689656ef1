// Controls of the window layer for scripted runs and tests.
//
// A scripted run (headless, or a real window driven without a person) follows an input schedule
// counted in frames. A frame is what the application's loop renders: the loop renders once each
// time PeekMessageA finds the queue empty, so every such empty peek is one frame and frame 0 is
// the first. Scheduled input for frame f is posted at the peek that would otherwise have become
// frame f, so the loop dispatches it first and renders frame f right after. That holds whether or
// not a device exists yet.
//
// The environment variables, read once when the window system starts (unless a schedule was set
// through setInputSchedule first):
//   WIN32_HEADLESS=1          no window at all, even with a display
//   WIN32_FRAMES=N            after N frames, post WM_CLOSE to the main window, as its close box would
//   WIN32_CLICK_AT=f1,f2,...  a left click (WM_LBUTTONDOWN, WM_LBUTTONUP) at the client centre
//                             before each listed frame
//   WIN32_ESC_AT=f1,...       Esc pressed and released (WM_KEYDOWN, WM_KEYUP) before each frame
//   WIN32_CAPTURE=f1,...      write the frames presented during these frames as PNG
//   WIN32_CAPTURE_DIR=dir     where those go (default: the working directory), as frame-NNNNN.png
//   WIN32_DISPLAY_MODES=WxHxB,...  the modes of the headless display (default
//                             640x480x32,800x600x32,1024x768x32; the last one is the current mode)
//   WIN32_VSYNC=1             a real window's presentation is paced to the display refresh (60 Hz
//                             where the display cannot pace it); by default it is not paced
// A malformed entry is reported on standard error, naming the variable, and ignored. Each written
// capture is announced on standard error ("win32: captured frame N to <path>"), as is a capture
// that could not be written. Refused calls leave a note on the kernel's trace channel
// (WIN32_TRACE=1), e.g. "win32: PostMessageA: unknown window".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform::win32 {

enum class BackendKind {
    Automatic,  // headless without a display or with WIN32_HEADLESS=1, else a real window
    Headless,
    Sdl,
};

struct InputSchedule {
    int frameLimit = -1;  // close the main window after this many frames; negative: never
    std::vector<int> clickFrames;
    std::vector<int> escFrames;
    std::vector<int> captureFrames;
    std::string captureDirectory;  // empty: the working directory
};

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshHz = 0;
};

// A frame as it was presented, tightly packed X8R8G8B8 (0xXXRRGGBB per pixel).
struct PresentedFrame {
    HWND window = nullptr;
    int frame = -1;  // the frame number it was presented in
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Tears everything down (windows without messages, classes, queue, quit flag, cursor counter,
// display mode, schedule, frame count) and shuts the backend; the next call starts afresh.
void resetWindowSystem();

// Chooses the backend for the next start. Refused (false) once the window system has started.
bool selectBackend(BackendKind kind);

// The backend in use, starting the window system if it has not started yet.
BackendKind activeBackend();

// Replaces the schedule; the environment is then not consulted for it.
void setInputSchedule(const InputSchedule& schedule);

// The schedule as the environment describes it. `lookup` returns a variable's value or null.
// Malformed entries are reported through `report` (one line each) and left out.
InputSchedule scheduleFromEnvironment(const std::function<const char*(const char*)>& lookup,
                                      const std::function<void(const std::string&)>& report);

// Replaces the headless display's modes (the last is the current one) for the next start, instead
// of WIN32_DISPLAY_MODES. A real display lists its own modes.
void setHeadlessDisplayModes(const std::vector<DisplayMode>& modes);

// Frames rendered so far (empty peeks), and the frame being rendered now (-1 before the first).
int frameCount();
int currentFrame();

// The latest frame presented to any window, if any.
std::optional<PresentedFrame> lastPresentedFrame();

// The cursor's display counter (the cursor shows while it is 0 or more).
int cursorDisplayCount();

// The display mode set by ChangeDisplaySettingsA, if one is in force.
std::optional<DisplayMode> displayModeInForce();

}  // namespace platform::win32

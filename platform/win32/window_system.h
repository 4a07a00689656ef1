// The window system's one piece of process-wide state: classes, windows, the thread's queue, the
// schedule and the backend. Everything runs on the thread that drives the message loop, so none
// of it is guarded.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/backend.h"
#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace platform::win32 {

struct WindowClass {
    ATOM atom = 0;
    std::string name;
    WNDCLASSA record{};  // lpszClassName and lpszMenuName are not kept: the caller owns those texts
};

struct Window {
    HWND handle = nullptr;
    ATOM classAtom = 0;
    WNDPROC procedure = nullptr;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    bool visible = false;
    bool minimised = false;
    bool needsPaint = false;
    bool destroying = false;
    int reportedWidth = -1;  // the size the last WM_SIZE carried
    int reportedHeight = -1;
    void* native = nullptr;  // the backend's own
};

struct WindowSystemState {
    BackendKind requested = BackendKind::Automatic;
    std::unique_ptr<Backend> backend;

    std::vector<WindowClass> classes;
    ATOM nextAtom = 0xC000;
    std::map<std::uintptr_t, std::unique_ptr<Window>> windows;  // by handle value, creation order

    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    std::array<bool, 256> keyDown{};

    InputSchedule schedule;
    bool scheduleSet = false;
    int framesRendered = 0;
    int currentFrame = -1;
    int injectedForFrame = -1;  // the frame whose scheduled input was posted already
    bool closePosted = false;

    std::optional<PresentedFrame> lastFrame;
    int cursorCount = 0;
    std::optional<DisplayMode> modeInForce;
    std::vector<DisplayMode> headlessModes;
    bool headlessModesSet = false;
};

WindowSystemState& windowSystem();

// The backend, choosing and starting it (and reading the environment) on first use.
Backend& backend();
bool started();

Window* findWindow(HWND handle);
// A class by name (case-insensitive) or by atom (an integer resource in the pointer).
WindowClass* findClass(LPCSTR nameOrAtom);
// The first live window in creation order: the one scheduled input and the frame limit go to.
Window* mainWindow();

// Where backends deliver native events.
EventSink& eventSink();

// Posts WM_SIZE for the window's current client size unless that is what it last reported.
void reportClientSize(Window& window, WPARAM kind, bool send);

// A line on standard error from the window layer itself ("win32: ...").
void notice(const std::string& line);

// A refused call, as one note on the stand-ins' trace channel ("win32: <call>: <why>").
void refusal(const char* call, const char* why);

// Applies the schedule at an empty peek. Returns true when it posted something (so the peek is no
// longer empty); otherwise the empty peek becomes the next frame.
bool injectScheduledInput(WindowSystemState& state);
bool captureRequested(const InputSchedule& schedule, int frame);

// Writes a frame as an 8-bit RGB PNG. Returns an empty string on success, else the reason.
std::string writePng(const std::string& path, const PresentedFrame& frame);

}  // namespace platform::win32

// Helpers shared by the window-layer tests: a window procedure that records what it receives,
// a message loop shaped like the application's, and a PNG reader.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace win32_test {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the recording procedure does after recording: a handler may answer a message itself
// (returning a result); otherwise DefWindowProcA answers.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

struct Recorder {
    std::vector<Received> log;
    Handler handler;
    // Client size seen by GetClientRect while WM_CREATE ran.
    RECT clientAtCreate{};
};

Recorder& recorder();
LRESULT recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The messages received, in order, restricted to `interesting` (all when empty).
std::vector<UINT> messagesReceived(const std::vector<UINT>& interesting = {});

// Resets the window system to a headless start with an empty schedule and a fresh recorder,
// and registers the class "TestClass" with recordingProc.
void startHeadless();

// An overlapped window whose client area is width x height, created as the application does.
HWND createClientWindow(int width, int height, DWORD style = WS_OVERLAPPEDWINDOW);

// The application's loop: peek without removing; fetch and dispatch when something waits, render
// otherwise. Returns the quit code, or nullopt when maxIterations passed without a quit.
std::optional<int> runLoop(const std::function<void()>& render, int maxIterations = 10000);

// The behaviour of the application's procedure: Esc and WM_DESTROY post the quit message.
std::optional<LRESULT> quitOnEscapeOrDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes per pixel
};
std::optional<Image> readPng(const std::string& path);

// A fresh, empty folder under the build's test output folder.
std::string freshOutputDir(const std::string& name);

}  // namespace win32_test

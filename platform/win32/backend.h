// What the window system asks of a backend. The queue, the classes, the windows' bookkeeping and
// the schedule are common; a backend only owns the native side: the real window (or none), its
// events, presentation, the display and message boxes.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/win32/controls.h"
#include "platform/win32/windows.h"

namespace platform::win32 {

struct Window;

// Where a backend delivers what happened to a native window.
class EventSink {
public:
    virtual void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The client area changed size as the user or the system saw it. The sink posts WM_SIZE only
    // when this differs from what the window last reported.
    virtual void clientSizeChanged(HWND window, WPARAM kind, int width, int height) = 0;

protected:
    ~EventSink() = default;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual BackendKind kind() const = 0;

    // Creates the native side of a window whose client size is already decided. False refuses the
    // window.
    virtual bool createWindow(Window& window) = 0;
    virtual void destroyWindow(Window& window) = 0;
    virtual void showWindow(Window& window, int showCommand) = 0;

    // Moves what happened natively into the sink. Never blocks.
    virtual void pumpEvents(EventSink& sink) = 0;
    // Waits up to timeoutMs for native events; false when there is nothing that could ever come.
    virtual bool waitForEvents(int timeoutMs) = 0;

    // Shows a frame (tightly packed X8R8G8B8) in the window's client area.
    virtual void present(Window& window, const PresentedFrame& frame) = 0;

    virtual std::vector<DisplayMode> displayModes() = 0;
    virtual DisplayMode currentDisplayMode() = 0;
    // Switches to a listed mode (full screen) or, with none, back to the desktop.
    virtual bool applyDisplayMode(const std::optional<DisplayMode>& mode) = 0;

    virtual void setCursorVisible(bool visible) = 0;

    // A modal box; returns the button pressed.
    virtual int messageBox(const MessageBoxRecord& box) = 0;
};

std::unique_ptr<Backend> makeHeadlessBackend(std::vector<DisplayMode> modes);
// Null when SDL cannot open its video subsystem.
std::unique_ptr<Backend> makeSdlBackend(bool vsync);

// The button a box answers with when nobody presses one: its default button.
int defaultButton(UINT type);

}  // namespace platform::win32

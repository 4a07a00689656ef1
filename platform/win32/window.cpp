// Windows: creation and destruction with their messages, showing, painting, the frame metrics and
// the default window procedure.
#include <algorithm>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

// Handles are numbers that are never reused in a process, so a stale handle cannot reach a newer
// window. The counter survives resetWindowSystem on purpose.
std::uintptr_t nextHandleValue() {
    static std::uintptr_t next = 0x10000;
    next += 0x10;
    return next;
}

struct FrameInsets {
    int left;
    int top;
    int right;
    int bottom;
};

// The non-client area a style adds around the client area. One function serves both directions
// (client to outer in AdjustWindowRectEx, outer to client in CreateWindowExA), so they agree.
FrameInsets frameInsets(DWORD style, bool menu, DWORD exStyle) {
    int edge = 0;
    if ((style & WS_THICKFRAME) != 0) {
        edge = 4;
    } else if ((style & WS_DLGFRAME) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0) {
        edge = 3;
    } else if ((style & WS_BORDER) != 0) {
        edge = 1;
    }
    if ((exStyle & WS_EX_CLIENTEDGE) != 0) {
        edge += 2;
    }
    const int caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
    const int menuBar = menu ? 19 : 0;
    return {edge, edge + caption + menuBar, edge, edge};
}

// The outer size a window gets when the caller leaves it to us: a client area of 640 x 480.
constexpr int kDefaultClientWidth = 640;
constexpr int kDefaultClientHeight = 480;

void purgeMessagesFor(HWND handle) {
    auto& queue = windowSystem().queue;
    queue.erase(std::remove_if(queue.begin(), queue.end(), [&](const MSG& m) { return m.hwnd == handle; }),
                queue.end());
}

bool isMinimiseCommand(int command) {
    return command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
}

}  // namespace
}  // namespace platform::win32

using namespace platform::win32;

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (rect == nullptr) {
        return FALSE;
    }
    const FrameInsets insets = frameInsets(style, menu != FALSE, exStyle);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    WindowClass* windowClass = findClass(className);
    if (windowClass == nullptr) {
        refusal("CreateWindowExA", "no such class");
        return nullptr;
    }
    if (parent != nullptr && findWindow(parent) == nullptr) {
        refusal("CreateWindowExA", "unknown parent window");
        return nullptr;
    }
    if ((style & WS_CHILD) != 0 && parent == nullptr) {
        refusal("CreateWindowExA", "a child window needs a parent");
        return nullptr;
    }
    const FrameInsets insets = frameInsets(style, menu != nullptr, exStyle);
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(nextHandleValue());
    window->classAtom = windowClass->atom;
    window->procedure = windowClass->record.lpfnWndProc;
    window->title = windowName != nullptr ? windowName : "";
    window->style = style;
    window->exStyle = exStyle;
    if (width == CW_USEDEFAULT) {
        window->clientWidth = kDefaultClientWidth;
        window->clientHeight = kDefaultClientHeight;
    } else {
        window->clientWidth = std::max(0, width - insets.left - insets.right);
        window->clientHeight = std::max(0, height - insets.top - insets.bottom);
    }
    Window& created = *window;
    if (!backend().createWindow(created)) {
        return nullptr;
    }
    const HWND handle = created.handle;
    windowSystem().windows.emplace(reinterpret_cast<std::uintptr_t>(handle), std::move(window));

    CREATESTRUCTA create{};
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cx = width;
    create.cy = height;
    create.x = x;
    create.y = y;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    // The creation handler may have destroyed the window itself; look it up again.
    Window* live = findWindow(handle);
    if (live == nullptr || live->destroying) {
        return nullptr;
    }
    reportClientSize(*live, SIZE_RESTORED, true);
    if ((style & WS_VISIBLE) != 0 && findWindow(handle) != nullptr) {
        ShowWindow(handle, SW_SHOW);
    }
    return findWindow(handle) != nullptr ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (window == nullptr || window->destroying) {
        refusal("DestroyWindow", window == nullptr ? "unknown window" : "already being destroyed");
        return FALSE;
    }
    window->destroying = true;
    SendMessageA(handle, WM_DESTROY, 0, 0);
    // Look up again: nothing may have erased it, but the reference must not outlive the call.
    window = findWindow(handle);
    if (window != nullptr) {
        if (started()) {
            backend().destroyWindow(*window);
        }
        windowSystem().windows.erase(reinterpret_cast<std::uintptr_t>(handle));
    }
    purgeMessagesFor(handle);
    return TRUE;
}

BOOL IsWindow(HWND handle) { return findWindow(handle) != nullptr ? TRUE : FALSE; }

BOOL ShowWindow(HWND handle, int command) {
    Window* window = findWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    const bool wasVisible = window->visible;
    const bool show = command != SW_HIDE;
    if (show != wasVisible) {
        window->visible = show;
        window->needsPaint = show;
        SendMessageA(handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        window = findWindow(handle);
        if (window == nullptr) {
            return wasVisible ? TRUE : FALSE;
        }
    }
    backend().showWindow(*window, command);
    if (isMinimiseCommand(command) && !window->minimised) {
        window->minimised = true;
        reportClientSize(*window, SIZE_MINIMIZED, true);
    } else if (show && !isMinimiseCommand(command) && window->minimised) {
        window->minimised = false;
        reportClientSize(*window, SIZE_RESTORED, true);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    if (window->visible && window->needsPaint) {
        window->needsPaint = false;
        SendMessageA(handle, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect) {
    const Window* window = findWindow(handle);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    rect->left = 0;
    rect->top = 0;
    rect->right = window->minimised ? 0 : window->clientWidth;
    rect->bottom = window->minimised ? 0 : window->clientHeight;
    return TRUE;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(handle);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & KF_ALTDOWN_BIT) != 0) {
                SendMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                SendMessageA(handle, WM_CLOSE, 0, 0);
            }
            return 0;
        case WM_PAINT:
            if (Window* window = findWindow(handle)) {
                window->needsPaint = false;
            }
            return 0;
        default:
            return 0;
    }
}

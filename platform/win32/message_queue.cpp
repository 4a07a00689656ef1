// The thread's message queue: posting, peeking, getting, sending and dispatching.
//
// Peeking first moves what the backend has seen into the queue, then looks at the posted messages
// in order, then at the quit flag. A peek that finds nothing at all is a frame boundary of the
// scripted schedule (see controls.h): the schedule may post input there, and otherwise the peek
// counts as the next frame.
#include <algorithm>
#include <chrono>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

bool isKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

// The key state follows the messages as the thread retrieves them, so GetKeyState answers for
// the moment of the message being handled, not for the hardware now.
void trackKeyState(WindowSystemState& state, const MSG& msg) {
    if (isKeyMessage(msg.message)) {
        const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        state.keyDown[msg.wParam & 0xFF] = down;
        return;
    }
    switch (msg.message) {
        case WM_LBUTTONDOWN: state.keyDown[VK_LBUTTON] = true; break;
        case WM_LBUTTONUP: state.keyDown[VK_LBUTTON] = false; break;
        case WM_RBUTTONDOWN: state.keyDown[VK_RBUTTON] = true; break;
        case WM_RBUTTONUP: state.keyDown[VK_RBUTTON] = false; break;
        case WM_MBUTTONDOWN: state.keyDown[VK_MBUTTON] = true; break;
        case WM_MBUTTONUP: state.keyDown[VK_MBUTTON] = false; break;
        default: break;
    }
}

// A null window filter takes every message; (HWND)-1 takes only thread messages (no window).
bool passesFilter(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window == reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) {
        if (msg.hwnd != nullptr) {
            return false;
        }
    } else if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return msg.message >= filterMin && msg.message <= filterMax;
}

DWORD tickCount() {
    using namespace std::chrono;
    static const auto origin = steady_clock::now();
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now() - origin).count());
}

MSG quitMessage(const WindowSystemState& state) {
    MSG msg{};
    msg.message = WM_QUIT;
    msg.wParam = static_cast<WPARAM>(static_cast<UINT>(state.quitCode));
    msg.time = tickCount();
    return msg;
}

// One look at the queue. Returns true with *out filled when a message matched.
bool takeMessage(WindowSystemState& state, MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
        if (!passesFilter(*it, window, filterMin, filterMax)) {
            continue;
        }
        *out = *it;
        if (remove) {
            state.queue.erase(it);
            trackKeyState(state, *out);
        }
        return true;
    }
    // The quit flag is seen only once no posted message is left, whatever the filters say.
    if (state.quitPending && state.queue.empty()) {
        *out = quitMessage(state);
        if (remove) {
            state.quitPending = false;
        }
        return true;
    }
    return false;
}

// An empty queue: the schedule may post, else this moment becomes the next frame.
bool idleBoundary(WindowSystemState& state) {
    if (injectScheduledInput(state)) {
        return true;
    }
    state.currentFrame = state.framesRendered;
    ++state.framesRendered;
    return false;
}

// Whether the schedule will still post something if the thread keeps waiting.
bool scheduleHasMore(const WindowSystemState& state) {
    if (mainWindow() == nullptr) {
        return false;
    }
    const InputSchedule& s = state.schedule;
    if (s.frameLimit >= 0) {
        return !state.closePosted;
    }
    const auto later = [&](const std::vector<int>& frames) {
        return std::any_of(frames.begin(), frames.end(), [&](int f) { return f >= state.framesRendered; });
    };
    return later(s.clickFrames) || later(s.escFrames);
}

}  // namespace
}  // namespace platform::win32

using namespace platform::win32;

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && findWindow(window) == nullptr) {
        refusal("PostMessageA", "unknown window");
        return FALSE;
    }
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = tickCount();
    windowSystem().queue.push_back(msg);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    WindowSystemState& state = windowSystem();
    state.quitPending = true;
    state.quitCode = exitCode;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeOptions) {
    if (msg == nullptr) {
        return FALSE;
    }
    backend().pumpEvents(eventSink());
    WindowSystemState& state = windowSystem();
    const bool remove = (removeOptions & PM_REMOVE) != 0;
    if (takeMessage(state, msg, window, filterMin, filterMax, remove)) {
        return TRUE;
    }
    if (state.queue.empty() && !state.quitPending && idleBoundary(state)) {
        return takeMessage(state, msg, window, filterMin, filterMax, remove) ? TRUE : FALSE;
    }
    return FALSE;
}

// Returns 0 for WM_QUIT and nonzero for any other message. Where a real system would wait
// forever (nothing queued, no window that could produce input, nothing left in the schedule) it
// returns -1 instead of hanging.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) {
        return -1;
    }
    WindowSystemState& state = windowSystem();
    for (;;) {
        backend().pumpEvents(eventSink());
        if (takeMessage(state, msg, window, filterMin, filterMax, true)) {
            return msg->message == WM_QUIT ? 0 : 1;
        }
        // A wait with nothing queued is an idle moment like an empty peek: the schedule advances,
        // so a loop built on GetMessageA alone still sees its scripted input and frame limit.
        if (state.queue.empty() && !state.quitPending) {
            if (idleBoundary(state) || backend().waitForEvents(50) || scheduleHasMore(state)) {
                continue;
            }
            refusal("GetMessageA", "nothing queued and nothing can arrive; not waiting forever");
            return -1;
        }
        // Only messages the filters exclude are left: new ones can come from the backend alone.
        if (!backend().waitForEvents(50)) {
            refusal("GetMessageA", "only filtered-out messages left and nothing can arrive");
            return -1;
        }
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const WindowSystemState& state = windowSystem();
    const bool shift = state.keyDown[VK_SHIFT];
    const UINT vk = static_cast<UINT>(msg->wParam);
    WPARAM character = 0;
    if (vk >= 'A' && vk <= 'Z') {
        character = shift ? vk : vk - 'A' + 'a';
    } else if (vk >= '0' && vk <= '9') {
        character = vk;
    } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK || vk == VK_TAB) {
        character = vk;
    } else {
        return FALSE;
    }
    const UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    return PostMessageA(msg->hwnd, charMessage, character, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* target = findWindow(window);
    if (target == nullptr || target->procedure == nullptr) {
        return 0;
    }
    return target->procedure(window, message, wParam, lParam);
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) {
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) {
        return 0;
    }
    return windowSystem().keyDown[static_cast<std::size_t>(virtualKey)] ? static_cast<SHORT>(0x8000) : 0;
}

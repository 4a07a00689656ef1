// The SDL backend: every window is a real SDL window whose client area has the window's client
// size. SDL's events become posted messages, presented frames are uploaded to a streaming texture
// and stretched to the client area (the device's back buffer keeps its size while the window may
// be resized), and message boxes are SDL's.
//
// A display mode set through ChangeDisplaySettingsA takes effect on pop-up windows, which become
// full-screen windows in that mode; SDL only changes a display's mode for a full-screen window,
// and a program that changes the mode creates exactly such a window next. Restoring takes every
// window back to the desktop.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/win32/key_codes.h"
#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

struct NativeWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::chrono::steady_clock::time_point lastPresent{};  // when the last paced frame was shown
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
};

NativeWindow* nativeOf(Window& window) { return static_cast<NativeWindow*>(window.native); }

// Desktops of 32-bit pixels call themselves 32 bits deep, whatever SDL counts as significant.
DisplayMode modeFromSdl(const SDL_DisplayMode& mode) {
    const int bits = SDL_BYTESPERPIXEL(mode.format) == 4 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    return {mode.w, mode.h, bits, mode.refresh_rate};
}

WPARAM mouseFlags(Uint32 buttons) {
    WPARAM flags = 0;
    if ((buttons & SDL_BUTTON_LMASK) != 0) flags |= MK_LBUTTON;
    if ((buttons & SDL_BUTTON_RMASK) != 0) flags |= MK_RBUTTON;
    if ((buttons & SDL_BUTTON_MMASK) != 0) flags |= MK_MBUTTON;
    const SDL_Keymod mods = SDL_GetModState();
    if ((mods & KMOD_SHIFT) != 0) flags |= MK_SHIFT;
    if ((mods & KMOD_CTRL) != 0) flags |= MK_CONTROL;
    return flags;
}

class SdlBackend final : public Backend {
public:
    explicit SdlBackend(bool vsync) : m_vsync(vsync) {}
    ~SdlBackend() override { SDL_Quit(); }

    BackendKind kind() const override { return BackendKind::Sdl; }

    bool createWindow(Window& window) override;
    void destroyWindow(Window& window) override;
    void showWindow(Window& window, int command) override;
    void pumpEvents(EventSink& sink) override;
    bool waitForEvents(int timeoutMs) override;
    void present(Window& window, const PresentedFrame& frame) override;

    std::vector<DisplayMode> displayModes() override;
    DisplayMode currentDisplayMode() override;
    bool applyDisplayMode(const std::optional<DisplayMode>& mode) override;
    void setCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }
    int messageBox(const MessageBoxRecord& box) override;

private:
    void translate(const SDL_Event& event, EventSink& sink);
    void translateWindowEvent(HWND handle, const SDL_WindowEvent& event, EventSink& sink);
    void redraw(NativeWindow& native);
    bool enterFullScreen(NativeWindow& native, const DisplayMode& mode);
    HWND handleOf(Uint32 windowId) const {
        auto it = m_byId.find(windowId);
        return it == m_byId.end() ? nullptr : it->second;
    }

    void paceFrame(NativeWindow& native);

    bool m_vsync;
    std::map<Uint32, HWND> m_byId;
    std::optional<DisplayMode> m_mode;
    Uint32 m_buttons = 0;
};

bool SdlBackend::createWindow(Window& window) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((window.style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if ((window.style & WS_POPUP) != 0 && (window.style & WS_CAPTION) != WS_CAPTION) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    auto native = std::make_unique<NativeWindow>();
    native->window = SDL_CreateWindow(window.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      std::max(1, window.clientWidth), std::max(1, window.clientHeight), flags);
    if (native->window == nullptr) {
        notice(std::string("cannot create a window: ") + SDL_GetError());
        return false;
    }
    const Uint32 pacing = m_vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    native->renderer = SDL_CreateRenderer(native->window, -1, pacing);
    if (native->renderer == nullptr) {
        native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (native->renderer == nullptr) {
        notice(std::string("cannot draw into a window: ") + SDL_GetError());
        SDL_DestroyWindow(native->window);
        return false;
    }
    if ((window.style & WS_POPUP) != 0 && m_mode) {
        enterFullScreen(*native, *m_mode);
    }
    m_byId[SDL_GetWindowID(native->window)] = window.handle;
    window.native = native.release();
    return true;
}

void SdlBackend::destroyWindow(Window& window) {
    NativeWindow* native = nativeOf(window);
    if (native == nullptr) {
        return;
    }
    m_byId.erase(SDL_GetWindowID(native->window));
    if (native->texture != nullptr) {
        SDL_DestroyTexture(native->texture);
    }
    SDL_DestroyRenderer(native->renderer);
    SDL_DestroyWindow(native->window);
    delete native;
    window.native = nullptr;
}

void SdlBackend::showWindow(Window& window, int command) {
    NativeWindow* native = nativeOf(window);
    if (native == nullptr) {
        return;
    }
    switch (command) {
        case SW_HIDE: SDL_HideWindow(native->window); return;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            SDL_ShowWindow(native->window);
            SDL_MinimizeWindow(native->window);
            return;
        case SW_MAXIMIZE: SDL_ShowWindow(native->window); SDL_MaximizeWindow(native->window); break;
        case SW_RESTORE: SDL_ShowWindow(native->window); SDL_RestoreWindow(native->window); break;
        default: SDL_ShowWindow(native->window); break;
    }
    redraw(*native);
}

// Shows the latest frame again, or the class background (white) before the first one.
void SdlBackend::redraw(NativeWindow& native) {
    if (native.texture != nullptr) {
        SDL_RenderClear(native.renderer);
        SDL_RenderCopy(native.renderer, native.texture, nullptr, nullptr);
    } else {
        SDL_SetRenderDrawColor(native.renderer, 255, 255, 255, 255);
        SDL_RenderClear(native.renderer);
    }
    SDL_RenderPresent(native.renderer);
}

void SdlBackend::present(Window& window, const PresentedFrame& frame) {
    NativeWindow* native = nativeOf(window);
    if (native == nullptr) {
        return;
    }
    if (native->texture == nullptr || native->textureWidth != frame.width || native->textureHeight != frame.height) {
        if (native->texture != nullptr) {
            SDL_DestroyTexture(native->texture);
        }
        // RGB888 is SDL's name for 32-bit pixels 0xXXRRGGBB: the back buffer's own layout.
        native->texture = SDL_CreateTexture(native->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                            frame.width, frame.height);
        native->textureWidth = frame.width;
        native->textureHeight = frame.height;
        if (native->texture == nullptr) {
            notice(std::string("cannot present: ") + SDL_GetError());
            return;
        }
    }
    SDL_UpdateTexture(native->texture, nullptr, frame.pixels.data(), frame.width * 4);
    redraw(*native);
    if (m_vsync) {
        paceFrame(*native);
    }
}

// A renderer asked for vertical sync does not always get it: the software renderer, a virtual X
// server or a compositor that ignores the request all return from SDL_RenderPresent at once. So a
// paced window also keeps a frame interval of its own, one refresh of the display the window is on
// (60 Hz when the display reports no rate). Where the display really waits, presentation already
// took about that long and the wait here is nothing.
void SdlBackend::paceFrame(NativeWindow& native) {
    using Clock = std::chrono::steady_clock;
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(native.window);
    const int hz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : 60;
    const auto interval = std::chrono::microseconds(1000000 / hz);
    const Clock::time_point due = native.lastPresent + interval;
    Clock::time_point now = Clock::now();
    if (now < due) {
        std::this_thread::sleep_until(due);
        now = due;
    }
    native.lastPresent = now;
}

void SdlBackend::pumpEvents(EventSink& sink) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        translate(event, sink);
    }
}

bool SdlBackend::waitForEvents(int timeoutMs) {
    if (m_byId.empty()) {
        return false;  // no window, so no input can ever come
    }
    SDL_WaitEventTimeout(nullptr, timeoutMs);
    return true;
}

void SdlBackend::translate(const SDL_Event& event, EventSink& sink) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (HWND handle = handleOf(event.window.windowID)) {
                translateWindowEvent(handle, event.window, sink);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND handle = handleOf(event.button.windowID);
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            const Uint32 mask = SDL_BUTTON(event.button.button);
            m_buttons = down ? (m_buttons | mask) : (m_buttons & ~mask);
            UINT message = 0;
            switch (event.button.button) {
                case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
                case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
                case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
                default: break;
            }
            if (handle != nullptr && message != 0) {
                sink.post(handle, message, mouseFlags(m_buttons), MAKELPARAM(event.button.x, event.button.y));
            }
            break;
        }
        case SDL_MOUSEMOTION:
            if (HWND handle = handleOf(event.motion.windowID)) {
                sink.post(handle, WM_MOUSEMOVE, mouseFlags(event.motion.state),
                          MAKELPARAM(event.motion.x, event.motion.y));
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HWND handle = handleOf(event.key.windowID);
            const UINT vk = virtualKeyFromSdl(event.key.keysym.sym);
            if (handle == nullptr || vk == 0) {
                break;
            }
            const bool down = event.type == SDL_KEYDOWN;
            const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
            const bool system = alt || vk == VK_F10;
            const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
            LPARAM bits = 1;
            if (alt) bits |= KF_ALTDOWN_BIT;
            if (!down || event.key.repeat != 0) bits |= KF_REPEAT_BIT;
            if (!down) bits |= KF_UP_BIT;
            sink.post(handle, message, vk, bits);
            break;
        }
        default: break;
    }
}

void SdlBackend::translateWindowEvent(HWND handle, const SDL_WindowEvent& event, EventSink& sink) {
    Window* window = findWindow(handle);
    NativeWindow* native = window != nullptr ? nativeOf(*window) : nullptr;
    if (native == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(native->window, &width, &height);
    const bool maximised = (SDL_GetWindowFlags(native->window) & SDL_WINDOW_MAXIMIZED) != 0;
    switch (event.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            sink.clientSizeChanged(handle, maximised ? SIZE_MAXIMIZED : SIZE_RESTORED, event.data1, event.data2);
            break;
        case SDL_WINDOWEVENT_MINIMIZED: sink.clientSizeChanged(handle, SIZE_MINIMIZED, 0, 0); break;
        case SDL_WINDOWEVENT_MAXIMIZED: sink.clientSizeChanged(handle, SIZE_MAXIMIZED, width, height); break;
        case SDL_WINDOWEVENT_RESTORED: sink.clientSizeChanged(handle, SIZE_RESTORED, width, height); break;
        case SDL_WINDOWEVENT_EXPOSED: redraw(*native); break;
        case SDL_WINDOWEVENT_CLOSE: sink.post(handle, WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: sink.post(handle, WM_ACTIVATE, WA_ACTIVE, 0); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: sink.post(handle, WM_ACTIVATE, WA_INACTIVE, 0); break;
        default: break;
    }
}

std::vector<DisplayMode> SdlBackend::displayModes() {
    std::vector<DisplayMode> modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0) {
            modes.push_back(modeFromSdl(mode));
        }
    }
    return modes;
}

DisplayMode SdlBackend::currentDisplayMode() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return {};
    }
    return modeFromSdl(mode);
}

bool SdlBackend::enterFullScreen(NativeWindow& native, const DisplayMode& mode) {
    SDL_DisplayMode wanted{};
    wanted.w = mode.width;
    wanted.h = mode.height;
    wanted.refresh_rate = mode.refreshHz;
    SDL_DisplayMode closest;
    if (SDL_GetClosestDisplayMode(0, &wanted, &closest) == nullptr ||
        SDL_SetWindowDisplayMode(native.window, &closest) != 0 ||
        SDL_SetWindowFullscreen(native.window, SDL_WINDOW_FULLSCREEN) != 0) {
        notice(std::string("cannot enter full screen: ") + SDL_GetError());
        return false;
    }
    return true;
}

bool SdlBackend::applyDisplayMode(const std::optional<DisplayMode>& mode) {
    m_mode = mode;
    for (auto& [key, window] : windowSystem().windows) {
        NativeWindow* native = nativeOf(*window);
        if (native == nullptr) {
            continue;
        }
        if (!mode) {
            SDL_SetWindowFullscreen(native->window, 0);
        } else if ((window->style & WS_POPUP) != 0 && !enterFullScreen(*native, *mode)) {
            return false;
        }
    }
    return true;
}

int SdlBackend::messageBox(const MessageBoxRecord& box) {
    struct Choice {
        int id;
        const char* label;
    };
    std::vector<Choice> choices;
    switch (box.type & 0x0F) {
        case MB_OKCANCEL: choices = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}}; break;
        case MB_YESNO: choices = {{IDYES, "Yes"}, {IDNO, "No"}}; break;
        case MB_YESNOCANCEL: choices = {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}}; break;
        default: choices = {{IDOK, "OK"}}; break;
    }
    const int fallback = defaultButton(box.type);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const Choice& choice : choices) {
        Uint32 flags = 0;
        if (choice.id == fallback) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (choice.id == IDCANCEL || (choice.id == IDNO && choices.size() == 2) || choices.size() == 1) {
            flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        }
        buttons.push_back({flags, choice.id, choice.label});
    }
    Uint32 icon = SDL_MESSAGEBOX_INFORMATION;
    const UINT iconBits = box.type & 0xF0;
    if (iconBits == MB_ICONHAND) icon = SDL_MESSAGEBOX_ERROR;
    if (iconBits == MB_ICONWARNING) icon = SDL_MESSAGEBOX_WARNING;
    SDL_Window* parent = nullptr;
    if (Window* owner = findWindow(box.owner); owner != nullptr && owner->native != nullptr) {
        parent = nativeOf(*owner)->window;
    }
    const SDL_MessageBoxData data{icon,           parent,  box.caption, box.text, static_cast<int>(buttons.size()),
                                  buttons.data(), nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        // No box could be shown: the text must not be lost.
        std::fprintf(stderr, "%s: %s\n", box.caption, box.text);
        return fallback;
    }
    return pressed >= 0 ? pressed : fallback;
}

}  // namespace

std::unique_ptr<Backend> makeSdlBackend(bool vsync) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A click that activates a window is still a click, as on the desktop the program was made for.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        notice(std::string("cannot open the display: ") + SDL_GetError());
        SDL_Quit();
        return nullptr;
    }
    // When no display answers at that moment (an X server resets for a moment after its last
    // client leaves), SDL falls back to drivers that draw nowhere. Ask the real ones once more by
    // name; failing that, the headless backend, which at least keeps and captures the frames, is
    // better than a window nobody can see.
    const auto drawsNowhere = [] {
        const char* driver = SDL_GetCurrentVideoDriver();
        const std::string name = driver != nullptr ? driver : "";
        return name.empty() || name == "offscreen" || name == "dummy" || name == "evdev";
    };
    if (drawsNowhere()) {
        SDL_VideoQuit();
        bool opened = false;
        for (const char* driver : {"x11", "wayland"}) {
            if (SDL_VideoInit(driver) == 0) {
                opened = true;
                break;
            }
        }
        if (!opened) {
            notice("no display answered");
            SDL_Quit();
            return nullptr;
        }
    }
    return std::make_unique<SdlBackend>(vsync);
}

}  // namespace platform::win32

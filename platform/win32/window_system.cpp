#include "platform/win32/window_system.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/trace.h"

namespace platform::win32 {
namespace {

WindowSystemState& stateStorage() {
    static WindowSystemState state;
    return state;
}

bool envFlag(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

bool hasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

std::vector<DisplayMode> parseModes(const char* text) {
    std::vector<DisplayMode> modes;
    std::string all = text;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(',', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        const std::string item = all.substr(start, end - start);
        DisplayMode mode;
        char tail = 0;
        if (std::sscanf(item.c_str(), "%dx%dx%d%c", &mode.width, &mode.height, &mode.bitsPerPixel, &tail) == 3 &&
            mode.width > 0 && mode.height > 0 && mode.bitsPerPixel > 0) {
            mode.refreshHz = 60;
            modes.push_back(mode);
        } else {
            notice("WIN32_DISPLAY_MODES: ignoring \"" + item + "\" (expected WIDTHxHEIGHTxBITS)");
        }
        start = end + 1;
    }
    return modes;
}

std::vector<DisplayMode> defaultHeadlessModes() {
    return {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}};
}

void start(WindowSystemState& state) {
    BackendKind kind = state.requested;
    if (kind == BackendKind::Automatic) {
        kind = (envFlag("WIN32_HEADLESS") || !hasDisplay()) ? BackendKind::Headless : BackendKind::Sdl;
    }
    if (kind == BackendKind::Sdl) {
        state.backend = makeSdlBackend(envFlag("WIN32_VSYNC"));
        if (!state.backend) {
            notice("no usable display; running headless");
        }
    }
    if (!state.backend) {
        std::vector<DisplayMode> modes = state.headlessModes;
        if (!state.headlessModesSet) {
            const char* text = std::getenv("WIN32_DISPLAY_MODES");
            modes = text != nullptr ? parseModes(text) : defaultHeadlessModes();
            if (modes.empty()) {
                modes = defaultHeadlessModes();
            }
        }
        state.backend = makeHeadlessBackend(std::move(modes));
    }
    if (!state.scheduleSet) {
        state.schedule = scheduleFromEnvironment([](const char* name) { return std::getenv(name); },
                                                 [](const std::string& line) { notice(line); });
        state.scheduleSet = true;
    }
}

class QueueSink final : public EventSink {
public:
    void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        PostMessageA(window, message, wParam, lParam);
    }
    void clientSizeChanged(HWND handle, WPARAM kind, int width, int height) override {
        Window* window = findWindow(handle);
        if (window == nullptr) {
            return;
        }
        window->minimised = kind == SIZE_MINIMIZED;
        if (!window->minimised) {
            window->clientWidth = width;
            window->clientHeight = height;
        }
        reportClientSize(*window, kind, false);
    }
};

}  // namespace

WindowSystemState& windowSystem() { return stateStorage(); }

Backend& backend() {
    WindowSystemState& state = stateStorage();
    if (!state.backend) {
        start(state);
    }
    return *state.backend;
}

bool started() { return stateStorage().backend != nullptr; }

Window* findWindow(HWND handle) {
    auto& windows = stateStorage().windows;
    auto it = windows.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == windows.end() ? nullptr : it->second.get();
}

Window* mainWindow() {
    for (auto& [key, window] : stateStorage().windows) {
        if (!window->destroying) {
            return window.get();
        }
    }
    return nullptr;
}

EventSink& eventSink() {
    static QueueSink sink;
    return sink;
}

void reportClientSize(Window& window, WPARAM kind, bool send) {
    const int width = window.minimised ? 0 : window.clientWidth;
    const int height = window.minimised ? 0 : window.clientHeight;
    if (width == window.reportedWidth && height == window.reportedHeight) {
        return;
    }
    window.reportedWidth = width;
    window.reportedHeight = height;
    const LPARAM size = MAKELPARAM(width, height);
    if (send) {
        SendMessageA(window.handle, WM_SIZE, kind, size);
    } else {
        PostMessageA(window.handle, WM_SIZE, kind, size);
    }
}

void notice(const std::string& line) { std::fprintf(stderr, "win32: %s\n", line.c_str()); }

void refusal(const char* call, const char* why) { platform::kernel::traceNote("win32: %s: %s", call, why); }

void resetWindowSystem() {
    WindowSystemState& state = stateStorage();
    if (state.backend) {
        for (auto& [key, window] : state.windows) {
            state.backend->destroyWindow(*window);
        }
        if (state.modeInForce) {
            state.backend->applyDisplayMode(std::nullopt);
        }
    }
    state.windows.clear();
    state.backend.reset();
    state = WindowSystemState{};
}

bool selectBackend(BackendKind kind) {
    if (started()) {
        return false;
    }
    stateStorage().requested = kind;
    return true;
}

BackendKind activeBackend() { return backend().kind(); }

void setInputSchedule(const InputSchedule& schedule) {
    WindowSystemState& state = stateStorage();
    state.schedule = schedule;
    state.scheduleSet = true;
    state.injectedForFrame = -1;
    state.closePosted = false;
}

void setHeadlessDisplayModes(const std::vector<DisplayMode>& modes) {
    WindowSystemState& state = stateStorage();
    state.headlessModes = modes;
    state.headlessModesSet = true;
}

int frameCount() { return stateStorage().framesRendered; }
int currentFrame() { return stateStorage().currentFrame; }
std::optional<PresentedFrame> lastPresentedFrame() { return stateStorage().lastFrame; }
int cursorDisplayCount() { return stateStorage().cursorCount; }
std::optional<DisplayMode> displayModeInForce() { return stateStorage().modeInForce; }

}  // namespace platform::win32

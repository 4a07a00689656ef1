// The input schedule of scripted runs: parsing it from the environment, and posting its input at
// frame boundaries.
#include <algorithm>
#include <charconv>
#include <string>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

// A frame number: decimal digits only, no sign, within int.
std::optional<int> parseFrame(std::string_view text) {
    int value = 0;
    if (text.empty()) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::vector<int> parseFrameList(const char* name, const char* text,
                                const std::function<void(const std::string&)>& report) {
    std::vector<int> frames;
    const std::string_view all = text;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(',', start);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        const std::string_view item = all.substr(start, end - start);
        if (const auto frame = parseFrame(item)) {
            frames.push_back(*frame);
        } else {
            report(std::string(name) + ": ignoring \"" + std::string(item) + "\" (expected a frame number)");
        }
        start = end + 1;
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

bool listed(const std::vector<int>& frames, int frame) {
    return std::binary_search(frames.begin(), frames.end(), frame);
}

}  // namespace

InputSchedule scheduleFromEnvironment(const std::function<const char*(const char*)>& lookup,
                                      const std::function<void(const std::string&)>& report) {
    InputSchedule schedule;
    if (const char* frames = lookup("WIN32_FRAMES"); frames != nullptr && frames[0] != '\0') {
        if (const auto limit = parseFrame(frames)) {
            schedule.frameLimit = *limit;
        } else {
            report(std::string("WIN32_FRAMES: ignoring \"") + frames + "\" (expected a frame count)");
        }
    }
    if (const char* clicks = lookup("WIN32_CLICK_AT"); clicks != nullptr && clicks[0] != '\0') {
        schedule.clickFrames = parseFrameList("WIN32_CLICK_AT", clicks, report);
    }
    if (const char* escapes = lookup("WIN32_ESC_AT"); escapes != nullptr && escapes[0] != '\0') {
        schedule.escFrames = parseFrameList("WIN32_ESC_AT", escapes, report);
    }
    if (const char* captures = lookup("WIN32_CAPTURE"); captures != nullptr && captures[0] != '\0') {
        schedule.captureFrames = parseFrameList("WIN32_CAPTURE", captures, report);
    }
    if (const char* directory = lookup("WIN32_CAPTURE_DIR"); directory != nullptr) {
        schedule.captureDirectory = directory;
    }
    return schedule;
}

bool injectScheduledInput(WindowSystemState& state) {
    const int frame = state.framesRendered;
    Window* window = mainWindow();
    if (window == nullptr) {
        return false;
    }
    const InputSchedule& schedule = state.schedule;
    // The frame limit comes first: once N frames are done, the close box is "pressed" instead of
    // rendering frame N, and only once, so a procedure that ignores WM_CLOSE keeps running.
    if (schedule.frameLimit >= 0 && frame >= schedule.frameLimit) {
        if (state.closePosted) {
            return false;
        }
        state.closePosted = true;
        PostMessageA(window->handle, WM_CLOSE, 0, 0);
        return true;
    }
    if (state.injectedForFrame == frame) {
        return false;
    }
    state.injectedForFrame = frame;
    bool posted = false;
    if (listed(schedule.clickFrames, frame)) {
        const LPARAM centre = MAKELPARAM(window->clientWidth / 2, window->clientHeight / 2);
        PostMessageA(window->handle, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        PostMessageA(window->handle, WM_LBUTTONUP, 0, centre);
        posted = true;
    }
    if (listed(schedule.escFrames, frame)) {
        PostMessageA(window->handle, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(window->handle, WM_KEYUP, VK_ESCAPE, 1 | KF_REPEAT_BIT | KF_UP_BIT);
        posted = true;
    }
    return posted;
}

bool captureRequested(const InputSchedule& schedule, int frame) { return listed(schedule.captureFrames, frame); }

}  // namespace platform::win32

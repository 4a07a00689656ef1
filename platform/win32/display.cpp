// Display modes and the cursor.
//
// ChangeDisplaySettingsA accepts only a mode the display lists (width, height and, when given,
// colour depth and refresh rate); anything else is refused with DISP_CHANGE_BADMODE and changes
// nothing, so a program can fall back to a window. A colour depth of 32 matches a display of 24
// significant bits in 32-bit pixels, which is what such displays report. The cursor keeps the
// Win32 display counter: it shows while the counter is 0 or more.
#include <cstring>

#include "platform/win32/window_system.h"

namespace platform::win32 {
namespace {

bool depthMatches(int requested, int offered) {
    return requested == offered || (requested == 32 && offered == 24) || (requested == 24 && offered == 32);
}

void fillDevMode(DEVMODEA& out, const DisplayMode& mode) {
    std::memset(&out, 0, sizeof out);
    std::memcpy(out.dmDeviceName, "DISPLAY", 8);
    out.dmSize = sizeof(DEVMODEA);
    out.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    out.dmBitsPerPel = static_cast<DWORD>(mode.bitsPerPixel);
    out.dmPelsWidth = static_cast<DWORD>(mode.width);
    out.dmPelsHeight = static_cast<DWORD>(mode.height);
    out.dmDisplayFrequency = static_cast<DWORD>(mode.refreshHz);
}

// The listed mode the record asks for. Fields the record does not name keep the current mode's.
std::optional<DisplayMode> chooseMode(Backend& display, const DEVMODEA& request) {
    const DisplayMode current = display.currentDisplayMode();
    DisplayMode wanted = current;
    const bool anyDepth = (request.dmFields & DM_BITSPERPEL) == 0;
    const bool anyRate = (request.dmFields & DM_DISPLAYFREQUENCY) == 0 || request.dmDisplayFrequency <= 1;
    if ((request.dmFields & DM_PELSWIDTH) != 0) {
        wanted.width = static_cast<int>(request.dmPelsWidth);
    }
    if ((request.dmFields & DM_PELSHEIGHT) != 0) {
        wanted.height = static_cast<int>(request.dmPelsHeight);
    }
    for (const DisplayMode& mode : display.displayModes()) {
        if (mode.width != wanted.width || mode.height != wanted.height) {
            continue;
        }
        if (!anyDepth && !depthMatches(static_cast<int>(request.dmBitsPerPel), mode.bitsPerPixel)) {
            continue;
        }
        if (!anyRate && static_cast<DWORD>(mode.refreshHz) != request.dmDisplayFrequency) {
            continue;
        }
        return mode;
    }
    return std::nullopt;
}

// The fields up to and including dmDisplayFrequency are the ones a display change reads.
constexpr WORD kSmallestDisplayRecord = offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD);

}  // namespace
}  // namespace platform::win32

using namespace platform::win32;

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    constexpr DWORD kKnownFlags = CDS_UPDATEREGISTRY | CDS_TEST | CDS_FULLSCREEN;
    if ((flags & ~kKnownFlags) != 0) {
        refusal("ChangeDisplaySettingsA", "unknown flags");
        return DISP_CHANGE_BADFLAGS;
    }
    WindowSystemState& state = windowSystem();
    Backend& display = backend();
    if (mode == nullptr) {
        // Back to the desktop's own mode.
        if ((flags & CDS_TEST) == 0 && state.modeInForce) {
            display.applyDisplayMode(std::nullopt);
            state.modeInForce.reset();
        }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (mode->dmSize < kSmallestDisplayRecord) {
        refusal("ChangeDisplaySettingsA", "dmSize too small");
        return DISP_CHANGE_BADPARAM;
    }
    const std::optional<DisplayMode> chosen = chooseMode(display, *mode);
    if (!chosen) {
        refusal("ChangeDisplaySettingsA", "the display has no such mode");
        return DISP_CHANGE_BADMODE;
    }
    if ((flags & CDS_TEST) != 0) {
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!display.applyDisplayMode(chosen)) {
        refusal("ChangeDisplaySettingsA", "the display refused the mode");
        return DISP_CHANGE_FAILED;
    }
    state.modeInForce = chosen;
    return DISP_CHANGE_SUCCESSFUL;
}

BOOL EnumDisplaySettingsA(LPCSTR, DWORD modeIndex, DEVMODEA* mode) {
    if (mode == nullptr) {
        return FALSE;
    }
    Backend& display = backend();
    if (modeIndex == ENUM_CURRENT_SETTINGS || modeIndex == ENUM_REGISTRY_SETTINGS) {
        const WindowSystemState& state = windowSystem();
        const bool current = modeIndex == ENUM_CURRENT_SETTINGS && state.modeInForce;
        fillDevMode(*mode, current ? *state.modeInForce : display.currentDisplayMode());
        return TRUE;
    }
    const std::vector<DisplayMode> modes = display.displayModes();
    if (modeIndex >= modes.size()) {
        return FALSE;
    }
    fillDevMode(*mode, modes[modeIndex]);
    return TRUE;
}

int ShowCursor(BOOL show) {
    WindowSystemState& state = windowSystem();
    const bool wasVisible = state.cursorCount >= 0;
    state.cursorCount += show != FALSE ? 1 : -1;
    const bool visible = state.cursorCount >= 0;
    if (visible != wasVisible) {
        backend().setCursorVisible(visible);
    }
    return state.cursorCount;
}

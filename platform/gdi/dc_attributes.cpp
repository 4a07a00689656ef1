// The DC attributes text drawing reads: mapping mode, text alignment, background mode and
// colours, and the current position. Each setter returns the previous value, or GDI's failure
// value for a DC that is not ours or a value it does not know.
#include "platform/gdi/dc.h"

using namespace platform::gdi;

namespace {

// Palette-relative and palette-index colours name an RGB value here too: there are no palettes.
COLORREF plainColor(COLORREF color) { return color & 0x00FFFFFFu; }

constexpr UINT kKnownAlignBits = TA_UPDATECP | TA_RIGHT | TA_CENTER | TA_BOTTOM | TA_BASELINE;

}  // namespace

int SetMapMode(HDC handle, int mode) {
    DeviceContext* dc = findDc("SetMapMode", handle);
    if (dc == nullptr) {
        return 0;
    }
    if (mode != MM_TEXT) {
        refuse("SetMapMode", "only MM_TEXT is supported (asked for %d)", mode);
        return 0;
    }
    const int previous = dc->mapMode;
    dc->mapMode = mode;
    return previous;
}

UINT SetTextAlign(HDC handle, UINT align) {
    DeviceContext* dc = findDc("SetTextAlign", handle);
    if (dc == nullptr) {
        return GDI_ERROR;
    }
    if ((align & ~kKnownAlignBits) != 0) {
        refuse("SetTextAlign", "unknown alignment bits 0x%x", align & ~kKnownAlignBits);
        return GDI_ERROR;
    }
    const UINT previous = dc->textAlign;
    dc->textAlign = align;
    return previous;
}

int SetBkMode(HDC handle, int mode) {
    DeviceContext* dc = findDc("SetBkMode", handle);
    if (dc == nullptr) {
        return 0;
    }
    if (mode != TRANSPARENT && mode != OPAQUE) {
        refuse("SetBkMode", "unknown mode %d", mode);
        return 0;
    }
    const int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
    DeviceContext* dc = findDc("SetBkColor", handle);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->backgroundColor;
    dc->backgroundColor = plainColor(color);
    return previous;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
    DeviceContext* dc = findDc("SetTextColor", handle);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->textColor;
    dc->textColor = plainColor(color);
    return previous;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous) {
    DeviceContext* dc = findDc("MoveToEx", handle);
    if (dc == nullptr) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = dc->current;
    }
    dc->current = POINT{x, y};
    return TRUE;
}

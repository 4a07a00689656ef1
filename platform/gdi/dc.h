// Memory device contexts: what is selected into them and the attributes text drawing reads.
//
// A DC starts as GDI's does: the stock font ("System", a 16-pixel cell) and a 1 × 1 bitmap
// selected, MM_TEXT, TA_LEFT | TA_TOP | TA_NOUPDATECP, OPAQUE background mode, white background,
// black text, current position (0, 0). Only memory DCs exist (CreateCompatibleDC(null)); there is
// no screen to draw on. Deleting a DC releases what it held selected, so those objects can then
// be deleted; deleting an object that a DC still holds fails, as GDI asks programs not to do it.
#pragma once

#include "platform/gdi/dib_section.h"
#include "platform/gdi/font.h"

namespace platform::gdi {

class DeviceContext final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::DeviceContext;

    DeviceContext() : GdiObject(kKind) {}

    Font* font = nullptr;
    Bitmap* bitmap = nullptr;
    int mapMode = MM_TEXT;
    UINT textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int backgroundMode = OPAQUE;
    COLORREF backgroundColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    POINT current{0, 0};
};

// The DC with this handle, or null after a trace note naming `call`.
DeviceContext* findDc(const char* call, HDC dc);

}  // namespace platform::gdi

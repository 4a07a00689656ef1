#include "platform/gdi/glyph_drawing.h"

#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/font_access.h"

namespace platform::gdi {
namespace {

bool isEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

std::uint8_t blendChannel(unsigned text, unsigned old, unsigned coverage) {
    return static_cast<std::uint8_t>((text * coverage + old * (255 - coverage) + 127) / 255);
}

}  // namespace

RECT clipToBitmap(const Bitmap& bitmap, const RECT& rect) {
    return RECT{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min<LONG>(rect.right, bitmap.width()),
                std::min<LONG>(rect.bottom, bitmap.height())};
}

void fillRect(Bitmap& bitmap, const RECT& rect, COLORREF color) {
    const RECT r = clipToBitmap(bitmap, rect);
    for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < r.right; ++x) {
            std::uint8_t* p = bitmap.pixel(x, y);
            p[0] = static_cast<std::uint8_t>(color >> 16);
            p[1] = static_cast<std::uint8_t>(color >> 8);
            p[2] = static_cast<std::uint8_t>(color);
            p[3] = 0;
        }
    }
}

RECT inkBox(const RenderedGlyph& glyph, int penX, int baselineY) {
    const LONG left = penX + glyph.left;
    const LONG top = baselineY - glyph.top;
    return RECT{left, top, left + glyph.width, top + glyph.rows};
}

RECT unionRect(const RECT& a, const RECT& b) {
    if (isEmpty(a)) {
        return b;
    }
    if (isEmpty(b)) {
        return a;
    }
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void blendGlyph(Bitmap& bitmap, const RenderedGlyph& glyph, int penX, int baselineY, COLORREF color,
                const RECT& clip) {
    const RECT box = inkBox(glyph, penX, baselineY);
    const LONG x0 = std::max(box.left, clip.left);
    const LONG x1 = std::min(box.right, clip.right);
    const LONG y0 = std::max(box.top, clip.top);
    const LONG y1 = std::min(box.bottom, clip.bottom);
    const unsigned red = color & 0xFF;
    const unsigned green = (color >> 8) & 0xFF;
    const unsigned blue = (color >> 16) & 0xFF;
    for (LONG y = y0; y < y1; ++y) {
        const std::uint8_t* row = glyph.coverage.data() + static_cast<std::size_t>(y - box.top) * glyph.width;
        for (LONG x = x0; x < x1; ++x) {
            const unsigned c = row[x - box.left];
            if (c == 0) {
                continue;
            }
            std::uint8_t* p = bitmap.pixel(x, y);
            p[0] = blendChannel(blue, p[0], c);
            p[1] = blendChannel(green, p[1], c);
            p[2] = blendChannel(red, p[2], c);
            p[3] = 0;
        }
    }
}

BOOL drawGlyphs(HDC handle, FT_Face face, FT_Int32 loadFlags, int originX, int baselineY, const PlacedGlyph* glyphs,
                UINT count, const RECT* opaque) {
    DeviceContext* dc = findDc("drawGlyphs", handle);
    if (dc == nullptr || face == nullptr || (glyphs == nullptr && count != 0)) {
        return FALSE;
    }
    Bitmap& bitmap = *dc->bitmap;
    if (opaque != nullptr) {
        fillRect(bitmap, *opaque, dc->backgroundColor);
    }
    SizedFace* sized = sizedFaceOf(face);
    const RECT clip = clipToBitmap(bitmap, RECT{0, 0, bitmap.width(), bitmap.height()});
    for (UINT i = 0; i < count; ++i) {
        const PlacedGlyph& g = glyphs[i];
        if (sized != nullptr) {
            blendGlyph(bitmap, sized->glyph(g.index, loadFlags), originX + g.x, baselineY + g.y, dc->textColor, clip);
        } else {
            const RenderedGlyph rendered = renderGlyph(face, g.index, loadFlags);
            blendGlyph(bitmap, rendered, originX + g.x, baselineY + g.y, dc->textColor, clip);
        }
    }
    return TRUE;
}

}  // namespace platform::gdi

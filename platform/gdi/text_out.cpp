// ExtTextOutW and ExtTextOutA.
//
// The text is laid out left to right with each glyph's hinted advance (or the caller's lpDx), then
// placed by the DC's alignment: TA_LEFT/TA_RIGHT/TA_CENTER against x, TA_TOP/TA_BOTTOM/TA_BASELINE
// against y; with TA_UPDATECP the current position replaces (x, y) and moves by the text's width.
// ETO_OPAQUE with a rectangle fills it with the background colour first; ETO_CLIPPED keeps the
// glyphs inside it. In OPAQUE background mode (or with ETO_OPAQUE and no rectangle) the text's
// box is filled with the background colour before drawing: its cell (the advances across, tmHeight
// down), stretched to take in any ink that reaches outside the cell, so that no pixel the text
// draws on keeps an earlier drawing underneath. ETO_RTLREADING does not reorder here; programs
// that need right-to-left order get it from GetCharacterPlacement or the script layer.
#include <algorithm>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/glyph_drawing.h"
#include "platform/gdi/text_units.h"

using namespace platform::gdi;

namespace {

struct TextGlyph {
    UINT index;
    int advance;
};

void placeByAlignment(const DeviceContext& dc, int width, int& x, int& baseline) {
    const UINT horizontal = dc.textAlign & TA_CENTER;  // TA_CENTER covers both horizontal bits
    if (horizontal == TA_RIGHT) {
        x -= width;
    } else if (horizontal == TA_CENTER) {
        x -= width / 2;
    }
    const TEXTMETRICW& tm = dc.font->metrics;
    const UINT vertical = dc.textAlign & TA_BASELINE;  // TA_BASELINE covers TA_BOTTOM too
    if (vertical == TA_TOP) {
        baseline += tm.tmAscent;
    } else if (vertical == TA_BOTTOM) {
        baseline -= tm.tmDescent;
    }
}

BOOL textOut(DeviceContext& dc, int x, int y, UINT options, const RECT* rect, const std::vector<TextGlyph>& glyphs) {
    Font& font = *dc.font;
    Bitmap& bitmap = *dc.bitmap;
    int width = 0;
    for (const TextGlyph& g : glyphs) {
        width += g.advance;
    }
    const bool updateCp = (dc.textAlign & TA_UPDATECP) != 0;
    if (updateCp) {
        x = dc.current.x;
        y = dc.current.y;
    }
    int left = x;
    int baseline = y;
    placeByAlignment(dc, width, left, baseline);

    if ((options & ETO_OPAQUE) != 0 && rect != nullptr) {
        fillRect(bitmap, *rect, dc.backgroundColor);
    }
    RECT clip = clipToBitmap(bitmap, RECT{0, 0, bitmap.width(), bitmap.height()});
    if ((options & ETO_CLIPPED) != 0 && rect != nullptr) {
        clip = RECT{std::max(clip.left, rect->left), std::max(clip.top, rect->top), std::min(clip.right, rect->right),
                    std::min(clip.bottom, rect->bottom)};
    }
    if (dc.backgroundMode == OPAQUE || ((options & ETO_OPAQUE) != 0 && rect == nullptr)) {
        const TEXTMETRICW& tm = font.metrics;
        RECT box{left, baseline - tm.tmAscent, left + width, baseline + tm.tmDescent};
        int pen = left;
        for (const TextGlyph& g : glyphs) {
            box = unionRect(box, inkBox(font.face->glyph(g.index, font.loadFlags), pen, baseline));
            pen += g.advance;
        }
        box = RECT{std::max(box.left, clip.left), std::max(box.top, clip.top), std::min(box.right, clip.right),
                   std::min(box.bottom, clip.bottom)};
        fillRect(bitmap, box, dc.backgroundColor);
    }
    int pen = left;
    for (const TextGlyph& g : glyphs) {
        blendGlyph(bitmap, font.face->glyph(g.index, font.loadFlags), pen, baseline, dc.textColor, clip);
        pen += g.advance;
    }
    if (updateCp) {
        const UINT horizontal = dc.textAlign & TA_CENTER;
        dc.current.x += horizontal == TA_RIGHT ? -width : (horizontal == TA_CENTER ? 0 : width);
    }
    return TRUE;
}

int advanceOf(Font& font, UINT index) { return font.face->glyph(index, font.loadFlags).advance; }

}  // namespace

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
    DeviceContext* dc = findDc("ExtTextOutW", handle);
    if (dc == nullptr || (text == nullptr && count != 0) || count > 0x7FFFFFFF) {
        if (dc != nullptr) {
            refuse("ExtTextOutW", "null text with count %u", count);
        }
        return FALSE;
    }
    std::vector<TextGlyph> glyphs;
    if ((options & ETO_GLYPH_INDEX) != 0) {
        for (UINT i = 0; i < count; ++i) {
            glyphs.push_back({text[i], dx != nullptr ? dx[i] : advanceOf(*dc->font, text[i])});
        }
    } else {
        for (const TextCharacter& c : charactersOfWide(text, static_cast<int>(count))) {
            const UINT index = dc->font->face->glyphIndex(c.codePoint);
            int advance = advanceOf(*dc->font, index);
            if (dx != nullptr) {
                advance = dx[c.firstUnit] + (c.unitCount == 2 ? dx[c.firstUnit + 1] : 0);
            }
            glyphs.push_back({index, advance});
        }
    }
    return textOut(*dc, x, y, options, rect, glyphs);
}

BOOL ExtTextOutA(HDC handle, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx) {
    DeviceContext* dc = findDc("ExtTextOutA", handle);
    if (dc == nullptr || (text == nullptr && count != 0) || count > 0x7FFFFFFF) {
        if (dc != nullptr) {
            refuse("ExtTextOutA", "null text with count %u", count);
        }
        return FALSE;
    }
    std::vector<TextGlyph> glyphs;
    if ((options & ETO_GLYPH_INDEX) != 0) {
        for (UINT i = 0; i < count; ++i) {
            const UINT index = static_cast<unsigned char>(text[i]);
            glyphs.push_back({index, dx != nullptr ? dx[i] : advanceOf(*dc->font, index)});
        }
    } else {
        for (const TextCharacter& c : charactersOfNarrow(text, static_cast<int>(count))) {
            const UINT index = dc->font->face->glyphIndex(c.codePoint);
            int advance = advanceOf(*dc->font, index);
            if (dx != nullptr) {
                advance = dx[c.firstUnit] + (c.unitCount == 2 ? dx[c.firstUnit + 1] : 0);
            }
            glyphs.push_back({index, advance});
        }
    }
    return textOut(*dc, x, y, options, rect, glyphs);
}

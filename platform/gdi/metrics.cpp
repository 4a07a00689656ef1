// GetTextMetricsW/A, GetCharABCWidthsI, GetCharWidthI, GetFontUnicodeRanges: what the selected
// font measures, at its size, with its rendering options.
//
// Glyph widths are those of the rendered glyph, so they agree with ExtTextOut pixel for pixel:
// A is where the coverage box starts right of the pen (FreeType's bitmap_left), B its width, C
// the rest of the hinted advance. A blank glyph has B = 0. GetTextMetricsA reports the character
// fields as bytes: the range is clipped to 0 ... 255, and a default or break character above 255
// becomes '?' or ' '.
#include <algorithm>

#include "platform/gdi/dc.h"

using namespace platform::gdi;

namespace {

Font* selectedFont(const char* call, HDC handle) {
    DeviceContext* dc = findDc(call, handle);
    return dc != nullptr ? dc->font : nullptr;
}

BYTE narrowChar(WCHAR c, BYTE otherwise) { return c <= 0xFF ? static_cast<BYTE>(c) : otherwise; }

}  // namespace

BOOL GetTextMetricsW(HDC handle, TEXTMETRICW* metrics) {
    Font* font = selectedFont("GetTextMetricsW", handle);
    if (font == nullptr || metrics == nullptr) {
        return FALSE;
    }
    *metrics = font->metrics;
    return TRUE;
}

BOOL GetTextMetricsA(HDC handle, TEXTMETRICA* metrics) {
    Font* font = selectedFont("GetTextMetricsA", handle);
    if (font == nullptr || metrics == nullptr) {
        return FALSE;
    }
    const TEXTMETRICW& w = font->metrics;
    TEXTMETRICA a{};
    a.tmHeight = w.tmHeight;
    a.tmAscent = w.tmAscent;
    a.tmDescent = w.tmDescent;
    a.tmInternalLeading = w.tmInternalLeading;
    a.tmExternalLeading = w.tmExternalLeading;
    a.tmAveCharWidth = w.tmAveCharWidth;
    a.tmMaxCharWidth = w.tmMaxCharWidth;
    a.tmWeight = w.tmWeight;
    a.tmOverhang = w.tmOverhang;
    a.tmDigitizedAspectX = w.tmDigitizedAspectX;
    a.tmDigitizedAspectY = w.tmDigitizedAspectY;
    a.tmFirstChar = narrowChar(w.tmFirstChar, 0xFF);
    a.tmLastChar = narrowChar(std::min<WCHAR>(w.tmLastChar, 0xFF), 0xFF);
    a.tmDefaultChar = narrowChar(w.tmDefaultChar, '?');
    a.tmBreakChar = narrowChar(w.tmBreakChar, ' ');
    a.tmItalic = w.tmItalic;
    a.tmUnderlined = w.tmUnderlined;
    a.tmStruckOut = w.tmStruckOut;
    a.tmPitchAndFamily = w.tmPitchAndFamily;
    a.tmCharSet = w.tmCharSet;
    *metrics = a;
    return TRUE;
}

BOOL GetCharABCWidthsI(HDC handle, UINT firstGlyph, UINT count, WORD* glyphs, ABC* widths) {
    Font* font = selectedFont("GetCharABCWidthsI", handle);
    if (font == nullptr || widths == nullptr) {
        return FALSE;
    }
    for (UINT i = 0; i < count; ++i) {
        const UINT index = glyphs != nullptr ? glyphs[i] : firstGlyph + i;
        const RenderedGlyph& g = font->face->glyph(index, font->loadFlags);
        widths[i] = ABC{g.left, static_cast<UINT>(g.width), g.advance - g.left - g.width};
    }
    return TRUE;
}

BOOL GetCharWidthI(HDC handle, UINT firstGlyph, UINT count, WORD* glyphs, INT* widths) {
    Font* font = selectedFont("GetCharWidthI", handle);
    if (font == nullptr || widths == nullptr) {
        return FALSE;
    }
    for (UINT i = 0; i < count; ++i) {
        const UINT index = glyphs != nullptr ? glyphs[i] : firstGlyph + i;
        widths[i] = font->face->glyph(index, font->loadFlags).advance;
    }
    return TRUE;
}

// With a buffer, its cbThis must say how many bytes it holds (the size asked for first); a
// shorter buffer is refused instead of overrun.
DWORD GetFontUnicodeRanges(HDC handle, GLYPHSET* glyphSet) {
    Font* font = selectedFont("GetFontUnicodeRanges", handle);
    if (font == nullptr) {
        return 0;
    }
    const UnicodeCoverage& coverage = unicodeCoverage(font->face->design());
    const DWORD needed =
        static_cast<DWORD>(offsetof(GLYPHSET, ranges) + coverage.ranges.size() * sizeof(WCRANGE));
    if (glyphSet == nullptr) {
        return needed;
    }
    if (glyphSet->cbThis < needed) {
        refuse("GetFontUnicodeRanges", "the buffer holds %u bytes, %u are needed", glyphSet->cbThis, needed);
        return 0;
    }
    glyphSet->cbThis = needed;
    glyphSet->flAccel = 0;
    glyphSet->cGlyphsSupported = coverage.characterCount;
    glyphSet->cRanges = static_cast<DWORD>(coverage.ranges.size());
    std::copy(coverage.ranges.begin(), coverage.ranges.end(), glyphSet->ranges);
    return needed;
}

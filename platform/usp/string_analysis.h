// What a SCRIPT_STRING_ANALYSIS points to: a whole string itemised, shaped with font fallback,
// ordered visually and measured, ready to draw (ScriptStringOut) or to ask for caret positions
// (ScriptStringCPtoX).
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/gdi/font_access.h"
#include "platform/usp/shaping_font.h"

namespace platform::usp {

// Consecutive glyphs of one font in visual order; x is relative to the string's left edge and
// already includes the glyph's du, y is its dv (downward from the baseline).
struct StringGlyphRun {
    std::shared_ptr<ShapingFont> font;
    std::vector<gdi::PlacedGlyph> glyphs;
};

// A character's cell: its x range in the string and the direction it reads in.
struct CharacterEdges {
    int left;
    int right;
    bool rtl;
};

struct StringAnalysis {
    HDC dc = nullptr;
    bool rtlParagraph = false;
    int ascent = 0;  // the selected font's, so every font shares its baseline
    SIZE size{};
    int glyphCount = 0;
    std::vector<StringGlyphRun> runs;  // visual order, left to right
    std::vector<CharacterEdges> edges;  // one per UTF-16 unit of the analysed text
};

// Builds the analysis of `text` for the font selected into dc. `fallback`: characters that font
// lacks are shaped and drawn with the installed font fontconfig finds for them.
HRESULT layOutString(HDC dc, std::u16string_view text, bool fallback, const SCRIPT_CONTROL* control,
                     const SCRIPT_STATE* state, StringAnalysis& out);

}  // namespace platform::usp

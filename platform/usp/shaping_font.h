// One font as the script functions use it: a HarfBuzz font over the GDI layer's FreeType face,
// measuring with the load flags the GDI layer draws with, and what has been shaped and placed
// with it.
//
// Shaping results are kept per (text, script, direction, ligature switch) and placements per
// (glyph sequence, script, direction), so layout that shapes the same runs every frame costs a
// hash look-up per run. Both tables are cleared when they pass kCacheLimit entries: the demo's
// texts fit many times over, and a program that shapes ever new text pays the shaping either way.
//
// Fonts are shared: forFace hands out one ShapingFont per (face, load flags) for as long as
// anything holds it. The HarfBuzz font references the FreeType face, so a face stays valid while
// its ShapingFont lives even if its HFONT is deleted first.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/usp/usp.h"

namespace platform::usp {

struct Placement {
    std::vector<int> advances;   // whole pixels
    std::vector<GOFFSET> offsets;  // whole pixels, dv downward
    ABC extent{};
};

struct ShapedRun {
    bool missing = false;  // a character the font lacks became glyph 0
    std::vector<WORD> glyphs;  // visual order
    std::vector<WORD> clusters;  // per unit of the text
    std::vector<SCRIPT_VISATTR> visAttrs;
    const Placement* placement = nullptr;  // owned by the font's placement table
};

class ShapingFont {
public:
    static constexpr std::size_t kCacheLimit = 4096;

    // The shared font for this face and these flags, created on first request.
    static std::shared_ptr<ShapingFont> forFace(FT_Face face, FT_Int32 loadFlags);

    ShapingFont(FT_Face face, FT_Int32 loadFlags);
    ~ShapingFont();
    ShapingFont(const ShapingFont&) = delete;
    ShapingFont& operator=(const ShapingFont&) = delete;

    FT_Face face() const { return m_face; }
    FT_Int32 loadFlags() const { return m_loadFlags; }

    // The shaped run of `text` under `analysis` (script, fRTL, fInhibitLigate). The reference
    // stays valid until the next call of shape or place on this font.
    const ShapedRun& shape(std::u16string_view text, const SCRIPT_ANALYSIS& analysis);

    // Placement of glyphs that shape() did not produce (or that aged out): advances from the
    // font, no offsets. Glyphs marked fZeroWidth advance 0.
    const Placement& place(const WORD* glyphs, int count, const SCRIPT_VISATTR* visAttrs,
                           const SCRIPT_ANALYSIS& analysis);

    bool hasGlyph(char32_t codePoint) const;
    WORD nominalGlyph(char32_t codePoint) const;  // 0 when the font lacks it
    int advanceOf(WORD glyph) const;               // whole pixels
    int ascent() const;                            // whole pixels above the baseline
    int descent() const;                           // whole pixels below it

private:
    struct KeyHash {
        std::size_t operator()(const std::u16string& key) const { return std::hash<std::u16string>{}(key); }
    };

    void shapeInto(std::u16string_view text, const SCRIPT_ANALYSIS& analysis, ShapedRun& run);
    const Placement& remember(const std::u16string& key, Placement placement);
    void trimCaches();
    ABC extentOf(const WORD* glyphs, const std::vector<int>& advances) const;

    FT_Face m_face;
    FT_Int32 m_loadFlags;
    hb_font_t* m_font = nullptr;
    hb_buffer_t* m_buffer = nullptr;
    std::unordered_map<std::u16string, ShapedRun, KeyHash> m_runs;
    std::unordered_map<std::u16string, Placement, KeyHash> m_placements;
    std::u16string m_key;  // scratch for look-ups, so that a hit allocates nothing
};

// Key bits of an analysis that change shaping or placing.
inline char16_t shapingBits(const SCRIPT_ANALYSIS& a) {
    return static_cast<char16_t>(a.eScript | (a.fRTL << 10) | (a.s.fInhibitLigate << 11));
}

// The placement key: the analysis bits, the glyphs, then which glyphs are zero-width (a blank
// that stands for a tab and a real blank are the same glyph with different advances).
void placementKey(const SCRIPT_ANALYSIS& analysis, const WORD* glyphs, const SCRIPT_VISATTR* visAttrs, int count,
                  std::u16string& key);

}  // namespace platform::usp

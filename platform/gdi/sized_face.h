// FreeType faces: one unsized face per font file for its tables and character map, one face per
// (file, pixel size) for rendering, and the glyphs rendered at that size.
//
// Faces are opened once and kept for the whole process: opening a face costs far more than a
// glyph, programs create the same few fonts again and again, and the script layer holds the
// FT_Face of a font it has seen. A sized face belongs to every font of that file and size, so it
// is never resized; the rendering options (hinting, grey or bi-level) travel with each request.
//
// The coverage convention, used by everything that draws: FreeType's hinted rendering gives each
// pixel the area of it the glyph covers, as 0 (none) to 255 (all), linear in area with no gamma
// applied; a bi-level rendering gives 0 or 255. That byte is the blend weight of the text colour.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/gdi/font_match.h"
#include "platform/gdi/gdi.h"

namespace platform::gdi {

// What the font's own tables say, in font units, read once per face.
struct FaceDesign {
    FT_Face face = nullptr;  // unsized: tables and the character map only
    int unitsPerEm = 2048;
    int ascent = 0;   // OS/2 usWinAscent (hhea ascender without an OS/2 table)
    int descent = 0;  // OS/2 usWinDescent, positive downwards
    int lineGap = 0;  // hhea line gap
    int hheaAscent = 0;
    int hheaDescent = 0;  // positive downwards
    int averageWidth = 0;  // of text: see weightedAverageWidth in sized_face.cpp
    int maxAdvance = 0;
    int maxRight = 0;  // head.xMax: the rightmost ink of any glyph
    int weightClass = FW_NORMAL;
    bool italic = false;
    bool fixedPitch = false;
    bool trueType = false;
    BYTE panoseFamily = 0;
    BYTE panoseSerif = 0;
    char32_t firstChar = 0x20;
    char32_t lastChar = 0xFFFF;
};

// The face's Unicode coverage below U+10000 as ranges of consecutive code points.
struct UnicodeCoverage {
    std::vector<WCRANGE> ranges;
    DWORD characterCount = 0;
};

// One rendered glyph. The coverage box starts `left` pixels right of the pen position and `top`
// pixels above the baseline.
struct RenderedGlyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    int advance = 0;  // hinted advance, whole pixels
    std::vector<std::uint8_t> coverage;  // rows × width bytes, row by row from the top
};

class SizedFace {
public:
    SizedFace(FT_Face face, const FaceDesign& design, const FaceLocation& location);
    SizedFace(const SizedFace&) = delete;
    SizedFace& operator=(const SizedFace&) = delete;

    FT_Face face() const { return m_face; }
    const FaceDesign& design() const { return m_design; }
    const FaceLocation& location() const { return m_location; }
    int xPixels() const { return m_face->size->metrics.x_ppem; }
    int yPixels() const { return m_face->size->metrics.y_ppem; }

    // The glyph rendered with `loadFlags`, from the cache after the first time. A glyph index the
    // face does not have gives an empty glyph with no advance.
    const RenderedGlyph& glyph(UINT index, FT_Int32 loadFlags);

    UINT glyphIndex(char32_t codePoint) const { return FT_Get_Char_Index(m_face, codePoint); }

private:
    FT_Face m_face;
    const FaceDesign& m_design;
    FaceLocation m_location;
    std::unordered_map<std::uint64_t, RenderedGlyph> m_glyphs;
};

FT_Library freeTypeLibrary();

// The design figures of the face at `location`; null when FreeType cannot open it.
const FaceDesign* faceDesign(const FaceLocation& location);

// The face at `location` sized to xPixels × yPixels per em; null when it cannot be opened.
SizedFace* sizedFace(const FaceLocation& location, int xPixels, int yPixels);

// The sized face whose FT_Face this is, or null for a face that is not ours.
SizedFace* sizedFaceOf(FT_Face face);

// Renders one glyph of any face, without caching.
RenderedGlyph renderGlyph(FT_Face face, UINT index, FT_Int32 loadFlags);

// The face's coverage, computed on first use.
const UnicodeCoverage& unicodeCoverage(const FaceDesign& design);

}  // namespace platform::gdi

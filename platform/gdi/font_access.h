// What the script layer (platform/usp) reaches of the GDI layer's fonts and bitmaps: the FreeType
// face behind the font selected into a DC, faces of other installed fonts for fallback, and the
// glyph drawing that ExtTextOutW itself uses. Nothing above platform/ includes this header.
//
// Faces belong to the GDI layer: a selected font's face lives as long as its HFONT; fallback faces
// live until the process ends. A face is sized as the font was created (FT_Set_Pixel_Sizes or the
// equivalent), so callers read glyph metrics from it directly and must not resize it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi/gdi.h"

namespace platform::gdi {

// The face of the font selected into `dc`, or null when dc is not one of our DCs or holds no
// font of ours.
FT_Face selectedFace(HDC dc);

// The FreeType load flags with which glyphs of the font selected into dc are rendered (hinting,
// grey or bi-level target). Shaping must measure with the same flags so that advances match what
// is drawn. 0 when dc has no font.
FT_Int32 selectedLoadFlags(HDC dc);

// A face of another installed font that has `codePoint`, found through fontconfig with the
// selected font's weight and slant, sized to the selected font's pixel size; the same face is
// handed out again for later requests it answers. Null when no installed font has the character
// or dc has no font.
FT_Face fallbackFace(HDC dc, char32_t codePoint);

// One glyph to draw: its index in `face` and the pen position, in whole pixels, relative to the
// origin given to drawGlyphs (x to the right, y down from the baseline).
struct PlacedGlyph {
    UINT index;
    int x;
    int y;
};

// Draws glyphs of `face` into the DIB section selected into dc, with the baseline at
// (originX, baselineY), in the DC's text colour blended by coverage over what is there. With
// `opaque` non-null that rectangle is first filled with the DC's background colour (clipped to the
// bitmap). Pixels outside the bitmap are skipped. FALSE when dc has no bitmap or face is null.
BOOL drawGlyphs(HDC dc, FT_Face face, FT_Int32 loadFlags, int originX, int baselineY, const PlacedGlyph* glyphs,
                UINT count, const RECT* opaque);

}  // namespace platform::gdi

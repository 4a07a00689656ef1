// The font object behind an HFONT: the request as the program made it, the face fontconfig chose
// for it, sized, the FreeType options it is rendered with, and its metrics, all fixed at
// creation.
//
// Sizing follows GDI's meaning of lfHeight. The cell of a face is its Windows ascent plus descent
// (OS/2 usWinAscent + usWinDescent, which bound every glyph of the face); the em is the
// character height.
// - lfHeight > 0 asks for a cell of that many pixels: tmHeight = lfHeight, and the face is set to
//   the largest whole pixels-per-em whose cell does not exceed it, so every glyph fits the cell.
// - lfHeight < 0 asks for a character height of -lfHeight pixels: that is the pixels-per-em, and
//   tmHeight is the cell it gives, rounded to the nearest pixel.
// - lfHeight = 0 means the default size, a character height of 12 pixels.
// The cell is split between ascent and descent in the face's own proportion (tmAscent rounded to
// the nearest pixel, tmDescent the rest), and tmInternalLeading is the cell less the em.
// lfWidth, when not 0, is the average character width: the horizontal pixels-per-em are scaled so
// that the face's xAvgCharWidth comes out at that many pixels. Sizes beyond 16,383 pixels per em
// are held at that, FreeType's working limit with room to spare.
//
// Quality: NONANTIALIASED_QUALITY renders bi-level (FreeType's monochrome hinting and
// rasteriser); every other quality, the default 0 and ANTIALIASED_QUALITY included, renders hinted
// grey coverage. The face name reported by GetObjectW/A is the one requested, never the face that
// answered ("Arial", not "Liberation Sans"), as GDI reports a substituted face.
#pragma once

#include "platform/gdi/gdi_object.h"
#include "platform/gdi/sized_face.h"

namespace platform::gdi {

class Font final : public GdiObject {
public:
    static constexpr ObjectKind kKind = ObjectKind::Font;

    Font() : GdiObject(kKind) {}

    LOGFONTW requestW{};
    LOGFONTA requestA{};
    SizedFace* face = nullptr;
    FT_Int32 loadFlags = 0;
    TEXTMETRICW metrics{};
};

// Creates and registers a font from both forms of one request; null (with a trace note naming
// `call`) when no face can be found or opened.
Font* createFont(const char* call, const LOGFONTW& requestW, const LOGFONTA& requestA);

// The font a new DC starts with: a 16-pixel cell of the default sans-serif face, named "System".
Font* stockFont();

// Pixels per em and metrics for a request on a face (font_metrics.cpp).
struct FontSize {
    int xPixels = 0;
    int yPixels = 0;
    LONG cellHeight = 0;
};
FontSize chooseFontSize(const FaceDesign& design, LONG height, LONG width);
TEXTMETRICW computeTextMetrics(SizedFace& face, const FontSize& size, const LOGFONTW& request);

}  // namespace platform::gdi

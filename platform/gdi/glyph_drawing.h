// Putting rendered glyphs into a bitmap.
//
// A glyph's coverage c (0 ... 255, see sized_face.h) blends the text colour over each pixel's
// colour, channel by channel: out = (text × c + old × (255 − c) + 127) / 255. White text on black
// therefore leaves exactly c in the blue, green and red bytes; the fourth byte of a pixel that is
// drawn is set to 0. Pixels outside the bitmap or the clip rectangle are skipped.
#pragma once

#include "platform/gdi/dib_section.h"
#include "platform/gdi/sized_face.h"

namespace platform::gdi {

// The rectangle clipped to the bitmap; empty (left >= right or top >= bottom) when nothing is left.
RECT clipToBitmap(const Bitmap& bitmap, const RECT& rect);

void fillRect(Bitmap& bitmap, const RECT& rect, COLORREF color);

// Draws `glyph` with its pen position at (penX, baselineY), clipped to `clip` (already within
// the bitmap).
void blendGlyph(Bitmap& bitmap, const RenderedGlyph& glyph, int penX, int baselineY, COLORREF color,
                const RECT& clip);

// The pixels the glyph's coverage box covers with its pen at (penX, baselineY).
RECT inkBox(const RenderedGlyph& glyph, int penX, int baselineY);

// The smallest rectangle holding both (an empty rectangle adds nothing).
RECT unionRect(const RECT& a, const RECT& b);

}  // namespace platform::gdi

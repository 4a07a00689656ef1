// One side of a pixel transfer: where the pixels are, how they are laid out, which part of them
// moves, and the per-side options (dither, diffusion, sRGB, colour key, palette).
#pragma once

#include "gfxutil/tex/tex_platform.h"

namespace gfxutil::tex {

// A box in pixels: left/top/front inclusive, right/bottom/back exclusive.
struct PixelBox {
    UINT left = 0;
    UINT top = 0;
    UINT right = 0;
    UINT bottom = 0;
    UINT front = 0;
    UINT back = 1;

    UINT width() const { return right - left; }
    UINT height() const { return bottom - top; }
    UINT depth() const { return back - front; }
};

struct BlitRequest {
    const void* pixels = nullptr;  // the pixel at the extent's origin (written through on a destination)
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT rowPitch = 0;
    UINT slicePitch = 0;
    PixelBox extent;
    PixelBox region;
    bool dither = false;     // destination: ordered dithering
    bool diffusion = false;  // destination: error diffusion
    bool srgb = false;       // source: input is sRGB; destination: output is sRGB
    DWORD colorKey = 0;      // source: ARGB colour that becomes transparent black; 0 means none
    const PALETTEENTRY* palette = nullptr;
};

}  // namespace gfxutil::tex

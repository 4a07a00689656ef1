// How each format the pixel-transfer engine can read and write lays out its pixels.
//
// Every non-block format is described by its byte size, its numeric class and where its fields
// sit in the little-endian pixel word. The codecs and the integer box filter both work from these
// rows, so a format's field positions are written down once.
#pragma once

#include "gfxutil/tex/tex_platform.h"

namespace gfxutil::tex {

enum class CodecClass : int {
    None = 0,
    Unsigned = 1,  // channels 0..1
    Signed = 2,    // red/green/blue -1..1, alpha 0..1
    Signed4 = 3,   // all four channels -1..1
    Float = 4,     // unbounded
};

enum class LayoutKind : BYTE {
    Packed,     // fields 0..3 are red, green, blue, alpha
    Luminance,  // field 0 is luminance (read into red, green and blue), field 3 alpha
    Palette,    // field 0 is the palette index, field 3 an alpha that replaces the palette's
    Half,       // `floatChannels` IEEE half floats in red, green, blue, alpha order
    Single,     // `floatChannels` IEEE single floats in red, green, blue, alpha order
    DepthFloat, // one single float read into red, green and blue
};

struct PixelField {
    BYTE shift = 0;
    BYTE bits = 0;  // 0: the format has no such channel
    bool isSigned = false;
};

struct PixelLayout {
    D3DFORMAT format;
    CodecClass codecClass;
    BYTE bytesPerPixel;
    LayoutKind kind;
    PixelField fields[4];       // red, green, blue, alpha (see LayoutKind)
    float absentColour = 1.0f;  // what a missing red, green or blue reads as
    BYTE floatChannels = 0;
    bool srgbOnAlpha = false;   // L6V5U5: its luminance (read into alpha) is what sRGB curves apply to
};

// The layout of a format, or null when the engine has no codec for it (block, pair, depth/stencil
// formats and unknown codes).
const PixelLayout* findPixelLayout(D3DFORMAT format);

}  // namespace gfxutil::tex

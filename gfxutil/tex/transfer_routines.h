// The resampling routines of the pixel-transfer engine. Each either declines (returns nullopt:
// its conditions do not hold) or performs the whole transfer and returns its status.
#pragma once

#include <optional>

#include "gfxutil/tex/pixel_codec.h"
#include "gfxutil/tex/transfer_pixels.h"

namespace gfxutil::tex {

struct Transfer {
    PixelCodec& dst;
    PixelCodec& src;
    DWORD filter;  // the validated filter with its flags
    TransferRoutine* used;
};

using RoutineResult = std::optional<HRESULT>;

RoutineResult copyRows(Transfer& t);
RoutineResult convertSameSize(Transfer& t);
RoutineResult filterNone(Transfer& t);
RoutineResult filterPoint(Transfer& t);
RoutineResult filterBox2D(Transfer& t);
RoutineResult filterBox3D(Transfer& t);
RoutineResult filterLinear2D(Transfer& t);
RoutineResult filterLinear3D(Transfer& t);
RoutineResult filterTriangle2D(Transfer& t);
RoutineResult filterTriangle3D(Transfer& t);

// Clamps an accumulated pixel to the range of the class it was decoded from.
void clampToClass(Color4& c, CodecClass cls);

// The integer 2 x 2 box average of 32-bit pixels, all four bytes: plain and SIMD forms, which must
// give the same bytes. Exposed for the test that proves it.
void boxRowFourBytes(const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth);
void boxRowFourBytesSimd(const BYTE* row0, const BYTE* row1, BYTE* out, UINT dstWidth);

}  // namespace gfxutil::tex

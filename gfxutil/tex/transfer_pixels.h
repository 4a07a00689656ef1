// The pixel-transfer engine: moves the region of a source request into the region of a
// destination request, converting formats through four-float rows and resizing with a filter.
#pragma once

#include "gfxutil/tex/blit_request.h"

namespace gfxutil::tex {

// Filter values and flags of the loader's public interface, repeated here for the engine.
inline constexpr DWORD kFilterNone = 1;
inline constexpr DWORD kFilterPoint = 2;
inline constexpr DWORD kFilterLinear = 3;
inline constexpr DWORD kFilterTriangle = 4;
inline constexpr DWORD kFilterBox = 5;
inline constexpr DWORD kFilterMirrorU = 0x10000;
inline constexpr DWORD kFilterMirrorV = 0x20000;
inline constexpr DWORD kFilterMirrorW = 0x40000;
inline constexpr DWORD kFilterDither = 0x80000;
inline constexpr DWORD kFilterDitherDiffusion = 0x100000;
inline constexpr DWORD kFilterSrgbIn = 0x200000;
inline constexpr DWORD kFilterSrgbOut = 0x400000;

// The engine. Refuses a filter outside 1..5 or with unknown flag bits ("Invalid image filter",
// D3DERR_INVALIDCALL), a format without codec ("Unsupported image format", E_FAIL) and an inverted
// region ("Invalid rect", D3DERR_INVALIDCALL). The routines are tried in a fixed order: copy,
// same-size conversion, none, point, box, linear, triangle; the first that accepts the sizes and
// the filter performs the transfer.
HRESULT TransferPixels(const BlitRequest& destination, const BlitRequest& source, DWORD filter);

// Which routine performed the last successful transfer on this thread (for tests and benchmarks
// that must know the road taken, e.g. the integer box shortcut against the float box).
enum class TransferRoutine {
    Nothing,
    Copy,
    Conversion,
    None,
    Point,
    BoxInteger,
    BoxSimd,
    Box2D,
    Box3D,
    Linear2D,
    Linear3D,
    Triangle2D,
    Triangle3D,
    EmptySource,
};
TransferRoutine lastTransferRoutine();

}  // namespace gfxutil::tex

#include "gfxutil/tex/pixel_layout.h"

#include "gfxutil/tex/format_table.h"

namespace gfxutil::tex {
namespace {

constexpr CodecClass U = CodecClass::Unsigned;
constexpr CodecClass S2 = CodecClass::Signed;
constexpr CodecClass S4 = CodecClass::Signed4;
constexpr CodecClass F = CodecClass::Float;
constexpr LayoutKind P = LayoutKind::Packed;
constexpr LayoutKind L = LayoutKind::Luminance;

constexpr PixelField f(BYTE shift, BYTE bits) { return {shift, bits, false}; }
constexpr PixelField s(BYTE shift, BYTE bits) { return {shift, bits, true}; }
constexpr PixelField none() { return {}; }

// Signed formats read U into red, V into green, W into blue and their luminance, Q or alpha into
// alpha. " R16" is stored blue first, like R8G8B8, because its decoder asks for that order.
constexpr PixelLayout kLayouts[] = {
    {D3DFMT_R8G8B8, U, 3, P, {f(16, 8), f(8, 8), f(0, 8), none()}},
    {D3DFMT_A8R8G8B8, U, 4, P, {f(16, 8), f(8, 8), f(0, 8), f(24, 8)}},
    {D3DFMT_X8R8G8B8, U, 4, P, {f(16, 8), f(8, 8), f(0, 8), none()}},
    {D3DFMT_A8B8G8R8, U, 4, P, {f(0, 8), f(8, 8), f(16, 8), f(24, 8)}},
    {D3DFMT_X8B8G8R8, U, 4, P, {f(0, 8), f(8, 8), f(16, 8), none()}},
    {D3DFMT_R5G6B5, U, 2, P, {f(11, 5), f(5, 6), f(0, 5), none()}},
    {D3DFMT_X1R5G5B5, U, 2, P, {f(10, 5), f(5, 5), f(0, 5), none()}},
    {D3DFMT_A1R5G5B5, U, 2, P, {f(10, 5), f(5, 5), f(0, 5), f(15, 1)}},
    {D3DFMT_A4R4G4B4, U, 2, P, {f(8, 4), f(4, 4), f(0, 4), f(12, 4)}},
    {D3DFMT_X4R4G4B4, U, 2, P, {f(8, 4), f(4, 4), f(0, 4), none()}},
    {D3DFMT_A8R3G3B2, U, 2, P, {f(5, 3), f(2, 3), f(0, 2), f(8, 8)}},
    {D3DFMT_R3G3B2, U, 1, P, {f(5, 3), f(2, 3), f(0, 2), none()}},
    {D3DFMT_A2R10G10B10, U, 4, P, {f(20, 10), f(10, 10), f(0, 10), f(30, 2)}},
    {D3DFMT_A2B10G10R10, U, 4, P, {f(0, 10), f(10, 10), f(20, 10), f(30, 2)}},
    {D3DFMT_A16B16G16R16, U, 8, P, {f(0, 16), f(16, 16), f(32, 16), f(48, 16)}},
    {D3DFMT_A8, U, 1, P, {none(), none(), none(), f(0, 8)}, 0.0f},
    {D3DFMT_G16R16, U, 4, P, {f(0, 16), f(16, 16), none(), none()}},
    {kFormatR16, U, 6, P, {f(32, 16), f(16, 16), f(0, 16), none()}},
    {D3DFMT_L8, U, 1, L, {f(0, 8), none(), none(), none()}},
    {D3DFMT_L16, U, 2, L, {f(0, 16), none(), none(), none()}},
    {D3DFMT_A8L8, U, 2, L, {f(0, 8), none(), none(), f(8, 8)}},
    {D3DFMT_A4L4, U, 1, L, {f(0, 4), none(), none(), f(4, 4)}},
    {kFormatAL16, U, 4, L, {f(0, 16), none(), none(), f(16, 16)}},
    {D3DFMT_D16_LOCKABLE, U, 2, L, {f(0, 16), none(), none(), none()}},
    {D3DFMT_P8, U, 1, LayoutKind::Palette, {f(0, 8), none(), none(), none()}},
    {D3DFMT_A8P8, U, 2, LayoutKind::Palette, {f(0, 8), none(), none(), f(8, 8)}},
    {D3DFMT_V8U8, S2, 2, P, {s(0, 8), s(8, 8), none(), none()}},
    {D3DFMT_L6V5U5, S2, 2, P, {s(0, 5), s(5, 5), none(), f(10, 6)}, 1.0f, 0, true},
    {D3DFMT_X8L8V8U8, S2, 4, P, {s(0, 8), s(8, 8), none(), f(16, 8)}},
    {D3DFMT_V16U16, S2, 4, P, {s(0, 16), s(16, 16), none(), none()}},
    {D3DFMT_A2W10V10U10, S2, 4, P, {s(0, 10), s(10, 10), s(20, 10), f(30, 2)}},
    {D3DFMT_CxV8U8, S2, 2, P, {s(0, 8), s(8, 8), none(), none()}},
    {D3DFMT_Q8W8V8U8, S4, 4, P, {s(0, 8), s(8, 8), s(16, 8), s(24, 8)}},
    {D3DFMT_Q16W16V16U16, S4, 8, P, {s(0, 16), s(16, 16), s(32, 16), s(48, 16)}},
    {D3DFMT_R16F, F, 2, LayoutKind::Half, {}, 1.0f, 1},
    {D3DFMT_G16R16F, F, 4, LayoutKind::Half, {}, 1.0f, 2},
    {D3DFMT_A16B16G16R16F, F, 8, LayoutKind::Half, {}, 1.0f, 4},
    {D3DFMT_R32F, F, 4, LayoutKind::Single, {}, 1.0f, 1},
    {D3DFMT_G32R32F, F, 8, LayoutKind::Single, {}, 1.0f, 2},
    {D3DFMT_A32B32G32R32F, F, 16, LayoutKind::Single, {}, 1.0f, 4},
    {D3DFMT_D32F_LOCKABLE, F, 4, LayoutKind::DepthFloat, {}, 1.0f, 1},
};

}  // namespace

const PixelLayout* findPixelLayout(D3DFORMAT format) {
    for (const PixelLayout& layout : kLayouts) {
        if (layout.format == format) {
            return &layout;
        }
    }
    return nullptr;
}

}  // namespace gfxutil::tex

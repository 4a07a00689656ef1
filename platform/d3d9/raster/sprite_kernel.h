// The sprite triangle's row kernel, for any lane count (see lanes.h): included by the baseline
// direct fill for 4 lanes and, under an AVX2 target pragma, by direct_fill_avx2.cpp for 8.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// What a sprite triangle's runs share.
struct SpriteTriangle {
    const uint8_t* texels;
    int32_t pitch;
    int width, height;
    float uBase, uDx, uDy, vBase, vDx, vDy;  // the coordinate planes (premultiplied by q)
    float w;                                  // 1 / q, the same at every pixel
    float refX, refY;
    float color[4];
    bool modulateAlpha, alphaTest, blend;
    float alphaRef;
    uint32_t keep, fill;
    float destAlphaScale, destAlphaBias;
    uint8_t* colorBase;
    int32_t colorPitch;
};

// The 8-lane rows, in direct_fill_avx2.cpp (x86-64 processors with AVX2 only).
void spriteRowsAvx2(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows, bool textureAlpha);

namespace {

// One run of a sprite triangle, W pixels at a time: texture coordinates interpolated without
// perspective ((row + dx * fx) * w, as the batch does), bilinear clamp sampling of one 32-bit
// level, the texel times the flat colour, the alpha test, and the store or source-alpha blend.
// Lanes past the run are computed but never loaded or stored.
template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void spriteRun(const SpriteTriangle& s, int y, int x0, int n) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const I wMax = splat<I>(s.width - 1), hMax = splat<I>(s.height - 1), one = splat<I>(1);
    const float fy = float(y) - s.refY;
    const float uRow = s.uBase + s.uDy * fy, vRow = s.vBase + s.vDy * fy;
    const U keep = splat<U>(s.keep), fill = splat<U>(s.fill);
    uint32_t* dst = reinterpret_cast<uint32_t*>(s.colorBase + ptrdiff_t(y) * s.colorPitch) + x0;
    for (int i = 0; i < n; i += W) {
        const F fx = __builtin_convertvector(iota<I>() + splat<I>(x0 + i), F) - splat<F>(s.refX);
        const F u = (splat<F>(uRow) + splat<F>(s.uDx) * fx) * splat<F>(s.w);
        const F v = (splat<F>(vRow) + splat<F>(s.vDx) * fx) * splat<F>(s.w);
        I i0, j0;
        F fu, fv;
        linearClamp<W>(u, s.width, i0, fu);
        linearClamp<W>(v, s.height, j0, fv);
        const I xa = clampIndex(i0, wMax), xb = clampIndex(i0 + one, wMax);
        const I ya = clampIndex(j0, hMax), yb = clampIndex(j0 + one, hMax);
        // Sprites drawn texel for pixel (text, above all) read consecutive texels of two rows:
        // plain loads instead of gathers, the same words.
        U t00, t10, t01, t11;
        const I step = iota<I>();
        if (allLanes<W>((ya == splat<I>(ya[0])) & (yb == splat<I>(yb[0])) & (xa == splat<I>(xa[0]) + step) &
                        (xb == splat<I>(xb[0]) + step))) {
            const uint8_t* top = s.texels + ptrdiff_t(ya[0]) * s.pitch;
            const uint8_t* bottom = s.texels + ptrdiff_t(yb[0]) * s.pitch;
            t00 = load<U>(top + size_t(xa[0]) * 4);
            t10 = load<U>(top + size_t(xb[0]) * 4);
            t01 = load<U>(bottom + size_t(xa[0]) * 4);
            t11 = load<U>(bottom + size_t(xb[0]) * 4);
        } else {
            t00 = gather<W>(s.texels, byteOffset<W>(xa, ya, s.pitch));
            t10 = gather<W>(s.texels, byteOffset<W>(xb, ya, s.pitch));
            t01 = gather<W>(s.texels, byteOffset<W>(xa, yb, s.pitch));
            t11 = gather<W>(s.texels, byteOffset<W>(xb, yb, s.pitch));
        }

        F a = kTextureAlpha ? lerp<W>(t00, t10, t01, t11, 24, fu, fv) : splat<F>(1.0f);
        if (s.modulateAlpha) a = a * splat<F>(s.color[3]);
        const int count = n - i < W ? n - i : W;
        I pass = splat<I>(-1);
        if (s.alphaTest) {
            pass = __builtin_convertvector(toByte<W>(a), F) > splat<F>(s.alphaRef);
            if (!anyLane<W>(pass, count)) continue;  // the empty parts of a glyph cell
        }
        const F r = lerp<W>(t00, t10, t01, t11, 16, fu, fv) * splat<F>(s.color[0]);
        const F g = lerp<W>(t00, t10, t01, t11, 8, fu, fv) * splat<F>(s.color[1]);
        const F b = lerp<W>(t00, t10, t01, t11, 0, fu, fv) * splat<F>(s.color[2]);

        const U d = loadFirst<W>(dst + i, count);
        U value;
        if (s.blend) {
            const F sa = saturate(a);
            const F ia = splat<F>(1.0f) - sa;
            const F da = __builtin_convertvector(I(d >> 24), F) * splat<F>(s.destAlphaScale) + splat<F>(s.destAlphaBias);
            const I rb = toByte<W>(saturate(r) * sa + channel<W>(d, 16) * ia);
            const I gb = toByte<W>(saturate(g) * sa + channel<W>(d, 8) * ia);
            const I bb = toByte<W>(saturate(b) * sa + channel<W>(d, 0) * ia);
            const I ab = toByte<W>(sa * sa + da * ia);
            value = pack<W>(ab, rb, gb, bb) | fill;
        } else {
            value = pack<W>(toByte<W>(a), toByte<W>(r), toByte<W>(g), toByte<W>(b)) | fill;
        }
        value = (value & ~keep) | (d & keep);
        storeWhere<W>(dst + i, value, pass, count);
    }
}

template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void spriteRows(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows) {
    for (int y = t.minY; y <= t.maxY; ++y) {
        int32_t x0, x1;
        if (!rows.accepts(y) || !rowSpan(t, y, x0, x1)) continue;
        spriteRun<W, kTextureAlpha>(s, y, x0, x1 - x0 + 1);
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

// The row kernel of textured scenery (a wall, a floor): one 32-bit texture, point sampled with
// wrap addressing at its most detailed level, modulated by the interpolated (lit) colour, with
// perspective, stored opaque. Built in eight lanes (direct_fill_avx2.cpp) and sixteen
// (direct_fill_avx512.cpp): in four the fragment batch is as fast. It performs the batch's
// operations in the same order.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// What a textured triangle's runs share.
struct TexturedTriangle {
    const uint8_t* texels;
    int32_t pitch;
    int width, height;
    const TriangleSetup* t;
    int uPlane, vPlane;  // indices of the texture coordinate planes in t->v
    bool modulateAlpha;
    uint32_t keep, fill;
    uint8_t* colorBase;
    int32_t colorPitch;
};

void texturedRowsAvx2(const TexturedTriangle& s, const RowFilter& rows, bool textureAlpha);
// The same in sixteen lanes (direct_fill_avx512.cpp; processors with AVX-512F only).
void texturedRowsAvx512(const TexturedTriangle& s, const RowFilter& rows, bool textureAlpha);

namespace {

// The wrapped texel index of coordinates c for point sampling: the fraction of c times the size,
// truncated, at most size - 1.
template <int W>
RASTER_LANES_INLINE typename lanes::Vec<W>::I pointWrapIndex(typename lanes::Vec<W>::F c, int size) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    c = clampCoord(c);
    const I i = __builtin_convertvector((c - floor<W>(c)) * splat<F>(float(size)), I);
    const I hi = splat<I>(size - 1);
    return i > hi ? hi : i;
}

template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void texturedRun(const TexturedTriangle& s, int y, int x0, int n) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const TriangleSetup& t = *s.t;
    const float fy = float(y) - t.refY;
    const bool affine = t.q.dx == 0.0f && t.q.dy == 0.0f;
    const float affineW = 1.0f / t.q.base;
    const float qRow = t.q.base + t.q.dy * fy;
    float row[6], dx[6];
    const int planes[6] = {0, 1, 2, 3, s.uPlane, s.vPlane};
    for (int c = 0; c < 6; ++c) {
        const Plane& pl = t.v[planes[c]];
        row[c] = pl.base + pl.dy * fy;
        dx[c] = pl.dx;
    }
    const U keep = splat<U>(s.keep), fill = splat<U>(s.fill);
    uint32_t* dst = reinterpret_cast<uint32_t*>(s.colorBase + ptrdiff_t(y) * s.colorPitch) + x0;
    for (int i = 0; i < n; i += W) {
        const F fx = __builtin_convertvector(iota<I>() + splat<I>(x0 + i), F) - splat<F>(t.refX);
        const F w = affine ? splat<F>(affineW) : splat<F>(1.0f) / (splat<F>(qRow) + splat<F>(t.q.dx) * fx);
        const F u = (splat<F>(row[4]) + splat<F>(dx[4]) * fx) * w;
        const F v = (splat<F>(row[5]) + splat<F>(dx[5]) * fx) * w;
        const I tx = pointWrapIndex<W>(u, s.width), ty = pointWrapIndex<W>(v, s.height);
        const U texel = gather<W>(s.texels, byteOffset<W>(tx, ty, s.pitch));
        F diffuse[4];
        for (int c = 0; c < 4; ++c) {
            diffuse[c] = t.constantColor ? splat<F>(t.color[c]) : (splat<F>(row[c]) + splat<F>(dx[c]) * fx) * w;
        }
        const F r = channel<W>(texel, 16) * diffuse[0];
        const F g = channel<W>(texel, 8) * diffuse[1];
        const F b = channel<W>(texel, 0) * diffuse[2];
        F a = kTextureAlpha ? channel<W>(texel, 24) : splat<F>(1.0f);
        if (s.modulateAlpha) a = a * diffuse[3];
        const int count = n - i < W ? n - i : W;
        U value = pack<W>(toByte<W>(a), toByte<W>(r), toByte<W>(g), toByte<W>(b)) | fill;
        if (s.keep != 0) value = (value & ~keep) | (loadFirst<W>(dst + i, count) & keep);
        storeWhere<W>(dst + i, value, splat<I>(-1), count);
    }
}

template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void texturedRows(const TexturedTriangle& s, const RowFilter& rows) {
    const TriangleSetup& t = *s.t;
    RowWalker walker(t);
    for (int y = t.minY; y <= t.maxY; ++y) {
        int32_t x0, x1;
        if (!rows.accepts(y) || !walker.span(y, x0, x1)) continue;
        texturedRun<W, kTextureAlpha>(s, y, x0, x1 - x0 + 1);
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

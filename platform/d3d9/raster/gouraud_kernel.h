// The rows of an untextured triangle whose interpolated colour goes to the target as it is (the
// lit spheres), for any lane count (see lanes.h): the 8-lane form is built in
// direct_fill_avx2.cpp. Each lane performs the scalar run's operations for its pixel in the same
// order, so the bytes do not depend on which loop shaded a pixel; a facet's short runs take one
// masked block instead of a pixel at a time.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// The target of a Gouraud fill.
struct GouraudTarget {
    uint8_t* colorBase;
    int32_t colorPitch;
    uint32_t fill, keep;
};

// The rows of t that `rows` accepts, in the 8-lane loop (t's colour must vary).
void gouraudRowsAvx2(const TriangleSetup& t, const RowFilter& rows, const GouraudTarget& target);

namespace {

template <int W>
RASTER_LANES_INLINE void gouraudRows(const TriangleSetup& t, const RowFilter& rows, const GouraudTarget& target) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const bool affine = t.q.dx == 0.0f && t.q.dy == 0.0f;
    const F affineW = splat<F>(affine ? 1.0f / t.q.base : 0.0f);
    const F refX = splat<F>(t.refX), qDx = splat<F>(t.q.dx);
    const F dx[4] = {splat<F>(t.v[0].dx), splat<F>(t.v[1].dx), splat<F>(t.v[2].dx), splat<F>(t.v[3].dx)};
    const U fill = splat<U>(target.fill), keep = splat<U>(target.keep);
    RowWalker walker(t);
    for (int y = t.minY; y <= t.maxY; ++y) {
        int32_t x0, x1;
        if (!rows.accepts(y) || !walker.span(y, x0, x1)) continue;
        const int n = x1 - x0 + 1;
        const float fy = float(y) - t.refY;
        const F qRow = splat<F>(t.q.base + t.q.dy * fy);
        F row[4];
        for (int c = 0; c < 4; ++c) row[c] = splat<F>(t.v[c].base + t.v[c].dy * fy);
        uint32_t* dst = reinterpret_cast<uint32_t*>(target.colorBase + ptrdiff_t(y) * target.colorPitch) + x0;
        for (int i = 0; i < n; i += W) {
            const int count = n - i < W ? n - i : W;
            const F fx = __builtin_convertvector(iota<I>() + splat<I>(x0 + i), F) - refX;
            const F w = affine ? affineW : splat<F>(1.0f) / (qRow + qDx * fx);
            const I r = toByte<W>((row[0] + dx[0] * fx) * w);
            const I g = toByte<W>((row[1] + dx[1] * fx) * w);
            const I b = toByte<W>((row[2] + dx[2] * fx) * w);
            const I a = toByte<W>((row[3] + dx[3] * fx) * w);
            U v = pack<W>(a, r, g, b) | fill;
            // With every channel written the target is not read: scattered facets miss the cache.
            if (target.keep != 0) v = (v & ~keep) | (loadFirst<W>(dst + i, count) & keep);
            storeWhere<W>(dst + i, v, splat<I>(-1), count);
        }
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

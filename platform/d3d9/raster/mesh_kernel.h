// Set-up and fill of a lit mesh's small triangles eight (or sixteen) at a time (the sphere
// facets): the 8-lane form is built in direct_fill_avx2.cpp, the 16-lane one in
// direct_fill_avx512.cpp.
//
// A facet a pixel or two across costs far more to set up than to fill, and set-up is the same
// arithmetic for every triangle: here it runs in one lane per triangle. Each lane performs
// setupTriangle's operations in the same order (the same snapped integers, the same float
// planes), and each triangle is then filled as gouraudRows would fill it, so the bytes are those
// of the one-triangle path. The edge functions are kept relative to the triangle's first pixel,
// which is exact in 32 bits for triangles this small. Larger triangles go to the general path,
// in their turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/raster/gouraud_kernel.h"
#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/pixel_ops.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/triangle.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// The corners of one front-facing triangle whose vertices are all inside the view volume.
struct MeshTriangle {
    const ScreenVertex* v[3];
};

struct MeshFill {
    Scissor scissor;  // narrowed to the rows the filter accepts
    RowFilter rows;
    GouraudTarget target;
    bool fill;  // false: set-up only
    // Draws a triangle this path leaves to the general one (a large one), in its turn.
    void (*general)(void* context, const MeshTriangle& triangle);
    void* context;
};

// Sets up and fills triangles [0, count) in order (8-lane loops).
void gouraudMeshAvx2(const MeshFill& f, const MeshTriangle* triangles, int count);
// The same sixteen at a time, in direct_fill_avx512.cpp (processors with AVX-512F only).
void gouraudMeshAvx512(const MeshFill& f, const MeshTriangle* triangles, int count);

namespace {

// Triangles this path takes: at most this many pixels wide (one block of a row) and this many
// rows tall, measured on the snapped corners. Their edge functions relative to the first pixel
// stay below 2^26, far inside 32 bits.
inline constexpr int32_t kMeshMaxWidth = 8;
inline constexpr int32_t kMeshMaxHeight = 32;

// The four 32-bit words at byte `offset` of each lane's vertex, as four vectors of W lanes (word
// c of lane i in out[c][i]): an 8 x 4 transpose.
template <int W>
RASTER_LANES_INLINE void gatherFour(const ScreenVertex* const* v, size_t offset, typename lanes::Vec<W>::F* out) {
    using F = typename lanes::Vec<W>::F;
    const auto at = [&](int lane) { return reinterpret_cast<const float*>(reinterpret_cast<const char*>(v[lane]) + offset); };
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (W == 8) {  // built in the AVX2 file only
        const auto pair = [&](int a, int b) {
            return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(at(a))), _mm_loadu_ps(at(b)), 1);
        };
        const __m256 t0 = pair(0, 4), t1 = pair(1, 5), t2 = pair(2, 6), t3 = pair(3, 7);
        const __m256 u0 = _mm256_unpacklo_ps(t0, t1), u1 = _mm256_unpackhi_ps(t0, t1);
        const __m256 u2 = _mm256_unpacklo_ps(t2, t3), u3 = _mm256_unpackhi_ps(t2, t3);
        out[0] = F(_mm256_shuffle_ps(u0, u2, 0x44));
        out[1] = F(_mm256_shuffle_ps(u0, u2, 0xEE));
        out[2] = F(_mm256_shuffle_ps(u1, u3, 0x44));
        out[3] = F(_mm256_shuffle_ps(u1, u3, 0xEE));
        return;
    }
    if constexpr (W == 16) {  // built in the AVX-512 file only: two halves of eight
        typename lanes::Vec<8>::F lo[4], hi[4];
        gatherFour<8>(v, offset, lo);
        gatherFour<8>(v + 8, offset, hi);
        for (int c = 0; c < 4; ++c) {
            const __m512d wide = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(__m256(lo[c]))),
                                                    _mm256_castps_pd(__m256(hi[c])), 1);
            out[c] = F(_mm512_castpd_ps(wide));
        }
        return;
    }
#endif
    for (int c = 0; c < 4; ++c) out[c] = F{};
    for (int lane = 0; lane < W; ++lane) {
        float words[4];
        std::memcpy(words, at(lane), sizeof words);
        for (int c = 0; c < 4; ++c) out[c][lane] = words[c];
    }
}

// Up to W triangles' set-up, one lane each, as setupTriangle computes it.
template <int W>
struct MeshSetup {
    using F = typename lanes::Vec<W>::F;
    using I = typename lanes::Vec<W>::I;
    I fits;                      // the lane's triangle is taken here (else: general path)
    I minX, maxX, minY, maxY;    // clamped to the scissor; empty when minX > maxX or minY > maxY
    I e[3], ea[3], eb[3];        // edge i at (minX, minY), and its steps per pixel and per row
    F refX, refY;
    F qBase, qDx, qDy;
    F base[4], dx[4], dy[4];     // the colour planes (unused where the colour is constant)
    I constantColor;
    F color[4];                  // the first corner's colour
};

template <int W>
RASTER_LANES_INLINE void setupMesh(const MeshTriangle* tris, int count, const Scissor& sc, MeshSetup<W>& s) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    // The corners in lanes (unused lanes repeat the first triangle). Snapped positions lie
    // within +-2^28 sub-pixel steps (toScreen refuses larger ones), so they fit 32-bit lanes.
    const ScreenVertex* corner[3][W];
    for (int lane = 0; lane < W; ++lane) {
        const MeshTriangle& t = tris[lane < count ? lane : 0];
        for (int k = 0; k < 3; ++k) corner[k][lane] = t.v[k];
    }
    I cx[3], cy[3];
    F Q[3], V[3][4], C[3][4];
    for (int k = 0; k < 3; ++k) {
        F position[4], snapped[4];
        gatherFour<W>(corner[k], offsetof(ScreenVertex, x), position);
        gatherFour<W>(corner[k], offsetof(ScreenVertex, sx), snapped);  // low and high words of sx, sy
        gatherFour<W>(corner[k], offsetof(ScreenVertex, v), V[k]);
        gatherFour<W>(corner[k], offsetof(ScreenVertex, color), C[k]);
        Q[k] = position[3];
        cx[k] = I(snapped[0]);
        cy[k] = I(snapped[2]);
    }
    I x0 = cx[0], y0 = cy[0], x1 = cx[1], y1 = cy[1], x2 = cx[2], y2 = cy[2];

    // The box on the snapped corners, checked for size before any product is formed.
    const auto min3 = [](I a, I b, I c) { a = a < b ? a : b; return a < c ? a : c; };
    const auto max3 = [](I a, I b, I c) { a = a > b ? a : b; return a > c ? a : c; };
    const I minXf = min3(x0, x1, x2), maxXf = max3(x0, x1, x2);
    const I minYf = min3(y0, y1, y2), maxYf = max3(y0, y1, y2);
    s.fits = ((maxXf - minXf) < splat<I>(kMeshMaxWidth << kSubPixelBits)) &
             ((maxYf - minYf) < splat<I>(kMeshMaxHeight << kSubPixelBits));
    // Lanes left to the general path get the first corner everywhere, so that no product
    // below can overflow.
    x1 = s.fits ? x1 : x0, x2 = s.fits ? x2 : x0;
    y1 = s.fits ? y1 : y0, y2 = s.fits ? y2 : y0;

    // One orientation: inside is non-negative (the corners swap where the winding is negative).
    const I area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    const I flip = area < splat<I>(0);
    const I sx1 = flip ? x2 : x1, sy1 = flip ? y2 : y1, sx2 = flip ? x1 : x2, sy2 = flip ? y1 : y2;
    x1 = sx1, y1 = sy1, x2 = sx2, y2 = sy2;

    // ceilPixel and floorPixel (arithmetic shifts round down), clamped to the scissor.
    const auto ceilPx = [](I a) { return -((-a) >> kSubPixelBits); };
    const auto floorPx = [](I a) { return a >> kSubPixelBits; };
    const auto maxI = [](I a, I b) { return a > b ? a : b; };
    const auto minI = [](I a, I b) { return a < b ? a : b; };
    s.minX = maxI(ceilPx(minXf), splat<I>(sc.x0));
    s.maxX = minI(floorPx(maxXf), splat<I>(sc.x1 - 1));
    s.minY = maxI(ceilPx(minYf), splat<I>(sc.y0));
    s.maxY = minI(floorPx(maxYf), splat<I>(sc.y1 - 1));

    // Edge i from corner i to corner i + 1: E(P) = dx * (Py - Yi) - dy * (Px - Xi) on the
    // sub-pixel grid, less one where the edge does not own the centres on it (top-left rule).
    // (In unsigned lanes, which wrap: a lane whose box is empty may start far from its corners,
    // and its values are never used.)
    using U = typename Vec<W>::U;
    const I xs[3] = {x0, x1, x2}, ys[3] = {y0, y1, y2};
    const U px0 = U(s.minX) << kSubPixelBits, py0 = U(s.minY) << kSubPixelBits;
    for (int i = 0; i < 3; ++i) {
        const int j = i == 2 ? 0 : i + 1;
        const I dx = xs[j] - xs[i], dy = ys[j] - ys[i];
        const I topLeft = (dy < splat<I>(0)) | ((dy == splat<I>(0)) & (dx > splat<I>(0)));
        s.ea[i] = -dy * splat<I>(int32_t(kSubPixel));
        s.eb[i] = dx * splat<I>(int32_t(kSubPixel));
        s.e[i] = I(U(dx) * (py0 - U(ys[i])) - U(dy) * (px0 - U(xs[i]))) - (topLeft ? splat<I>(0) : splat<I>(1));
    }

    // The planes, from the snapped corners.
    const F sub = splat<F>(float(kSubPixel));
    const F fx0 = __builtin_convertvector(x0, F) / sub, fy0 = __builtin_convertvector(y0, F) / sub;
    const F e1x = __builtin_convertvector(x1 - x0, F) / sub, e1y = __builtin_convertvector(y1 - y0, F) / sub;
    const F e2x = __builtin_convertvector(x2 - x0, F) / sub, e2y = __builtin_convertvector(y2 - y0, F) / sub;
    const F invArea = splat<F>(1.0f) / (e1x * e2y - e2x * e1y);
    s.refX = fx0;
    s.refY = fy0;
    const auto makePlane = [&](F f0, F f1in, F f2in, F& base, F& pdx, F& pdy) {
        const F f1 = flip ? f2in : f1in, f2 = flip ? f1in : f2in;
        const F d1 = f1 - f0, d2 = f2 - f0;
        base = f0;
        pdx = (d1 * e2y - d2 * e1y) * invArea;
        pdy = (d2 * e1x - d1 * e2x) * invArea;
    };
    makePlane(Q[0], Q[1], Q[2], s.qBase, s.qDx, s.qDy);
    I same = splat<I>(-1);
    for (int c = 0; c < 4; ++c) {
        const F c0 = C[0][c];
        same = same & I(c0 == C[1][c]) & I(c0 == C[2][c]);
        s.color[c] = c0;
        makePlane(V[0][c], V[1][c], V[2][c], s.base[c], s.dx[c], s.dy[c]);
    }
    s.constantColor = same;
}

// Fills lane `lane` of s: gouraudRows (or, for one colour, gouraudRun's flat store) for a triangle
// of at most kMeshMaxWidth pixels a row.
template <int W>
RASTER_LANES_INLINE void fillMeshLane(const MeshSetup<W>& s, int lane, const RowFilter& rows,
                                      const GouraudTarget& target) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const int32_t minX = s.minX[lane], maxX = s.maxX[lane], minY = s.minY[lane], maxY = s.maxY[lane];
    const int width = maxX - minX + 1;  // 1..kMeshMaxWidth: a box under 8 pixels across holds at most 8 centres
    const int laneMask = width >= W ? (1 << W) - 1 : (1 << width) - 1;
    I e[3], step[3];
    for (int i = 0; i < 3; ++i) {
        e[i] = splat<I>(s.e[i][lane]) + iota<I>() * splat<I>(s.ea[i][lane]);
        step[i] = splat<I>(s.eb[i][lane]);
    }
    const U fill = splat<U>(target.fill), keep = splat<U>(target.keep);
    const bool flat = s.constantColor[lane] != 0;
    U flatValue = {};
    if (flat) {
        const uint32_t v = (raster::toByte(s.color[3][lane]) << 24) | (raster::toByte(s.color[0][lane]) << 16) |
                           (raster::toByte(s.color[1][lane]) << 8) | raster::toByte(s.color[2][lane]) | target.fill;
        flatValue = splat<U>(v);
    }
    const float qBase = s.qBase[lane], qDx = s.qDx[lane], qDy = s.qDy[lane];
    const float refX = s.refX[lane], refY = s.refY[lane];
    const bool affine = qDx == 0.0f && qDy == 0.0f;
    const F affineW = splat<F>(affine ? 1.0f / qBase : 0.0f);
    for (int32_t y = minY; y <= maxY; ++y, e[0] += step[0], e[1] += step[1], e[2] += step[2]) {
        if (!rows.accepts(y)) continue;
        const int covered = laneBits<W>((e[0] | e[1] | e[2]) >= splat<I>(0)) & laneMask;
        if (covered == 0) continue;
        // A triangle's covered centres in a row are contiguous: first to last.
        const int first = __builtin_ctz(unsigned(covered));
        const int n = 32 - __builtin_clz(unsigned(covered)) - first;
        const int32_t x0 = minX + first;
        uint32_t* dst = reinterpret_cast<uint32_t*>(target.colorBase + ptrdiff_t(y) * target.colorPitch) + x0;
        U v;
        if (flat) {
            v = flatValue;
        } else {
            const float fy = float(y) - refY;
            const F fx = __builtin_convertvector(iota<I>() + splat<I>(x0), F) - splat<F>(refX);
            const F w = affine ? affineW : splat<F>(1.0f) / (splat<F>(qBase + qDy * fy) + splat<F>(qDx) * fx);
            I ch[4];
            for (int c = 0; c < 4; ++c) {
                const float row = s.base[c][lane] + s.dy[c][lane] * fy;
                ch[c] = toByte<W>((splat<F>(row) + splat<F>(s.dx[c][lane]) * fx) * w);
            }
            v = pack<W>(ch[3], ch[0], ch[1], ch[2]) | fill;
        }
        if (target.keep != 0) v = (v & ~keep) | (loadFirst<W>(dst, n) & keep);
        storeWhere<W>(dst, v, splat<I>(-1), n);
    }
}

// The pixels of the smallest triangles of a set-up, shaded across lanes: slot k of lane i is the
// k-th pixel centre of triangle i's box in row order.
template <int W>
struct MeshPixels {
    int slots = 0;
    typename lanes::Vec<W>::I covered;   // bit k of lane i: slot k of lane i is covered
    typename lanes::Vec<W>::U value[W];  // the shaded colour, where some lane is covered
    typename lanes::Vec<W>::I x[W], y[W];
};

// Most facets of a lit sphere have boxes of one to six pixels, which fillMeshLane would walk row
// by row with mostly idle lanes. Triangles whose box holds at most W centres are shaded here
// with one lane per triangle instead: slot by slot, each lane performs the operations
// fillMeshLane performs for that pixel, in the same order, so the colours are the same. The
// pixels are only stored afterwards, by writeMeshPixels, triangle by triangle in order. Returns
// the lanes taken (none when the rows are filtered by bands).
template <int W>
RASTER_LANES_INLINE unsigned shadeMeshPixels(const MeshSetup<W>& s, int count, const RowFilter& rows,
                                             const GouraudTarget& target, MeshPixels<W>& px) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    if (rows.count > 1) return 0;
    const I width = s.maxX - s.minX + splat<I>(1), height = s.maxY - s.minY + splat<I>(1);
    const I area = I(U(width) * U(height));
    const I small = s.fits & (iota<I>() < splat<I>(count)) & (width > splat<I>(0)) & (height > splat<I>(0)) &
                    (height <= splat<I>(W)) & (area <= splat<I>(W));
    const unsigned taken = unsigned(laneBits<W>(small));
    if (taken == 0) return 0;
    px.slots = 0;
    for (int lane = 0; lane < W; ++lane) {
        if ((taken >> lane & 1) && area[lane] > px.slots) px.slots = area[lane];
    }
    // The edges step one pixel right, or back to the box's first column and one row down.
    I e[3], wrap[3];
    for (int i = 0; i < 3; ++i) {
        e[i] = s.e[i];
        wrap[i] = s.eb[i] - I(U(s.ea[i]) * U(width - splat<I>(1)));
    }
    const I affine = I(s.qDx == splat<F>(0.0f)) & I(s.qDy == splat<F>(0.0f));
    const F affineW = splat<F>(1.0f) / s.qBase;
    const U fill = splat<U>(target.fill);
    I dx = splat<I>(0), dy = splat<I>(0);
    px.covered = splat<I>(0);
    for (int k = 0; k < px.slots; ++k) {
        const I x = s.minX + dx, y = s.minY + dy;
        // (The box lies inside the rows of a run: the scissor was narrowed to them.)
        const I in = small & (splat<I>(k) < area) & ((e[0] | e[1] | e[2]) >= splat<I>(0));
        px.covered |= in & splat<I>(1 << k);
        if (laneBits<W>(in) != 0) {
            const F fy = __builtin_convertvector(y, F) - s.refY;
            const F fx = __builtin_convertvector(x, F) - s.refX;
            const F w = affine ? affineW : splat<F>(1.0f) / ((s.qBase + s.qDy * fy) + s.qDx * fx);
            I ch[4];
            for (int c = 0; c < 4; ++c) ch[c] = toByte<W>(((s.base[c] + s.dy[c] * fy) + s.dx[c] * fx) * w);
            px.value[k] = pack<W>(ch[3], ch[0], ch[1], ch[2]) | fill;
            px.x[k] = x;
            px.y[k] = y;
        }
        const I rowEnd = dx + splat<I>(1) == width;
        for (int i = 0; i < 3; ++i) e[i] += rowEnd ? wrap[i] : s.ea[i];
        dx = rowEnd ? splat<I>(0) : dx + splat<I>(1);
        dy = rowEnd ? dy + splat<I>(1) : dy;
    }
    return taken;
}

// Stores lane `lane`'s pixels shaded by shadeMeshPixels (a constant colour as fillMeshLane
// stores it).
template <int W>
RASTER_LANES_INLINE void writeMeshPixels(const MeshSetup<W>& s, const MeshPixels<W>& px, int lane,
                                         const GouraudTarget& target) {
    const bool flat = s.constantColor[lane] != 0;
    uint32_t flatValue = 0;
    if (flat) {
        flatValue = (raster::toByte(s.color[3][lane]) << 24) | (raster::toByte(s.color[0][lane]) << 16) |
                    (raster::toByte(s.color[1][lane]) << 8) | raster::toByte(s.color[2][lane]) | target.fill;
    }
    for (unsigned slots = unsigned(px.covered[lane]); slots != 0; slots &= slots - 1) {
        const int k = __builtin_ctz(slots);
        uint32_t* dst = reinterpret_cast<uint32_t*>(target.colorBase + ptrdiff_t(px.y[k][lane]) * target.colorPitch) +
                        px.x[k][lane];
        uint32_t v = flat ? flatValue : uint32_t(px.value[k][lane]);
        if (target.keep != 0) v = (v & ~target.keep) | (*dst & target.keep);
        *dst = v;
    }
}

template <int W>
RASTER_LANES_INLINE void gouraudMesh(const MeshFill& f, const MeshTriangle* tris, int count) {
    for (int start = 0; start < count; start += W) {
        const int n = count - start < W ? count - start : W;
        MeshSetup<W> s;
        setupMesh<W>(tris + start, n, f.scissor, s);
        MeshPixels<W> px;
        const unsigned small = f.fill ? shadeMeshPixels<W>(s, n, f.rows, f.target, px) : 0u;
        for (int lane = 0; lane < n; ++lane) {
            if (!s.fits[lane]) {
                f.general(f.context, tris[start + lane]);
                continue;
            }
            if (small >> lane & 1) {
                writeMeshPixels<W>(s, px, lane, f.target);
                continue;
            }
            if (!f.fill || s.minX[lane] > s.maxX[lane] || s.minY[lane] > s.maxY[lane]) continue;
            fillMeshLane<W>(s, lane, f.rows, f.target);
        }
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

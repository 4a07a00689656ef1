// The sprite triangle's row kernel, for any lane count (see lanes.h): included by the baseline
// direct fill for 4 lanes and, under an AVX2 target pragma, by direct_fill_avx2.cpp for 8.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

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
void spritePairRowsAvx2(const SpriteTriangle& sa, const TriangleSetup& a, const SpriteTriangle& sb,
                        const TriangleSetup& b, const RowFilter& rows, bool textureAlpha);

// The 16-lane rows, in direct_fill_avx512.cpp (x86-64 processors with AVX-512F only).
void spriteRowsAvx512(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows, bool textureAlpha);
void spritePairRowsAvx512(const SpriteTriangle& sa, const TriangleSetup& a, const SpriteTriangle& sb,
                          const TriangleSetup& b, const RowFilter& rows, bool textureAlpha);

namespace {

// The u half of a one-block run's texture coordinates, kept from row to row for sprite
// triangles whose u does not change down the rows (uDy == 0: screen-aligned sprites, text). It
// depends only on the run's first pixel, so rows starting at the same pixel reuse it. (From row
// to row u can differ only in the sign of a zero, which clamping turns into the same texel and
// fraction.)
template <int W>
struct SpriteColumns {
    int32_t x0 = INT32_MIN;  // the first pixel they were found for
    typename lanes::Vec<W>::I i0, i0Right;
    typename lanes::Vec<W>::F fu, fuRight;
};

// One run of a sprite triangle, W pixels at a time: texture coordinates interpolated without
// perspective ((row + dx * fx) * w, as the batch does), bilinear clamp sampling of one 32-bit
// level, the texel times the flat colour, the alpha test, and the store or source-alpha blend.
// Lanes past the run are computed but never loaded or stored.
//
// With kPair the run is the rows of two triangles that meet in it (the two halves of a quad):
// pixels left of `split` take their coordinates from `s`, the others from `right`, each from
// its own planes; everything else (texture, colour, tests) the two share.
//
// `columns`, when given, keeps u's half of the coordinates for the next row (see
// SpriteColumns); only for runs of at most W pixels whose triangles have uDy == 0.
template <int W, bool kTextureAlpha, bool kPair = false>
RASTER_LANES_INLINE void spriteRun(const SpriteTriangle& s, int y, int x0, int n, const SpriteTriangle* right = nullptr,
                                   int split = 0, SpriteColumns<W>* columns = nullptr) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    using U = typename Vec<W>::U;
    const I wMax = splat<I>(s.width - 1), hMax = splat<I>(s.height - 1), one = splat<I>(1);
    const float fy = float(y) - s.refY;
    const float uRow = s.uBase + s.uDy * fy, vRow = s.vBase + s.vDy * fy;
    float fyR = 0.0f, uRowR = 0.0f, vRowR = 0.0f;
    if constexpr (kPair) {
        fyR = float(y) - right->refY;
        uRowR = right->uBase + right->uDy * fyR;
        vRowR = right->vBase + right->vDy * fyR;
    }
    const U keep = splat<U>(s.keep), fill = splat<U>(s.fill);
    uint32_t* dst = reinterpret_cast<uint32_t*>(s.colorBase + ptrdiff_t(y) * s.colorPitch) + x0;
    for (int i = 0; i < n; i += W) {
        const I x = iota<I>() + splat<I>(x0 + i);
        const F fx = __builtin_convertvector(x, F) - splat<F>(s.refX);
        I i0, j0;
        F fu, fv;
        const auto uLeft = [&] { return (splat<F>(uRow) + splat<F>(s.uDx) * fx) * splat<F>(s.w); };
        F v = (splat<F>(vRow) + splat<F>(s.vDx) * fx) * splat<F>(s.w);
        if constexpr (kPair) {
            const F fxR = __builtin_convertvector(x, F) - splat<F>(right->refX);
            const auto uRight = [&] { return (splat<F>(uRowR) + splat<F>(right->uDx) * fxR) * splat<F>(right->w); };
            const F vR = (splat<F>(vRowR) + splat<F>(right->vDx) * fxR) * splat<F>(right->w);
            const I isRight = x >= splat<I>(split);
            v = isRight ? vR : v;
            if (columns != nullptr) {
                if (columns->x0 != x0) {
                    linearClamp<W>(uLeft(), s.width, columns->i0, columns->fu);
                    linearClamp<W>(uRight(), s.width, columns->i0Right, columns->fuRight);
                    columns->x0 = x0;
                }
                i0 = isRight ? columns->i0Right : columns->i0;
                fu = isRight ? columns->fuRight : columns->fu;
            } else {
                linearClamp<W>(isRight ? uRight() : uLeft(), s.width, i0, fu);
            }
        } else {
            if (columns != nullptr) {
                if (columns->x0 != x0) {
                    linearClamp<W>(uLeft(), s.width, columns->i0, columns->fu);
                    columns->x0 = x0;
                }
                i0 = columns->i0;
                fu = columns->fu;
            } else {
                linearClamp<W>(uLeft(), s.width, i0, fu);
            }
        }
        linearClamp<W>(v, s.height, j0, fv);
        const I xa = clampIndex(i0, wMax), ya = clampIndex(j0, hMax);
        const int count = n - i < W ? n - i : W;
        const I step = iota<I>();
        U t00;
        F a, r, g, b;
        if (allLanes<W>(I(fu == splat<F>(0.0f)) & I(fv == splat<F>(0.0f)) & (ya == splat<I>(ya[0])) &
                        (xa == splat<I>(xa[0]) + step))) {
            // Every sample on a texel centre, the texels side by side in one row (a sprite drawn
            // texel for pixel: text, above all). The blend weights the other three texels by
            // zero, so each channel is the first texel's exactly: t + (u - t) * 0 is t.
            t00 = load<U>(s.texels + ptrdiff_t(ya[0]) * s.pitch + size_t(xa[0]) * 4);
            // The empty parts of a glyph cell: a transparent texel gives alpha 0 (times the
            // colour's alpha, still 0), which fails a "greater than" test against any reference.
            if (kTextureAlpha && s.alphaTest && s.alphaRef >= 0.0f &&
                !anyLane<W>(I(t00 >> 24) != splat<I>(0), count)) {
                continue;
            }
            a = kTextureAlpha ? channel<W>(t00, 24) : splat<F>(1.0f);
            r = channel<W>(t00, 16);
            g = channel<W>(t00, 8);
            b = channel<W>(t00, 0);
        } else {
            const I xb = clampIndex(i0 + one, wMax), yb = clampIndex(j0 + one, hMax);
            // Consecutive texels of two rows (magnified or offset sprites): plain loads instead
            // of gathers, the same words.
            U t10, t01, t11;
            if (allLanes<W>((yb == splat<I>(yb[0])) & (ya == splat<I>(ya[0])) & (xa == splat<I>(xa[0]) + step) &
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
            // Four transparent texels blend to alpha 0: as above.
            if (kTextureAlpha && s.alphaTest && s.alphaRef >= 0.0f &&
                !anyLane<W>(I((t00 | t10 | t01 | t11) >> 24) != splat<I>(0), count)) {
                continue;
            }
            a = kTextureAlpha ? lerp<W>(t00, t10, t01, t11, 24, fu, fv) : splat<F>(1.0f);
            // Where the four texels have one colour (a font's white glyphs) the blend of each
            // channel is that colour exactly (x + (x - x) * f is x), so it is taken as it is.
            const U rgb = splat<U>(0x00FFFFFFu), c00 = t00 & rgb;
            const I sameColour = I(c00 == (t10 & rgb)) & I(c00 == (t01 & rgb)) & I(c00 == (t11 & rgb));
            if (allLanes<W>(sameColour | I(step >= splat<I>(count)))) {
                r = channel<W>(t00, 16);
                g = channel<W>(t00, 8);
                b = channel<W>(t00, 0);
            } else {
                r = lerp<W>(t00, t10, t01, t11, 16, fu, fv);
                g = lerp<W>(t00, t10, t01, t11, 8, fu, fv);
                b = lerp<W>(t00, t10, t01, t11, 0, fu, fv);
            }
        }
        r = r * splat<F>(s.color[0]);
        g = g * splat<F>(s.color[1]);
        b = b * splat<F>(s.color[2]);
        if (s.modulateAlpha) a = a * splat<F>(s.color[3]);
        I pass = splat<I>(-1);
        if (s.alphaTest) {
            pass = __builtin_convertvector(toByte<W>(a), F) > splat<F>(s.alphaRef);
            if (!anyLane<W>(pass, count)) continue;
        }

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

// The spans of a triangle at most kLaneWalkWidth pixels wide (a glyph half), found by evaluating
// its edge functions at every pixel of the row in lanes: the covered centres of a row are
// contiguous, so the first and last set lane are the span. The edge values are taken relative to
// the box's first pixel, which is exact in 32 bits for triangles this small (kLaneWalkWidth by
// kLaneWalkHeight pixels: below 2^28). Larger triangles keep the RowWalker.
inline constexpr int32_t kLaneWalkWidth = 16;
inline constexpr int64_t kLaneWalkHeight = 64;

template <int W>
class LaneWalker {
public:
    static bool suits(const TriangleSetup& t) {
        if (t.maxX - t.minX >= kLaneWalkWidth) return false;
        for (int i = 0; i < 3; ++i) {  // the edges' extents: ea = -dy * 256, eb = dx * 256
            if (t.ea[i] < -kLaneWalkHeight * kSubPixel * kSubPixel || t.ea[i] > kLaneWalkHeight * kSubPixel * kSubPixel)
                return false;
            if (t.eb[i] < -kLaneWalkWidth * kSubPixel * kSubPixel || t.eb[i] > kLaneWalkWidth * kSubPixel * kSubPixel)
                return false;
        }
        return true;
    }

    explicit LaneWalker(const TriangleSetup& t) : m_minX(t.minX), m_y(t.minY) {
        using namespace lanes;
        const int width = t.maxX - t.minX + 1;
        m_mask = width >= 32 ? ~0u : (1u << width) - 1u;
        for (int i = 0; i < 3; ++i) {
            const int32_t e = int32_t(t.ek[i] + t.eb[i] * t.minY + t.ea[i] * t.minX);
            for (int b = 0; b < kBlocks; ++b) {
                m_e[i][b] = splat<I>(e) + (iota<I>() + splat<I>(b * W)) * splat<I>(int32_t(t.ea[i]));
            }
            m_step[i] = int32_t(t.eb[i]);
        }
    }

    // Rows must come in increasing order.
    bool span(int32_t y, int32_t& x0, int32_t& x1) {
        using namespace lanes;
        for (; m_y < y; ++m_y) {
            for (int i = 0; i < 3; ++i) {
                for (int b = 0; b < kBlocks; ++b) m_e[i][b] += splat<I>(m_step[i]);
            }
        }
        uint32_t covered = 0;
        for (int b = 0; b < kBlocks; ++b) {
            const I inside = (m_e[0][b] | m_e[1][b] | m_e[2][b]) >= splat<I>(0);
            covered |= uint32_t(laneBits<W>(inside)) << (b * W);
        }
        covered &= m_mask;
        if (covered == 0) return false;
        x0 = m_minX + __builtin_ctz(covered);
        x1 = m_minX + 31 - __builtin_clz(covered);
        return true;
    }

private:
    using I = typename lanes::Vec<W>::I;
    static constexpr int kBlocks = (kLaneWalkWidth + W - 1) / W;
    int32_t m_minX;
    int32_t m_y;
    uint32_t m_mask;
    I m_e[3][kBlocks];
    int32_t m_step[3];
};

// Either walker, chosen per triangle.
template <int W>
class SpriteWalker {
public:
    explicit SpriteWalker(const TriangleSetup& t) : m_lanes(LaneWalker<W>::suits(t)) {
        if (m_lanes) new (&m_lane) LaneWalker<W>(t);
        else new (&m_row) RowWalker(t);
    }
    bool span(int32_t y, int32_t& x0, int32_t& x1) {
        return m_lanes ? m_lane.span(y, x0, x1) : m_row.span(y, x0, x1);
    }

private:
    bool m_lanes;
    union {
        LaneWalker<W> m_lane;
        RowWalker m_row;
    };
};

template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void spriteRows(const SpriteTriangle& s, const TriangleSetup& t, const RowFilter& rows) {
    SpriteWalker<W> walker(t);
    for (int y = t.minY; y <= t.maxY; ++y) {
        int32_t x0, x1;
        if (!rows.accepts(y) || !walker.span(y, x0, x1)) continue;
        spriteRun<W, kTextureAlpha>(s, y, x0, x1 - x0 + 1);
    }
}

// Two consecutive sprite triangles (a quad) row by row: where a row's two runs meet they are
// shaded as one; otherwise the first triangle's run goes before the second's, so a pixel both
// cover is written in primitive order.
template <int W, bool kTextureAlpha>
RASTER_LANES_INLINE void spritePairRows(const SpriteTriangle& sa, const TriangleSetup& a, const SpriteTriangle& sb,
                                        const TriangleSetup& b, const RowFilter& rows) {
    const int top = a.minY < b.minY ? a.minY : b.minY;
    const int bottom = a.maxY > b.maxY ? a.maxY : b.maxY;
    SpriteWalker<W> walkA(a), walkB(b);
    // Both halves' u along a row is the same on every row: it is kept for the joined runs that
    // start at the same pixel (the left half first; the other order gets a cache of its own).
    const bool steadyU = sa.uDy == 0.0f && sb.uDy == 0.0f;
    SpriteColumns<W> columnsAB, columnsBA;
    for (int y = top; y <= bottom; ++y) {
        if (!rows.accepts(y)) continue;
        int32_t ax0 = 0, ax1 = -1, bx0 = 0, bx1 = -1;
        const bool hasA = y >= a.minY && y <= a.maxY && walkA.span(y, ax0, ax1);
        const bool hasB = y >= b.minY && y <= b.maxY && walkB.span(y, bx0, bx1);
        if (hasA && hasB && ax1 + 1 == bx0) {
            const int n = bx1 - ax0 + 1;
            spriteRun<W, kTextureAlpha, true>(sa, y, ax0, n, &sb, bx0, steadyU && n <= W ? &columnsAB : nullptr);
        } else if (hasA && hasB && bx1 + 1 == ax0) {
            const int n = ax1 - bx0 + 1;
            spriteRun<W, kTextureAlpha, true>(sb, y, bx0, n, &sa, ax0, steadyU && n <= W ? &columnsBA : nullptr);
        } else {
            if (hasA) spriteRun<W, kTextureAlpha>(sa, y, ax0, ax1 - ax0 + 1);
            if (hasB) spriteRun<W, kTextureAlpha>(sb, y, bx0, bx1 - bx0 + 1);
        }
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

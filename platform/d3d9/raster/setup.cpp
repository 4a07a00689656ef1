#include "platform/d3d9/raster/setup.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d9::raster {
namespace {

// The first x in [lo, hi] with k + a * x >= 0 (a > 0), or hi + 1 when there is none.
int64_t firstInside(int64_t k, int64_t a, int64_t lo, int64_t hi) {
    const double e = double(-k) / double(a);
    int64_t x = e < double(lo) ? lo : (e > double(hi + 1) ? hi + 1 : int64_t(e));
    while (x > lo && k + a * (x - 1) >= 0) --x;  // the estimate is at most a step or two off
    while (x <= hi && k + a * x < 0) ++x;
    return x;
}

// The last x in [lo, hi] with k + a * x >= 0 (a < 0), or lo - 1 when there is none.
int64_t lastInside(int64_t k, int64_t a, int64_t lo, int64_t hi) {
    const double e = double(k) / double(-a);
    int64_t x = e < double(lo - 1) ? lo - 1 : (e > double(hi) ? hi : int64_t(e));
    while (x < hi && k + a * (x + 1) >= 0) ++x;
    while (x >= lo && k + a * x < 0) --x;
    return x;
}
// The same for the sub-pixel grid, by shifts (an arithmetic right shift rounds down).
int64_t floorPixel(int64_t a) {
    return a >> kSubPixelBits;
}
int64_t ceilPixel(int64_t a) {
    return -((-a) >> kSubPixelBits);
}

// Positions beyond this many pixels are refused: the guard band keeps clipped geometry far inside
// it, and it keeps every edge-function product well inside 64 bits.
constexpr float kMaxCoordinate = 1 << 20;

// Rounds to the nearest sub-pixel step (halves up). floor is done by hand: std::floor is a
// library call on baseline x86-64 and this runs six times per triangle.
bool snap(float v, int64_t& out) {
    if (!(v > -kMaxCoordinate && v < kMaxCoordinate)) return false;  // also refuses NaN
    const float scaled = v * float(kSubPixel) + 0.5f;
    int64_t i = int64_t(scaled);  // truncation towards zero
    if (float(i) > scaled) --i;
    out = i;
    return true;
}

Plane makePlane(float f0, float f1, float f2, float e1x, float e1y, float e2x, float e2y, float invArea) {
    const float d1 = f1 - f0, d2 = f2 - f0;
    return {f0, (d1 * e2y - d2 * e1y) * invArea, (d2 * e1x - d1 * e2x) * invArea};
}

}  // namespace

ScreenVertex toScreen(const ClipVertex& v, const Viewport& vp, bool pretransformed, int varyingCount) {
    ScreenVertex s;
    if (pretransformed) {
        s.x = v.pos[0];
        s.y = v.pos[1];
        s.z = v.pos[2];
        s.q = (v.pos[3] > 0.0f && std::isfinite(v.pos[3])) ? v.pos[3] : 1.0f;
    } else {
        s.q = 1.0f / v.pos[3];
        const float halfW = float(vp.width) * 0.5f, halfH = float(vp.height) * 0.5f;
        s.x = float(vp.x) + (1.0f + v.pos[0] * s.q) * halfW;
        s.y = float(vp.y) + (1.0f - v.pos[1] * s.q) * halfH;
        s.z = vp.minZ + v.pos[2] * s.q * (vp.maxZ - vp.minZ);
    }
    for (int i = 0; i < varyingCount; ++i) s.v[i] = v.varyings[i] * s.q;
    for (int i = 0; i < 4; ++i) s.color[i] = v.varyings[i];
    s.snapped = snap(s.x, s.sx) && snap(s.y, s.sy);
    return s;
}

bool setupTriangle(const ScreenVertex& v0, const ScreenVertex& v1in, const ScreenVertex& v2in, CullMode cull,
                   const Scissor& scissor, int varyingCount, bool needDepth, TriangleSetup& t) {
    if (!v0.snapped || !v1in.snapped || !v2in.snapped) return false;
    int64_t X[3] = {v0.sx, v1in.sx, v2in.sx}, Y[3] = {v0.sy, v1in.sy, v2in.sy};
    // Twice the signed area in sub-pixel units; positive means clockwise on screen (y down).
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    if (cull == CullMode::CW && area > 0) return false;
    if (cull == CullMode::CCW && area < 0) return false;

    const ScreenVertex* v1 = &v1in;
    const ScreenVertex* v2 = &v2in;
    if (area < 0) {  // one orientation for the edge functions: inside is non-negative
        std::swap(v1, v2);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    const int64_t minXf = std::min(std::min(X[0], X[1]), X[2]), maxXf = std::max(std::max(X[0], X[1]), X[2]);
    const int64_t minYf = std::min(std::min(Y[0], Y[1]), Y[2]), maxYf = std::max(std::max(Y[0], Y[1]), Y[2]);
    t.minX = int32_t(std::max<int64_t>(ceilPixel(minXf), scissor.x0));
    t.maxX = int32_t(std::min<int64_t>(floorPixel(maxXf), scissor.x1 - 1));
    t.minY = int32_t(std::max<int64_t>(ceilPixel(minYf), scissor.y0));
    t.maxY = int32_t(std::min<int64_t>(floorPixel(maxYf), scissor.y1 - 1));
    if (t.minX > t.maxX || t.minY > t.maxY) return false;

    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
        // E(P) = dx * (Py - Yi) - dy * (Px - Xi) with P = pixel * kSubPixel. Top edges (horizontal,
        // inside below) and left edges (going up) own the pixel centres lying exactly on them.
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        t.ea[i] = -dy * kSubPixel;
        t.eb[i] = dx * kSubPixel;
        t.ek[i] = dy * X[i] - dx * Y[i] - (topLeft ? 0 : 1);
    }

    // Attribute planes from the snapped positions, so that interpolation matches coverage.
    const float x0 = float(X[0]) / float(kSubPixel), y0 = float(Y[0]) / float(kSubPixel);
    const float e1x = float(X[1] - X[0]) / float(kSubPixel), e1y = float(Y[1] - Y[0]) / float(kSubPixel);
    const float e2x = float(X[2] - X[0]) / float(kSubPixel), e2y = float(Y[2] - Y[0]) / float(kSubPixel);
    const float invArea = 1.0f / (e1x * e2y - e2x * e1y);
    t.refX = x0;
    t.refY = y0;
    t.q = makePlane(v0.q, v1->q, v2->q, e1x, e1y, e2x, e2y, invArea);
    t.z = needDepth ? makePlane(v0.z, v1->z, v2->z, e1x, e1y, e2x, e2y, invArea) : Plane{v0.z, 0.0f, 0.0f};
    t.varyingCount = varyingCount;
    t.constantColor = true;
    for (int i = 0; i < 4; ++i) {
        t.color[i] = v0.color[i];
        t.constantColor = t.constantColor && v0.color[i] == v1->color[i] && v0.color[i] == v2->color[i];
    }
    // A constant colour is taken as it is; its planes are never read.
    for (int i = t.constantColor ? 4 : 0; i < varyingCount; ++i) {
        t.v[i] = makePlane(v0.v[i], v1->v[i], v2->v[i], e1x, e1y, e2x, e2y, invArea);
    }
    return true;
}

bool rowSpan(const TriangleSetup& t, int32_t y, int32_t& x0, int32_t& x1) {
    // Each edge limits the row to a half-line; the covered pixels are the intersection of the
    // three with [minX, maxX]. Where an edge crosses the row is estimated in double precision
    // (within a fraction of a pixel even for the largest coordinates) and then settled by the
    // exact integer tests, so the result is the exact one without 64-bit divisions or a walk
    // across the row.
    if (t.maxX - t.minX < kStepWidth) {
        // Very narrow triangles (sphere facets): stepping the edge functions across the few
        // pixels is cheaper still, and decides exactly the same.
        return narrowRowSpan(t, y, x0, x1);
    }
    int64_t lo = t.minX, hi = t.maxX;
    for (int i = 0; i < 3; ++i) {
        const int64_t k = t.ek[i] + t.eb[i] * y;  // inside when k + a * x >= 0
        const int64_t a = t.ea[i];
        if (a > 0) {
            lo = firstInside(k, a, lo, hi);
        } else if (a < 0) {
            hi = lastInside(k, a, lo, hi);
        } else if (k < 0) {
            return false;
        }
        if (lo > hi) return false;
    }
    x0 = int32_t(lo);
    x1 = int32_t(hi);
    return true;
}

namespace {

// Floor division and its non-negative remainder (den > 0).
inline void divFloor(int64_t num, int64_t den, int64_t& q, int64_t& r) {
    q = num / den;
    r = num - q * den;
    if (r < 0) {
        --q;
        r += den;
    }
}

}  // namespace

void RowWalker::start() {
    const TriangleSetup& t = m_t;
    for (int i = 0; i < 3; ++i) {
        const int64_t a = t.ea[i], b = t.eb[i];
        const int64_t k = t.ek[i] + b * m_y;
        m_k[i] = k;
        if (a > 0) {  // x >= -k / a: the numerator -k falls by b each row
            m_den[i] = a;
            divFloor(-k, a, m_q[i], m_r[i]);
            divFloor(-b, a, m_dq[i], m_dr[i]);
        } else if (a < 0) {  // x <= k / -a: the numerator k grows by b each row
            m_den[i] = -a;
            divFloor(k, -a, m_q[i], m_r[i]);
            divFloor(b, -a, m_dq[i], m_dr[i]);
        } else {
            m_den[i] = 0;
        }
    }
}

bool RowWalker::wideSpan(int32_t y, int32_t& x0, int32_t& x1) {
    for (; m_y < y; ++m_y) {
        for (int i = 0; i < 3; ++i) {
            if (m_den[i] == 0) {
                m_k[i] += m_t.eb[i];
                continue;
            }
            m_q[i] += m_dq[i];
            m_r[i] += m_dr[i];
            if (m_r[i] >= m_den[i]) {
                m_r[i] -= m_den[i];
                ++m_q[i];
            }
        }
    }
    int64_t lo = m_t.minX, hi = m_t.maxX;
    for (int i = 0; i < 3; ++i) {
        if (m_den[i] == 0) {
            if (m_k[i] < 0) return false;
        } else if (m_t.ea[i] > 0) {
            lo = std::max(lo, m_q[i] + (m_r[i] != 0 ? 1 : 0));  // ceil
        } else {
            hi = std::min(hi, m_q[i]);  // floor
        }
    }
    if (lo > hi) return false;
    x0 = int32_t(lo);
    x1 = int32_t(hi);
    return true;
}

}  // namespace platform::d3d9::raster

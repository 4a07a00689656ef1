// Triangle set-up: the viewport mapping, snapping to the sub-pixel grid, culling by screen-space
// winding, the integer edge functions and the attribute planes.
#pragma once

#include <cstdint>

#include "platform/d3d9/raster/pipeline_state.h"
#include "platform/d3d9/raster/vertex.h"

namespace platform::d3d9::raster {

inline constexpr int kSubPixelBits = 8;
inline constexpr int64_t kSubPixel = int64_t(1) << kSubPixelBits;

// A vertex in screen space: pixel position (centres at integers), depth, q = 1/w and the varyings
// premultiplied by q, ready for perspective-correct interpolation.
struct ScreenVertex {
    float x, y, z, q;
    // x and y on the sub-pixel grid, done once per vertex rather than once per triangle that
    // shares it; `snapped` is false when the position is out of range or not a number.
    int64_t sx, sy;
    bool snapped;
    float v[kMaxVaryings];
    float color[4];  // the diffuse varyings as they are, before the multiplication by q
};

// The pixels the rasteriser may touch: the viewport clipped to the colour target (exclusive max).
struct Scissor {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The value of an interpolated quantity at pixel (x, y) is
//   base + dy * (y - refY) + dx * (x - refX),
// evaluated in this order for every pixel, so a pixel's value never depends on which span or thread
// computed it.
struct Plane {
    float base, dx, dy;
};

struct TriangleSetup {
    // Edge i: inside when k[i] + a[i] * px + b[i] * py >= 0 (px, py integer pixel coordinates);
    // a, b and k are in sub-pixel units with the top-left bias already in k.
    int64_t ea[3], eb[3], ek[3];
    int32_t minX, maxX, minY, maxY;  // inclusive pixel bounds, inside the scissor
    float refX, refY;
    Plane q, z;
    Plane v[kMaxVaryings];
    int varyingCount;
    // All three vertices have the same colour: every pixel has exactly that colour, and the
    // pixel stage takes it as it is instead of interpolating it.
    bool constantColor;
    float color[4];
};

ScreenVertex toScreen(const ClipVertex& v, const Viewport& vp, bool pretransformed, int varyingCount);

// Returns false when the triangle covers no pixel centre (degenerate, culled, outside the scissor).
// The depth plane is made only when needDepth is set (otherwise it is flat at the first vertex's
// depth); the colour planes only when the colour varies (see TriangleSetup::constantColor).
bool setupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, CullMode cull,
                   const Scissor& scissor, int varyingCount, bool needDepth, TriangleSetup& out);

// setupTriangle's first test, for callers that meet many back faces (closed meshes): false when
// the triangle is degenerate, culled, or not snapped to the grid.
inline bool facesTheViewer(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, CullMode cull) {
    if (!v0.snapped || !v1.snapped || !v2.snapped) return false;
    const int64_t area = (v1.sx - v0.sx) * (v2.sy - v0.sy) - (v2.sx - v0.sx) * (v1.sy - v0.sy);
    return area != 0 && !(cull == CullMode::CW && area > 0) && !(cull == CullMode::CCW && area < 0);
}

// The first and last covered pixel of row y; false when the row has none.
bool rowSpan(const TriangleSetup& t, int32_t y, int32_t& x0, int32_t& x1);

// rowSpan for the rows of a triangle taken from top to bottom (rows may be skipped, never
// revisited). Where each edge crosses the row is stepped from row to row by an integer quotient
// and remainder, so a row costs a few additions instead of a division per edge; the spans are
// exactly rowSpan's. Narrow triangles (a sphere facet) are left to rowSpan, which is cheaper
// for them than setting up the steps.
// Triangles narrower than this step their edge functions across each row instead of solving
// for where the edges cross it.
inline constexpr int32_t kStepWidth = 8;

// rowSpan for a triangle narrower than kStepWidth: the edge functions stepped across the row.
inline bool narrowRowSpan(const TriangleSetup& t, int32_t y, int32_t& x0, int32_t& x1) {
    int64_t e0 = t.ek[0] + t.eb[0] * y + t.ea[0] * t.minX;
    int64_t e1 = t.ek[1] + t.eb[1] * y + t.ea[1] * t.minX;
    int64_t e2 = t.ek[2] + t.eb[2] * y + t.ea[2] * t.minX;
    int32_t first = -1, last = -1;
    for (int32_t x = t.minX; x <= t.maxX; ++x) {
        if ((e0 | e1 | e2) >= 0) {  // all three non-negative
            if (first < 0) first = x;
            last = x;
        } else if (first >= 0) {
            break;  // a convex shape: the covered pixels of a row are contiguous
        }
        e0 += t.ea[0];
        e1 += t.ea[1];
        e2 += t.ea[2];
    }
    if (first < 0) return false;
    x0 = first;
    x1 = last;
    return true;
}

class RowWalker {
public:
    explicit RowWalker(const TriangleSetup& t) : m_t(t), m_narrow(t.maxX - t.minX < kStepWidth), m_y(t.minY) {
        if (!m_narrow) start();
    }
    bool span(int32_t y, int32_t& x0, int32_t& x1) {
        return m_narrow ? narrowRowSpan(m_t, y, x0, x1) : wideSpan(y, x0, x1);
    }

private:
    void start();
    bool wideSpan(int32_t y, int32_t& x0, int32_t& x1);

    const TriangleSetup& m_t;
    bool m_narrow;
    int32_t m_y;
    // Per edge: k + a * x >= 0 bounds x from below (a > 0: x >= ceil), from above (a < 0:
    // x <= floor), or not at all (a == 0: the row is in or out as a whole, by the sign of k).
    // The bound is quotient q with remainder r of a numerator over m_den, both stepped per row.
    int64_t m_q[3], m_r[3], m_dq[3], m_dr[3], m_den[3], m_k[3];
};

}  // namespace platform::d3d9::raster

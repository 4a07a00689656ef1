#include "platform/d3d9/raster/line.h"

#include <cmath>

#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/line_kernel.h"

namespace platform::d3d9::raster {
namespace {

bool finite(const ScreenVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.q);
}

// floor and ceil for values well inside the int range: the library calls cost more than the
// rest of a line pixel.
int floorToInt(float v) {
    const int i = int(v);
    return float(i) > v ? i - 1 : i;
}
int ceilToInt(float v) {
    const int i = int(v);
    return float(i) < v ? i + 1 : i;
}

}  // namespace

void drawLine(const PixelPipeline& p, const ScreenVertex& a, const ScreenVertex& b, bool lastPixel,
              const Scissor& scissor, int varyingCount, const RowFilter& rows) {
    if (!finite(a) || !finite(b)) return;
    const float dx = b.x - a.x, dy = b.y - a.y;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float major0 = xMajor ? a.x : a.y, major1 = xMajor ? b.x : b.y;
    const float minor0 = xMajor ? a.y : a.x;
    const float dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    // The guard band keeps clipped lines within a few viewports; anything beyond is refused.
    constexpr float kLimit = 1 << 20;
    if (std::fabs(major0) > kLimit || std::fabs(major1) > kLimit || std::fabs(minor0) > kLimit) return;
    const int start = floorToInt(major0 + 0.5f);
    const int end = floorToInt(major1 + 0.5f);
    const int step = end >= start ? 1 : -1;
    const int count = (end - start) * step + (lastPixel ? 1 : 0);
    if (count <= 0) return;

    // Untextured colour stored as it is (the scene's lit lines) needs nothing of the pixel stage.
    const bool direct = p.direct == DirectPath::Gouraud;
    const uint32_t fill = p.output.destHasAlpha ? 0u : 0xFF000000u;
    const uint32_t keep = p.output.keepMask;
    if (direct && rows.count <= 1 && varyingCount >= 4) {
        DirectLine l{start, step, count, xMajor, major0, dMajor, minor0, dMinor, a.q, b.q - a.q, {}, {},
                     scissor, p.colorBase, p.colorPitch, fill, keep};
        for (int j = 0; j < 4; ++j) {
            l.v0[j] = a.v[j];
            l.dv[j] = b.v[j] - a.v[j];
        }
        if (widestLanes()) {
            directLineAvx512(l);
        } else if (wideLanes()) {
            directLineAvx2(l);
        } else {
            directLinePixels<4>(l);
        }
        return;
    }
    Fragments f;
    f.colorRow = nullptr;
    f.depthRow = nullptr;
    for (int s = 0; s < kMaxTextureStages; ++s) f.lodOf[s] = nullptr;  // textured lines are magnified
    int n = 0;
    float varyings[kMaxVaryings];
    for (int i = 0; i < count; ++i) {
        const int c = start + i * step;
        float t = dMajor != 0.0f ? (float(c) - major0) / dMajor : 0.0f;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
        const int m = ceilToInt(minor0 + t * dMinor - 0.5f);
        const int px = xMajor ? c : m, py = xMajor ? m : c;
        if (px < scissor.x0 || px >= scissor.x1 || py < scissor.y0 || py >= scissor.y1) continue;
        if (!rows.accepts(py)) continue;

        const float q = a.q + (b.q - a.q) * t;
        const float w = 1.0f / q;
        for (int j = 0; j < varyingCount; ++j) varyings[j] = (a.v[j] + (b.v[j] - a.v[j]) * t) * w;
        if (direct) {
            // Stored as the batch's opaque store would store it.
            uint32_t* dst = reinterpret_cast<uint32_t*>(p.colorBase + ptrdiff_t(py) * p.colorPitch) + px;
            const uint32_t v = (toByte(varyings[3]) << 24) | (toByte(varyings[0]) << 16) | (toByte(varyings[1]) << 8) |
                               toByte(varyings[2]) | fill;
            *dst = (v & ~keep) | (*dst & keep);
            continue;
        }
        f.diffuse.r[n] = varyings[0];
        f.diffuse.g[n] = varyings[1];
        f.diffuse.b[n] = varyings[2];
        f.diffuse.a[n] = varyings[3];
        for (int k = 0; k < kMaxTexCoords; ++k) {
            if (!(p.texCoordsUsed & (1u << k))) continue;
            f.uv[k][0][n] = varyings[4 + 2 * k];
            f.uv[k][1][n] = varyings[5 + 2 * k];
        }
        f.color[n] = reinterpret_cast<uint32_t*>(p.colorBase + ptrdiff_t(py) * p.colorPitch) + px;
        if (p.needsDepth) {
            f.z[n] = a.z + (b.z - a.z) * t;
            f.depth[n] = reinterpret_cast<uint32_t*>(p.depthBase + ptrdiff_t(py) * p.depthPitch) + px;
        }
        if (++n == kSpanLength) {
            f.n = n;
            shadeFragments(p, f);
            n = 0;
        }
    }
    if (n > 0) {
        f.n = n;
        shadeFragments(p, f);
    }
}

}  // namespace platform::d3d9::raster

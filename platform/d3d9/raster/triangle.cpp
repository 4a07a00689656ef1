#include "platform/d3d9/raster/triangle.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d9::raster {
namespace {

std::vector<uint8_t>& occupancyMap(size_t size) {
    thread_local std::vector<uint8_t> map;
    if (map.size() < size) map.assign(size, 0);
    return map;
}

}  // namespace

// The occupancy map has one byte per 32-bit word of the colour target up to the scissor's last
// row, indexed by the fragment's word offset, so it needs no coordinates of its own.
FragmentBatcher::FragmentBatcher(const PixelPipeline& p, const Scissor& scissor)
    : m_p(p), m_occupied(occupancyMap(size_t(p.colorPitch / 4) * size_t(scissor.y1))) {
    m_f.n = 0;
}

// Marks the earlier triangles' waiting fragments not yet marked. Done only when a later triangle
// joins the batch: a batch filled by one large triangle never pays for the map.
void FragmentBatcher::markWaiting() {
    const uint32_t* base = reinterpret_cast<const uint32_t*>(m_p.colorBase);
    for (int i = m_marked; i < m_firstOfCurrent; ++i) m_occupied[size_t(m_f.color[i] - base)] = 1;
    m_marked = std::max(m_marked, m_firstOfCurrent);
}

void FragmentBatcher::flush() {
    Fragments& f = m_f;
    if (f.n == 0) return;
    for (int s = 0; s < kMaxTextureStages; ++s) f.lodOf[s] = m_allMagnified[s] ? nullptr : f.lod[s];
    f.colorRow = m_contiguous ? f.color[0] : nullptr;
    f.depthRow = m_contiguous && m_p.needsDepth ? f.depth[0] : nullptr;
    shadeFragments(m_p, f);
    const uint32_t* base = reinterpret_cast<const uint32_t*>(m_p.colorBase);
    for (int i = 0; i < m_marked; ++i) m_occupied[size_t(f.color[i] - base)] = 0;
    m_marked = 0;
    m_firstOfCurrent = 0;
    f.n = 0;
    m_runs = 0;
    m_contiguous = true;
    for (bool& m : m_allMagnified) m = true;
}

// Interpolates n fragments of row y from x0 into the batch. A hot loop: its work is the product
// of the covered pixels and the varyings, so it stays free of state look-ups.
void FragmentBatcher::appendRun(const TriangleSetup& t, int y, int x0, int n) {
    Fragments& f = m_f;
    const PixelPipeline& p = m_p;
    const int base = f.n;
    if (m_runs > 0 && (y != m_lastY || x0 != m_lastEnd)) m_contiguous = false;
    m_lastY = y;
    m_lastEnd = x0 + n;
    ++m_runs;

    const float fy = float(y) - t.refY;
    alignas(32) float fx[kSpanLength], w[kSpanLength];
    for (int i = 0; i < n; ++i) fx[i] = float(x0 + i) - t.refX;
    if (m_affine) {
        for (int i = 0; i < n; ++i) w[i] = m_affineW;
    } else if (!t.constantColor || p.texCoordsUsed != 0) {
        const float row = t.q.base + t.q.dy * fy;
        for (int i = 0; i < n; ++i) w[i] = 1.0f / (row + t.q.dx * fx[i]);
    }
    float* diffuse[4] = {f.diffuse.r + base, f.diffuse.g + base, f.diffuse.b + base, f.diffuse.a + base};
    for (int c = 0; c < 4; ++c) {
        float* out = diffuse[c];
        if (t.constantColor) {
            const float value = t.color[c];
            for (int i = 0; i < n; ++i) out[i] = value;
            continue;
        }
        const Plane& pl = t.v[c];
        const float row = pl.base + pl.dy * fy;
        for (int i = 0; i < n; ++i) out[i] = (row + pl.dx * fx[i]) * w[i];
    }
    for (int k = 0; k < kMaxTexCoords; ++k) {
        if (!(p.texCoordsUsed & (1u << k))) continue;
        for (int c = 0; c < 2; ++c) {
            const Plane& pl = t.v[4 + 2 * k + c];
            const float row = pl.base + pl.dy * fy;
            float* out = f.uv[k][c] + base;
            for (int i = 0; i < n; ++i) out[i] = (row + pl.dx * fx[i]) * w[i];
        }
    }
    for (int s = 0; s < p.stages.count; ++s) {
        if (!p.stageLod[s]) continue;
        // d(u)/dx = (dU/dx - u dQ/dx) / Q with U = u q and Q = q interpolated linearly.
        const int k = p.stageCoord[s];
        const Plane& pu = t.v[4 + 2 * k];
        const Plane& pv = t.v[5 + 2 * k];
        const float W = p.stageSize[s][0], H = p.stageSize[s][1];
        float* lod = f.lod[s] + base;
        if (m_affine) {
            const float l = m_affineLod[s];
            for (int i = 0; i < n; ++i) lod[i] = l;
            if (l > 0.0f) m_allMagnified[s] = false;
        } else {
            const float* us = f.uv[k][0] + base;
            const float* vs = f.uv[k][1] + base;
            bool magnified = true;
            for (int i = 0; i < n; ++i) {
                const float dudx = (pu.dx - us[i] * t.q.dx) * w[i] * W, dvdx = (pv.dx - vs[i] * t.q.dx) * w[i] * H;
                const float dudy = (pu.dy - us[i] * t.q.dy) * w[i] * W, dvdy = (pv.dy - vs[i] * t.q.dy) * w[i] * H;
                const float rx = dudx * dudx + dvdx * dvdx, ry = dudy * dudy + dvdy * dvdy;
                lod[i] = 0.5f * approxLog2(std::max(rx, ry)) + p.lodBias[s];
                magnified = magnified && !(lod[i] > 0.0f);
            }
            if (!magnified) m_allMagnified[s] = false;
        }
    }
    if (p.needsDepth) {
        const float row = t.z.base + t.z.dy * fy;
        uint32_t* d = reinterpret_cast<uint32_t*>(p.depthBase + ptrdiff_t(y) * p.depthPitch) + x0;
        for (int i = 0; i < n; ++i) {
            f.z[base + i] = row + t.z.dx * fx[i];
            f.depth[base + i] = d + i;
        }
    }
    uint32_t* c = reinterpret_cast<uint32_t*>(p.colorBase + ptrdiff_t(y) * p.colorPitch) + x0;
    for (int i = 0; i < n; ++i) f.color[base + i] = c + i;
    f.n = base + n;
}

// Without perspective (sprites, orthographic views) 1/q and the texture footprint are the same
// at every pixel of the triangle: computed here once, with the same expressions the per-pixel
// path would evaluate (with q's gradients exactly zero they reduce to these).
void FragmentBatcher::prepareTriangle(const TriangleSetup& t) {
    m_affine = t.q.dx == 0.0f && t.q.dy == 0.0f;
    if (!m_affine) return;
    m_affineW = 1.0f / t.q.base;
    const float w = m_affineW;
    for (int s = 0; s < m_p.stages.count; ++s) {
        if (!m_p.stageLod[s]) continue;
        const int k = m_p.stageCoord[s];
        const Plane& pu = t.v[4 + 2 * k];
        const Plane& pv = t.v[5 + 2 * k];
        const float W = m_p.stageSize[s][0], H = m_p.stageSize[s][1];
        const float dudx = pu.dx * w * W, dvdx = pv.dx * w * H;
        const float dudy = pu.dy * w * W, dvdy = pv.dy * w * H;
        const float rx = dudx * dudx + dvdx * dvdx, ry = dudy * dudy + dvdy * dvdy;
        m_affineLod[s] = 0.5f * approxLog2(std::max(rx, ry)) + m_p.lodBias[s];
    }
}

void FragmentBatcher::fillTriangle(const TriangleSetup& t, const RowFilter& rows) {
    m_firstOfCurrent = m_f.n;
    prepareTriangle(t);
    const size_t rowWords = size_t(m_p.colorPitch / 4);
    for (int y = t.minY; y <= t.maxY; ++y) {
        if (!rows.accepts(y)) continue;
        int32_t x0, x1;
        if (!rowSpan(t, y, x0, x1)) continue;
        for (int x = x0; x <= x1;) {
            const int take = std::min(kSpanLength - m_f.n, x1 - x + 1);
            // Pixels of one triangle never repeat; only an earlier triangle's fragments still
            // waiting can hold this pixel, so the map is consulted while there are any.
            if (m_firstOfCurrent > 0) {
                markWaiting();
                bool clash = false;
                const uint8_t* occ = m_occupied.data() + size_t(y) * rowWords + size_t(x);
                for (int i = 0; i < take; ++i) clash = clash || occ[i] != 0;
                if (clash) {
                    flush();
                    continue;  // the batch is empty now: take as much as fits again
                }
            }
            appendRun(t, y, x, take);  // marked lazily, when a later triangle arrives
            x += take;
            if (m_f.n == kSpanLength) flush();
        }
    }
}

}  // namespace platform::d3d9::raster

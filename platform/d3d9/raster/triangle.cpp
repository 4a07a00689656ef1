#include "platform/d3d9/raster/triangle.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d9/raster/direct_fill.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::d3d9::raster {
namespace {

std::vector<uint8_t>& occupancyMap(size_t size) {
    thread_local std::vector<uint8_t> map;
    if (map.size() < size) map.assign(size, 0);
    return map;
}

void store4(float* out, float v) {
#if defined(__SSE2__)
    _mm_storeu_ps(out, _mm_set1_ps(v));
#else
    for (int i = 0; i < 4; ++i) out[i] = v;
#endif
}

// fx[i] = float(x0 + i) - refX, in blocks of four (see appendRun).
void runOffsets(float* fx, int x0, float refX, int n) {
#if defined(__SSE2__)
    const __m128i step = _mm_set_epi32(3, 2, 1, 0);
    const __m128 ref = _mm_set1_ps(refX);
    for (int i = 0; i < n; i += 4) {
        _mm_storeu_ps(fx + i, _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x0 + i), step)), ref));
    }
#else
    for (int i = 0; i < ((n + 3) & ~3); ++i) fx[i] = float(x0 + i) - refX;
#endif
}

// w[i] = 1 / (row + dx * fx[i]), in blocks of four.
void runReciprocals(float* w, float row, float dx, const float* fx, int n) {
#if defined(__SSE2__)
    const __m128 r = _mm_set1_ps(row), d = _mm_set1_ps(dx), one = _mm_set1_ps(1.0f);
    for (int i = 0; i < n; i += 4) _mm_storeu_ps(w + i, _mm_div_ps(one, _mm_add_ps(r, _mm_mul_ps(d, _mm_loadu_ps(fx + i)))));
#else
    for (int i = 0; i < ((n + 3) & ~3); ++i) w[i] = 1.0f / (row + dx * fx[i]);
#endif
}

// out[i] = (row + dx * fx[i]) * w[i]: a varying along a run, perspective-corrected. With `wide`
// in blocks of four (see appendRun).
void planeRun(float* out, float row, float dx, const float* fx, const float* w, int n, bool wide) {
#if defined(__SSE2__)
    if (wide) {
        const __m128 r = _mm_set1_ps(row), d = _mm_set1_ps(dx);
        for (int i = 0; i < n; i += 4) {
            _mm_storeu_ps(out + i, _mm_mul_ps(_mm_add_ps(r, _mm_mul_ps(d, _mm_loadu_ps(fx + i))), _mm_loadu_ps(w + i)));
        }
        return;
    }
#endif
    (void)wide;
    for (int i = 0; i < n; ++i) out[i] = (row + dx * fx[i]) * w[i];
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
    for (int r = m_marked; r < m_firstRunOfCurrent; ++r) {
        std::memset(m_occupied.data() + (m_f.runs[r].color - base), 1, size_t(m_f.runs[r].n));
    }
    m_marked = std::max(m_marked, m_firstRunOfCurrent);
}

void FragmentBatcher::drawPending() {
    if (!m_hasPending) return;
    m_hasPending = false;
    fillDirect(m_p, m_pending, m_pendingRows);
}

void FragmentBatcher::flush() {
    drawPending();
    Fragments& f = m_f;
    if (f.n == 0) return;
    for (int s = 0; s < kMaxTextureStages; ++s) f.lodOf[s] = m_allMagnified[s] ? nullptr : f.lod[s];
    f.colorRow = m_contiguous ? f.runs[0].color : nullptr;
    f.runCount = m_runs;
    f.uniformDiffuse = m_uniform;
    f.depthRow = m_contiguous && m_p.needsDepth ? f.depth[0] : nullptr;
    shadeFragments(m_p, f);
    const uint32_t* base = reinterpret_cast<const uint32_t*>(m_p.colorBase);
    for (int r = 0; r < m_marked; ++r) std::memset(m_occupied.data() + (f.runs[r].color - base), 0, size_t(f.runs[r].n));
    m_marked = 0;
    m_firstOfCurrent = 0;
    m_firstRunOfCurrent = 0;
    for (int& filled : m_lodFilled) filled = 0;
    f.n = 0;
    m_runs = 0;
    m_contiguous = true;
    m_uniform = false;
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
    f.runs[m_runs] = {reinterpret_cast<uint32_t*>(p.colorBase + ptrdiff_t(y) * p.colorPitch) + x0, base, n};
    ++m_runs;

    const float fy = float(y) - t.refY;
    alignas(32) float fx[kSpanLength], w[kSpanLength];
    // Runs are short (a glyph or facet row), so whole blocks of four are written even past n
    // when the batch arrays have room: the extra values lie beyond the batch's fragments, where
    // later runs write over them, and nothing reads them.
    const bool wide = base + ((n + 3) & ~3) <= kSpanLength;
    const bool needW = !t.constantColor || p.texCoordsUsed != 0;
    if (wide) {
        runOffsets(fx, x0, t.refX, n);
        if (m_affine) {
            for (int i = 0; i < n; i += 4) store4(w + i, m_affineW);
        } else if (needW) {
            runReciprocals(w, t.q.base + t.q.dy * fy, t.q.dx, fx, n);
        }
    } else {
        for (int i = 0; i < n; ++i) fx[i] = float(x0 + i) - t.refX;
        if (m_affine) {
            for (int i = 0; i < n; ++i) w[i] = m_affineW;
        } else if (needW) {
            const float row = t.q.base + t.q.dy * fy;
            for (int i = 0; i < n; ++i) w[i] = 1.0f / (row + t.q.dx * fx[i]);
        }
    }
    // A batch whose triangles all have one flat colour keeps just that colour; the first
    // fragment of another colour writes it out for the fragments already waiting.
    const bool sameColor = t.constantColor && (base == 0 || (m_uniform && t.color[0] == f.uniformColor[0] &&
                                                             t.color[1] == f.uniformColor[1] &&
                                                             t.color[2] == f.uniformColor[2] &&
                                                             t.color[3] == f.uniformColor[3]));
    if (sameColor) {
        if (base == 0) {
            m_uniform = true;
            for (int c = 0; c < 4; ++c) f.uniformColor[c] = t.color[c];
        }
    } else {
        if (m_uniform) {
            fillUniform(f, base);
            m_uniform = false;
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
            planeRun(out, pl.base + pl.dy * fy, pl.dx, fx, w, n, wide);
        }
    }
    for (uint32_t used = p.texCoordsUsed; used != 0; used &= used - 1) {
        const int k = __builtin_ctz(used);
        for (int c = 0; c < 2; ++c) {
            const Plane& pl = t.v[4 + 2 * k + c];
            planeRun(f.uv[k][c] + base, pl.base + pl.dy * fy, pl.dx, fx, w, n, wide);
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
        if (m_affine && m_allMagnified[s] && !(m_affineLod[s] > 0.0f)) continue;  // not read (see m_lodFilled)
        for (int i = m_lodFilled[s]; i < base; ++i) f.lod[s][i] = 0.0f;
        m_lodFilled[s] = base + n;
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
    f.n = base + n;
}

// Without perspective (sprites, orthographic views) 1/q and the texture footprint are the same
// at every pixel of the triangle: computed here once, with the same expressions the per-pixel
// path would evaluate (with q's gradients exactly zero they reduce to these).
void FragmentBatcher::prepareTriangle(const TriangleSetup& t) {
    m_affine = t.q.dx == 0.0f && t.q.dy == 0.0f;
    if (!m_affine) return;
    m_affineW = 1.0f / t.q.base;
    for (int s = 0; s < m_p.stages.count; ++s) {
        if (m_p.stageLod[s]) m_affineLod[s] = affineLod(m_p, t, s);
    }
}

void FragmentBatcher::fillTriangle(const TriangleSetup& t, const RowFilter& rows) {
    if (m_p.direct == DirectPath::Sprite && suitsDirect(m_p, t)) {
        // Sprites come as quads of two triangles: the first is held until the second shows
        // whether the two can share their rows.
        if (m_hasPending) {
            m_hasPending = false;
            if (pairsDirect(m_p, m_pending, t)) {
                fillDirectPair(m_p, m_pending, t, rows);
                return;
            }
            fillDirect(m_p, m_pending, rows);
        } else {
            flush();
        }
        m_pending = t;
        m_pendingRows = rows;
        m_hasPending = true;
        return;
    }
    drawPending();
    if (t.constantColor && m_p.stages.passthrough && !m_p.output.alphaTest && !m_p.output.depth) {
        // A flat triangle whose colour goes to the target unchanged (the mirror quad): its rows are
        // written straight from the one colour, with nothing to interpolate or batch. What earlier
        // triangles left waiting is shaded first, so the order of writes stays the primitives'.
        flush();
        RowWalker walker(t);
        for (int y = t.minY; y <= t.maxY; ++y) {
            int32_t x0, x1;
            if (!rows.accepts(y) || !walker.span(y, x0, x1)) continue;
            uint32_t* row = reinterpret_cast<uint32_t*>(m_p.colorBase + ptrdiff_t(y) * m_p.colorPitch) + x0;
            writeUniformColor(m_p.output, x1 - x0 + 1, t.color, row);
        }
        return;
    }
    if (m_p.direct != DirectPath::None && suitsDirect(m_p, t)) {
        // Shaded row by row, straight into the target; what waits in the batch goes first so
        // that the order of writes stays the primitives'.
        flush();
        fillDirect(m_p, t, rows);
        return;
    }
    m_firstOfCurrent = m_f.n;
    m_firstRunOfCurrent = m_runs;
    prepareTriangle(t);
    const size_t rowWords = size_t(m_p.colorPitch / 4);
    RowWalker walker(t);
    for (int y = t.minY; y <= t.maxY; ++y) {
        if (!rows.accepts(y)) continue;
        int32_t x0, x1;
        if (!walker.span(y, x0, x1)) continue;
        for (int x = x0; x <= x1;) {
            const int take = std::min(kSpanLength - m_f.n, x1 - x + 1);
            // Pixels of one triangle never repeat; only an earlier triangle's fragments still
            // waiting can hold this pixel, so the map is consulted while there are any.
            if (m_firstOfCurrent > 0) {
                markWaiting();
                const uint8_t* occ = m_occupied.data() + size_t(y) * rowWords + size_t(x);
                uint8_t clash = 0;
                for (int i = 0; i < take; ++i) clash |= occ[i];  // no early exit: it vectorises
                if (clash != 0) {
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

#include "platform/d3d9/raster/direct_fill.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/d3d9/raster/raster.h"
#include "platform/d3d9/raster/gouraud_kernel.h"
#include "platform/d3d9/raster/sprite_kernel.h"
#include "platform/d3d9/raster/textured_kernel.h"  // TexturedTriangle
#include "platform/d3d9/raster/simd4.h"

namespace platform::d3d9::raster {
namespace {

std::atomic<bool> g_directFill{true};

uint32_t* targetRow(const PixelPipeline& p, int y) {
    return reinterpret_cast<uint32_t*>(p.colorBase + ptrdiff_t(y) * p.colorPitch);
}

// Walks the covered rows of t that `rows` accepts.
template <class Row>
void forEachRun(const TriangleSetup& t, const RowFilter& rows, Row&& row) {
    RowWalker walker(t);
    for (int y = t.minY; y <= t.maxY; ++y) {
        int32_t x0, x1;
        if (!rows.accepts(y) || !walker.span(y, x0, x1)) continue;
        row(y, x0, x1 - x0 + 1);
    }
}

// ---- untextured colour, stored as it is ----------------------------------------------------

// One run of a lit (or vertex-coloured) triangle: the diffuse colour interpolated as the batch
// interpolates it ((row + dx * fx) * w, w = 1 / q), rounded and stored.
void gouraudRun(const PixelPipeline& p, const TriangleSetup& t, int y, int x0, int n) {
    uint32_t* dst = targetRow(p, y) + x0;
    const OutputSetup& o = p.output;
    const uint32_t fill = o.destHasAlpha ? 0u : 0xFF000000u;
    const uint32_t keep = o.keepMask;
    if (t.constantColor) {
        const uint32_t v = (toByte(t.color[3]) << 24) | (toByte(t.color[0]) << 16) | (toByte(t.color[1]) << 8) |
                           toByte(t.color[2]) | fill;
        if (keep == 0) {
            for (int i = 0; i < n; ++i) dst[i] = v;
        } else {
            for (int i = 0; i < n; ++i) dst[i] = (v & ~keep) | (dst[i] & keep);
        }
        return;
    }
    const float fy = float(y) - t.refY;
    const bool affine = t.q.dx == 0.0f && t.q.dy == 0.0f;
    const float affineW = affine ? 1.0f / t.q.base : 0.0f;
    const float qRow = t.q.base + t.q.dy * fy;
    float row[4], dx[4];
    for (int c = 0; c < 4; ++c) {
        row[c] = t.v[c].base + t.v[c].dy * fy;
        dx[c] = t.v[c].dx;
    }
    int i = 0;
#if defined(__SSE2__)
    using namespace simd4;
    const __m128 ref = _mm_set1_ps(t.refX);
    const __m128i step = _mm_set_epi32(3, 2, 1, 0);
    const __m128i keep4 = _mm_set1_epi32(int32_t(keep)), fill4 = _mm_set1_epi32(int32_t(fill));
    for (; i + 4 <= n; i += 4) {
        const __m128 fx = _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x0 + i), step)), ref);
        const __m128 w = affine ? _mm_set1_ps(affineW)
                                : _mm_div_ps(_mm_set1_ps(1.0f),
                                             _mm_add_ps(_mm_set1_ps(qRow), _mm_mul_ps(_mm_set1_ps(t.q.dx), fx)));
        __m128i ch[4];
        for (int c = 0; c < 4; ++c) {
            ch[c] = toByte4(_mm_mul_ps(_mm_add_ps(_mm_set1_ps(row[c]), _mm_mul_ps(_mm_set1_ps(dx[c]), fx)), w));
        }
        const __m128i v = _mm_or_si128(pack4(ch[3], ch[0], ch[1], ch[2]), fill4);
        __m128i* out = reinterpret_cast<__m128i*>(dst + i);
        if (keep == 0) {
            _mm_storeu_si128(out, v);
            continue;
        }
        const __m128i d = _mm_loadu_si128(out);
        _mm_storeu_si128(out, _mm_or_si128(_mm_andnot_si128(keep4, v), _mm_and_si128(d, keep4)));
    }
#endif
    for (; i < n; ++i) {
        const float fx = float(x0 + i) - t.refX;
        const float w = affine ? affineW : 1.0f / (qRow + t.q.dx * fx);
        uint32_t ch[4];
        for (int c = 0; c < 4; ++c) ch[c] = toByte((row[c] + dx[c] * fx) * w);
        const uint32_t v = (ch[3] << 24) | (ch[0] << 16) | (ch[1] << 8) | ch[2] | fill;
        // With every channel written the target is not read: scattered facets miss the cache.
        dst[i] = keep == 0 ? v : (v & ~keep) | (dst[i] & keep);
    }
}

// ---- sprites --------------------------------------------------------------------------------

SpriteTriangle spriteTriangle(const PixelPipeline& p, const TriangleSetup& t) {
    const Sampler& sampler = p.stages.stages[0].sampler;
    const TextureLevel& lv = sampler.view->levels[sampler.firstLevel];
    const int k = p.stageCoord[0];
    const Plane& pu = t.v[4 + 2 * k];
    const Plane& pv = t.v[5 + 2 * k];
    const OutputSetup& o = p.output;
    SpriteTriangle s;
    s.texels = static_cast<const uint8_t*>(lv.data);
    s.pitch = lv.pitch;
    s.width = int(lv.width);
    s.height = int(lv.height);
    s.uBase = pu.base, s.uDx = pu.dx, s.uDy = pu.dy;
    s.vBase = pv.base, s.vDx = pv.dx, s.vDy = pv.dy;
    s.w = 1.0f / t.q.base;
    s.refX = t.refX, s.refY = t.refY;
    for (int c = 0; c < 4; ++c) s.color[c] = t.color[c];
    s.modulateAlpha = p.modulateAlpha;
    s.alphaTest = o.alphaTest;
    s.blend = o.blend;
    s.alphaRef = o.alphaRef;
    s.keep = o.keepMask;
    s.fill = o.destHasAlpha ? 0u : 0xFF000000u;
    s.destAlphaScale = o.destHasAlpha ? lanes::kByteScale : 0.0f;
    s.destAlphaBias = o.destHasAlpha ? 0.0f : 1.0f;
    s.colorBase = p.colorBase;
    s.colorPitch = p.colorPitch;
    return s;
}

template <bool kTextureAlpha>
void spriteRows4(const PixelPipeline& p, const TriangleSetup& t, const RowFilter& rows) {
    spriteRows<4, kTextureAlpha>(spriteTriangle(p, t), t, rows);
}

template <bool kTextureAlpha>
void spritePairRows4(const PixelPipeline& p, const TriangleSetup& a, const TriangleSetup& b, const RowFilter& rows) {
    spritePairRows<4, kTextureAlpha>(spriteTriangle(p, a), a, spriteTriangle(p, b), b, rows);
}

}  // namespace

void setDirectFill(bool on) {
    g_directFill.store(on, std::memory_order_relaxed);
}

DirectPath chooseDirectPath(const PipelineState& state, const PixelPipeline& p) {
    if (!g_directFill.load(std::memory_order_relaxed)) return DirectPath::None;
    const OutputSetup& o = p.output;
    if (o.depth) return DirectPath::None;
    if (p.stages.passthrough && p.texCoordsUsed == 0 && !o.alphaTest && !o.blend) return DirectPath::Gouraud;
    if (!p.modulateTexture) return DirectPath::None;
    const Sampler& s = p.stages.stages[0].sampler;
    const TextureFormat f = s.view->format;
    if (f != TextureFormat::A8R8G8B8 && f != TextureFormat::X8R8G8B8) return DirectPath::None;
    // Textured scenery gains from the direct path only in eight lanes (with AVX2's gather); in
    // four the batch's loops are as fast.
    if (wideLanes() && !p.stageLod[0] && s.state.magFilter == Filter::Point && s.state.addressU == AddressMode::Wrap &&
        s.state.addressV == AddressMode::Wrap && !o.alphaTest && !o.blend) {
        // Texel offsets are formed in 32-bit lanes.
        const TextureLevel& top = s.view->levels[s.firstLevel];
        const int64_t stride = top.pitch < 0 ? -int64_t(top.pitch) : int64_t(top.pitch);
        if (int64_t(top.height) * stride < (int64_t(1) << 31)) return DirectPath::Textured;
    }
    if (s.state.magFilter != Filter::Linear || s.state.addressU != AddressMode::Clamp ||
        s.state.addressV != AddressMode::Clamp) {
        return DirectPath::None;
    }
    // Texel offsets are formed in 32-bit lanes.
    const TextureLevel& lv = s.view->levels[s.firstLevel];
    const int64_t pitch = lv.pitch < 0 ? -int64_t(lv.pitch) : int64_t(lv.pitch);
    if (int64_t(lv.height) * pitch >= (int64_t(1) << 31)) return DirectPath::None;
    if (o.alphaTest && state.alphaFunc != CompareFunc::Greater) return DirectPath::None;
    if (o.blend && !(o.op == BlendOp::Add && o.src == BlendFactor::SrcAlpha && o.dest == BlendFactor::InvSrcAlpha)) {
        return DirectPath::None;
    }
    return DirectPath::Sprite;
}

float affineLod(const PixelPipeline& p, const TriangleSetup& t, int s) {
    const float w = 1.0f / t.q.base;
    const int k = p.stageCoord[s];
    const Plane& pu = t.v[4 + 2 * k];
    const Plane& pv = t.v[5 + 2 * k];
    const float W = p.stageSize[s][0], H = p.stageSize[s][1];
    const float dudx = pu.dx * w * W, dvdx = pv.dx * w * H;
    const float dudy = pu.dy * w * W, dvdy = pv.dy * w * H;
    const float rx = dudx * dudx + dvdx * dvdx, ry = dudy * dudy + dvdy * dvdy;
    return 0.5f * approxLog2(std::max(rx, ry)) + p.lodBias[s];
}

bool suitsDirect(const PixelPipeline& p, const TriangleSetup& t) {
    switch (p.direct) {
    case DirectPath::None: return false;
    case DirectPath::Gouraud:
    case DirectPath::Textured: return true;
    case DirectPath::Sprite:
        // The sprite path samples the magnified level with the same texture footprint at every
        // pixel: no perspective, one colour, and (when it matters) a level of detail of at most 0.
        if (!t.constantColor || t.q.dx != 0.0f || t.q.dy != 0.0f) return false;
        return !(p.stageLod[0] && affineLod(p, t, 0) > 0.0f);
    }
    return false;
}

void fillDirect(const PixelPipeline& p, const TriangleSetup& t, const RowFilter& rows) {
    if (p.direct == DirectPath::Gouraud) {
#if defined(__x86_64__)
        if (wideLanes() && !t.constantColor) {
            const GouraudTarget target{p.colorBase, p.colorPitch, p.output.destHasAlpha ? 0u : 0xFF000000u,
                                       p.output.keepMask};
            gouraudRowsAvx2(t, rows, target);
            return;
        }
#endif
        forEachRun(t, rows, [&](int y, int x0, int n) { gouraudRun(p, t, y, x0, n); });
        return;
    }
    if (p.direct == DirectPath::Textured) {
        const Sampler& sampler = p.stages.stages[0].sampler;
        const TextureLevel& lv = sampler.view->levels[sampler.firstLevel];
        const int k = p.stageCoord[0];
        const TexturedTriangle s{static_cast<const uint8_t*>(lv.data), lv.pitch, int(lv.width), int(lv.height), &t,
                                 4 + 2 * k, 5 + 2 * k, p.modulateAlpha, p.output.keepMask,
                                 p.output.destHasAlpha ? 0u : 0xFF000000u, p.colorBase, p.colorPitch};
#if defined(__x86_64__)
        const bool textureAlpha = sampler.view->format == TextureFormat::A8R8G8B8;
        (widestLanes() ? texturedRowsAvx512 : texturedRowsAvx2)(s, rows, textureAlpha);
#endif
        return;
    }
    if (p.direct == DirectPath::Sprite) {
        const bool textureAlpha = p.stages.stages[0].sampler.view->format == TextureFormat::A8R8G8B8;
#if defined(__x86_64__)
        if (widestLanes()) {
            spriteRowsAvx512(spriteTriangle(p, t), t, rows, textureAlpha);
            return;
        }
        if (wideLanes()) {
            spriteRowsAvx2(spriteTriangle(p, t), t, rows, textureAlpha);
            return;
        }
#endif
        (textureAlpha ? spriteRows4<true> : spriteRows4<false>)(p, t, rows);
    }
}

bool pairsDirect(const PixelPipeline& p, const TriangleSetup& a, const TriangleSetup& b) {
    // Two sprite triangles share one run only where their pixels differ in nothing but the
    // coordinate planes: the colour must be the same.
    return p.direct == DirectPath::Sprite && a.color[0] == b.color[0] && a.color[1] == b.color[1] &&
           a.color[2] == b.color[2] && a.color[3] == b.color[3];
}

void fillDirectPair(const PixelPipeline& p, const TriangleSetup& a, const TriangleSetup& b, const RowFilter& rows) {
    const bool textureAlpha = p.stages.stages[0].sampler.view->format == TextureFormat::A8R8G8B8;
#if defined(__x86_64__)
    if (widestLanes()) {
        spritePairRowsAvx512(spriteTriangle(p, a), a, spriteTriangle(p, b), b, rows, textureAlpha);
        return;
    }
    if (wideLanes()) {
        spritePairRowsAvx2(spriteTriangle(p, a), a, spriteTriangle(p, b), b, rows, textureAlpha);
        return;
    }
#endif
    (textureAlpha ? spritePairRows4<true> : spritePairRows4<false>)(p, a, b, rows);
}

}  // namespace platform::d3d9::raster

// The vertex stage for eight vertices at once (AVX2, built in direct_fill_avx2.cpp), for the
// layouts lit meshes and scenery use: a Float3 position, optionally a Float3 normal, a D3DColor
// diffuse colour and Float2 texture coordinates, lit by directional lights or unlit. Each lane
// performs processVertex's, outcode's and toScreen's operations in the same order, so the
// vertices are bit for bit the ones the one-vertex path makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/raster/clip.h"
#include "platform/d3d9/raster/lanes.h"
#include "platform/d3d9/raster/setup.h"
#include "platform/d3d9/raster/transform_light.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// What a draw's vertex blocks share: where each element is, and the vertex stage's matrices,
// lights and material with the colour sources already resolved.
struct VertexBlockSetup {
    struct Element {
        const std::byte* data = nullptr;  // vertex 0's element
        uint32_t stride = 0;
    };
    Element position, normal, diffuse, texCoord[kMaxTexCoords];
    bool hasNormal = false, hasDiffuse = false, hasTexCoord[kMaxTexCoords] = {false, false};
    const VertexStage* stage = nullptr;
    bool lighting = false;
    // Lighting inputs: from the vertex colour (true) or the material.
    bool diffuseFromVertex = false, ambientFromVertex = false, emissiveFromVertex = false;
    Color4 materialDiffuse, materialAmbient, materialEmissive;
    const float (*world)[4] = nullptr;
    bool clipping = false;
    Viewport viewport;
    int varyingCount = 4;
};

// Whether the draw's state and layout suit the vertex blocks, and their set-up when they do.
bool prepareVertexBlocks(const PipelineState& state, const VertexStage& stage, const DrawCall& call, int varyingCount,
                         VertexBlockSetup& out);

// Vertices first .. first + count - 1 (all readable) into out, codes and screen (for every
// vertex, whatever its code), eight at a time.
void vertexBlocksAvx2(const VertexBlockSetup& s, int64_t first, int64_t count, ClipVertex* out, uint32_t* codes,
                      ScreenVertex* screen);

namespace {

// Floats at base + off[i] (byte offsets).
template <int W>
RASTER_LANES_INLINE typename lanes::Vec<W>::F gatherFloat(const std::byte* base, typename lanes::Vec<W>::I off) {
    static_assert(W == 8);
    return typename lanes::Vec<W>::F(_mm256_i32gather_ps(reinterpret_cast<const float*>(base), __m256i(off), 1));
}

template <int W>
RASTER_LANES_INLINE typename lanes::Vec<W>::F clamp01(typename lanes::Vec<W>::F v) {
    using F = typename lanes::Vec<W>::F;
    // if (!(v > 0)) 0; else v > 1 ? 1 : v
    const F zero = lanes::splat<F>(0.0f), one = lanes::splat<F>(1.0f);
    return v > zero ? (v > one ? one : v) : zero;
}

// toScreen's snap: rounds to the nearest sub-pixel step (halves up); `ok` is false out of range
// and for NaN. Positions are refused beyond 2^20 pixels, so the steps fit 32-bit lanes.
template <int W>
RASTER_LANES_INLINE typename lanes::Vec<W>::I snap(typename lanes::Vec<W>::F v, typename lanes::Vec<W>::I& ok) {
    using F = typename lanes::Vec<W>::F;
    using I = typename lanes::Vec<W>::I;
    const F limit = lanes::splat<F>(float(1 << 20));
    ok = (v > -limit) & (v < limit);
    const F scaled = (ok != 0 ? v : lanes::splat<F>(0.0f)) * lanes::splat<F>(float(kSubPixel)) + lanes::splat<F>(0.5f);
    const I i = __builtin_convertvector(scaled, I);
    return __builtin_convertvector(i, F) > scaled ? i - lanes::splat<I>(1) : i;
}

// Rows 0-3 of the eight lanes by pairs: lane k's four words in the low half of out[k] and lane
// k + 4's in the high half (unpacks and shuffles within the 128-bit halves).
RASTER_LANES_INLINE void transposeFour(const typename lanes::Vec<8>::F* rows, __m256* out) {
    const __m256 t0 = _mm256_unpacklo_ps(__m256(rows[0]), __m256(rows[1]));
    const __m256 t1 = _mm256_unpackhi_ps(__m256(rows[0]), __m256(rows[1]));
    const __m256 t2 = _mm256_unpacklo_ps(__m256(rows[2]), __m256(rows[3]));
    const __m256 t3 = _mm256_unpackhi_ps(__m256(rows[2]), __m256(rows[3]));
    out[0] = _mm256_shuffle_ps(t0, t2, 0x44);
    out[1] = _mm256_shuffle_ps(t0, t2, 0xEE);
    out[2] = _mm256_shuffle_ps(t1, t3, 0x44);
    out[3] = _mm256_shuffle_ps(t1, t3, 0xEE);
}

// Lane i of rows[0..7] to the eight floats at byte `offset` of element i of `base` (an 8 x 8
// transpose: two 4 x 8 ones, then 128-bit lane swaps).
template <class T>
RASTER_LANES_INLINE void storeTransposed8(const typename lanes::Vec<8>::F* rows, T* base, size_t offset, size_t size) {
    __m256 low[4], high[4];
    transposeFour(rows, low);
    transposeFour(rows + 4, high);
    auto* bytes = reinterpret_cast<char*>(base) + offset;
    for (int k = 0; k < 4; ++k) {
        float* lane = reinterpret_cast<float*>(bytes + k * size);
        float* laneFour = reinterpret_cast<float*>(bytes + (k + 4) * size);
        _mm256_storeu_ps(lane, _mm256_permute2f128_ps(low[k], high[k], 0x20));
        _mm256_storeu_ps(laneFour, _mm256_permute2f128_ps(low[k], high[k], 0x31));
    }
}

// Lane i of rows[0..3] to the four floats at byte `offset` of element i of `base`.
template <class T>
RASTER_LANES_INLINE void storeTransposed4(const typename lanes::Vec<8>::F* rows, T* base, size_t offset, size_t size) {
    __m256 pairs[4];
    transposeFour(rows, pairs);
    auto* bytes = reinterpret_cast<char*>(base) + offset;
    for (int k = 0; k < 4; ++k) {
        _mm_storeu_ps(reinterpret_cast<float*>(bytes + k * size), _mm256_castps256_ps128(pairs[k]));
        _mm_storeu_ps(reinterpret_cast<float*>(bytes + (k + 4) * size), _mm256_extractf128_ps(pairs[k], 1));
    }
}

// The snapped positions of eight vertices, widened to the 64-bit sx and sy.
RASTER_LANES_INLINE void storeSnapped(typename lanes::Vec<8>::I x, typename lanes::Vec<8>::I y, ScreenVertex* screen) {
    static_assert(offsetof(ScreenVertex, sy) == offsetof(ScreenVertex, sx) + 8);
    const __m256i x03 = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(__m256i(x)));
    const __m256i x47 = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(__m256i(x), 1));
    const __m256i y03 = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(__m256i(y)));
    const __m256i y47 = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(__m256i(y), 1));
    // (x, y) of lanes (0, 1), (2, 3), (4, 5), (6, 7), one lane in each 128-bit half.
    const __m256i pairs[2][2] = {{_mm256_unpacklo_epi64(x03, y03), _mm256_unpackhi_epi64(x03, y03)},
                                 {_mm256_unpacklo_epi64(x47, y47), _mm256_unpackhi_epi64(x47, y47)}};
    for (int half = 0; half < 2; ++half) {
        for (int k = 0; k < 2; ++k) {
            const __m256i p = pairs[half][k];  // lanes 4 * half + k and 4 * half + k + 2
            auto* a = reinterpret_cast<__m128i*>(&screen[4 * half + k].sx);
            auto* b = reinterpret_cast<__m128i*>(&screen[4 * half + k + 2].sx);
            _mm_storeu_si128(a, _mm256_castsi256_si128(p));
            _mm_storeu_si128(b, _mm256_extracti128_si256(p, 1));
        }
    }
}

template <int W>
RASTER_LANES_INLINE void vertexBlock(const VertexBlockSetup& s, int64_t first, int count, ClipVertex* out,
                                     uint32_t* codes, ScreenVertex* screen) {
    using namespace lanes;
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    const VertexStage& st = *s.stage;
    // Lanes past the end repeat the last vertex, so every read stays inside the streams.
    I index = iota<I>();
    index = index < splat<I>(count) ? index : splat<I>(count - 1);
    const auto offsets = [&](const VertexBlockSetup::Element& e) {
        return I(typename Vec<W>::U(index) * splat<typename Vec<W>::U>(e.stride));
    };
    const auto element = [&](const VertexBlockSetup::Element& e, int component) {
        return gatherFloat<W>(e.data + uint64_t(first) * e.stride + 4 * component, offsets(e));
    };

    const F px = element(s.position, 0), py = element(s.position, 1), pz = element(s.position, 2);
    F color1[4] = {splat<F>(1.0f), splat<F>(1.0f), splat<F>(1.0f), splat<F>(1.0f)};
    if (s.hasDiffuse) {
        const typename Vec<W>::U c = typename Vec<W>::U(
            gatherFloat<W>(s.diffuse.data + uint64_t(first) * s.diffuse.stride, offsets(s.diffuse)));
        const int shifts[4] = {16, 8, 0, 24};
        for (int j = 0; j < 4; ++j) {
            color1[j] = __builtin_convertvector(I((c >> shifts[j]) & 0xFFu), F) / splat<F>(255.0f);
        }
    }
    F tex[kMaxTexCoords][2];
    for (int k = 0; k < kMaxTexCoords; ++k) {
        tex[k][0] = s.hasTexCoord[k] ? element(s.texCoord[k], 0) : splat<F>(0.0f);
        tex[k][1] = s.hasTexCoord[k] ? element(s.texCoord[k], 1) : splat<F>(0.0f);
    }

    F pos[4];
    for (int j = 0; j < 4; ++j) {
        const float(*m)[4] = st.worldViewProj;
        pos[j] = px * splat<F>(m[0][j]) + py * splat<F>(m[1][j]) + pz * splat<F>(m[2][j]) + splat<F>(m[3][j]);
    }
    F clipDist[kMaxClipPlanes] = {};
    if (st.clipPlaneCount > 0) {
        F wp[4];
        for (int j = 0; j < 4; ++j) {
            wp[j] = px * splat<F>(s.world[0][j]) + py * splat<F>(s.world[1][j]) + pz * splat<F>(s.world[2][j]) +
                    splat<F>(s.world[3][j]);
        }
        for (int i = 0; i < st.clipPlaneCount; ++i) {
            const float* c = st.clipPlanes[i];
            clipDist[i] = splat<F>(c[0]) * wp[0] + splat<F>(c[1]) * wp[1] + splat<F>(c[2]) * wp[2] + splat<F>(c[3]) * wp[3];
        }
    }

    F color[4];
    if (!s.lighting) {
        for (int j = 0; j < 4; ++j) color[j] = clamp01<W>(color1[j]);
    } else {
        F md[4], ma[4], me[4];
        const float* mdc = &s.materialDiffuse.r;
        const float* mac = &s.materialAmbient.r;
        const float* mec = &s.materialEmissive.r;
        for (int j = 0; j < 4; ++j) {
            md[j] = s.diffuseFromVertex ? color1[j] : splat<F>(mdc[j]);
            ma[j] = s.ambientFromVertex ? color1[j] : splat<F>(mac[j]);
            me[j] = s.emissiveFromVertex ? color1[j] : splat<F>(mec[j]);
        }
        F n[3] = {splat<F>(0.0f), splat<F>(0.0f), splat<F>(0.0f)};
        if (s.hasNormal) {
            const F rx = element(s.normal, 0), ry = element(s.normal, 1), rz = element(s.normal, 2);
            for (int j = 0; j < 3; ++j) {
                n[j] = rx * splat<F>(st.normalMatrix[0][j]) + ry * splat<F>(st.normalMatrix[1][j]) +
                       rz * splat<F>(st.normalMatrix[2][j]);
            }
        }
        F dr = splat<F>(0.0f), dg = splat<F>(0.0f), db = splat<F>(0.0f);
        for (int i = 0; i < st.lightCount; ++i) {
            const VertexStage::ViewLight& l = st.lights[i];
            const F ndotl = n[0] * splat<F>(l.toLight[0]) + n[1] * splat<F>(l.toLight[1]) + n[2] * splat<F>(l.toLight[2]);
            const I lit = ~(ndotl <= splat<F>(0.0f));  // the one-vertex path skips the light when <= 0
            const F k = ndotl * splat<F>(1.0f);
            dr = lit ? dr + splat<F>(l.diffuse.r) * k : dr;
            dg = lit ? dg + splat<F>(l.diffuse.g) * k : dg;
            db = lit ? db + splat<F>(l.diffuse.b) * k : db;
        }
        const Color4& amb = st.ambientSum;
        color[0] = clamp01<W>(me[0] + ma[0] * splat<F>(amb.r) + md[0] * dr);
        color[1] = clamp01<W>(me[1] + ma[1] * splat<F>(amb.g) + md[1] * dg);
        color[2] = clamp01<W>(me[2] + ma[2] * splat<F>(amb.b) + md[2] * db);
        color[3] = clamp01<W>(md[3]);
    }

    // outcode(): "not inside", so that NaN counts as outside.
    I code = splat<I>(0);
    if (s.clipping) {
        const F x = pos[0], y = pos[1], z = pos[2], w = pos[3];
        const F zero = splat<F>(0.0f), band = splat<F>(kGuardBand) * w;
        const auto outside = [&](I inside, int bit) { return (~inside) & splat<I>(1 << bit); };
        code = outside(z >= zero, 0) | outside(w - z >= zero, 1) | outside(w - splat<F>(kMinW) >= zero, 2) |
               outside(x + band >= zero, 3) | outside(band - x >= zero, 4) | outside(y + band >= zero, 5) |
               outside(band - y >= zero, 6);
        for (int p = 0; p < st.clipPlaneCount; ++p) code |= outside(clipDist[p] >= zero, kFixedPlanes + p);
    }

    // toScreen().
    const Viewport& vp = s.viewport;
    const F q = splat<F>(1.0f) / pos[3];
    const float halfW = float(vp.width) * 0.5f, halfH = float(vp.height) * 0.5f;
    const F sx = splat<F>(float(vp.x)) + (splat<F>(1.0f) + pos[0] * q) * splat<F>(halfW);
    const F sy = splat<F>(float(vp.y)) + (splat<F>(1.0f) - pos[1] * q) * splat<F>(halfH);
    const F sz = splat<F>(vp.minZ) + pos[2] * q * splat<F>(vp.maxZ - vp.minZ);
    I okX, okY;
    const I snapX = snap<W>(sx, okX), snapY = snap<W>(sy, okY);
    const F varyings[kMaxVaryings] = {color[0], color[1], color[2], color[3], tex[0][0], tex[0][1], tex[1][0], tex[1][1]};
    F premultiplied[kMaxVaryings];  // by q, for perspective-correct interpolation
    for (int j = 0; j < s.varyingCount; ++j) premultiplied[j] = varyings[j] * q;

    if (count == W) {
        // A whole block: the lanes become vertices by transposes (the words past varyingCount
        // and clipPlaneCount are written too; nothing reads them).
        for (int j = s.varyingCount; j < kMaxVaryings; ++j) premultiplied[j] = varyings[j] * q;
        static_assert(offsetof(ClipVertex, clipDist) == offsetof(ClipVertex, pos) + 16 && kMaxClipPlanes >= 4);
        const F clipAndPos[8] = {pos[0], pos[1], pos[2], pos[3], clipDist[0], clipDist[1], clipDist[2], clipDist[3]};
        storeTransposed8(clipAndPos, out, offsetof(ClipVertex, pos), sizeof(ClipVertex));
        storeTransposed8(varyings, out, offsetof(ClipVertex, varyings), sizeof(ClipVertex));
        for (int lane = 0; lane < 8; ++lane) {
            for (int i = 4; i < st.clipPlaneCount; ++i) out[lane].clipDist[i] = clipDist[i][lane];
        }
        std::memcpy(codes, &code, sizeof code);
        const F position[4] = {sx, sy, sz, q};
        storeTransposed4(position, screen, offsetof(ScreenVertex, x), sizeof(ScreenVertex));
        storeSnapped(snapX, snapY, screen);
        storeTransposed8(premultiplied, screen, offsetof(ScreenVertex, v), sizeof(ScreenVertex));
        storeTransposed4(varyings, screen, offsetof(ScreenVertex, color), sizeof(ScreenVertex));
        const int ok = laneBits<W>(okX & okY);
        for (int lane = 0; lane < 8; ++lane) screen[lane].snapped = (ok >> lane & 1) != 0;
        return;
    }
    for (int lane = 0; lane < count && lane < W; ++lane) {
        ClipVertex& o = out[lane];
        for (int j = 0; j < 4; ++j) o.pos[j] = pos[j][lane];
        for (int i = 0; i < st.clipPlaneCount; ++i) o.clipDist[i] = clipDist[i][lane];
        for (int j = 0; j < kMaxVaryings; ++j) o.varyings[j] = varyings[j][lane];
        codes[lane] = uint32_t(code[lane]);
        ScreenVertex& sv = screen[lane];
        sv.x = sx[lane];
        sv.y = sy[lane];
        sv.z = sz[lane];
        sv.q = q[lane];
        for (int j = 0; j < s.varyingCount; ++j) sv.v[j] = premultiplied[j][lane];
        for (int j = 0; j < 4; ++j) sv.color[j] = varyings[j][lane];
        sv.snapped = okX[lane] != 0 && okY[lane] != 0;
        sv.sx = snapX[lane];
        sv.sy = snapY[lane];
    }
}

}  // namespace
}  // namespace platform::d3d9::raster

#pragma GCC diagnostic pop

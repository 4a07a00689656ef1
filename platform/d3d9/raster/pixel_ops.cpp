#include "platform/d3d9/raster/pixel_ops.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d9/raster/blend_kernel.h"
#include "platform/d3d9/raster/simd4.h"

namespace platform::d3d9::raster {
namespace {

template <class T>
inline bool compare(CompareFunc f, T value, T ref) {
    switch (f) {
    case CompareFunc::Never: return false;
    case CompareFunc::Less: return value < ref;
    case CompareFunc::Equal: return value == ref;
    case CompareFunc::LessEqual: return value <= ref;
    case CompareFunc::Greater: return value > ref;
    case CompareFunc::NotEqual: return value != ref;
    case CompareFunc::GreaterEqual: return value >= ref;
    case CompareFunc::Always: return true;
    }
    return true;
}

inline uint32_t toDepth24(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return 0xFFFFFF;
    // In double: just below 1 the single-precision sum rounds up to 2^24, past the 24-bit range.
    return uint32_t(double(z) * 16777215.0 + 0.5);
}

// The blend factor for one channel (ch 3 is alpha).
inline float factor(BlendFactor f, int ch, const float s[4], const float d[4]) {
    switch (f) {
    case BlendFactor::Zero: return 0.0f;
    case BlendFactor::One: return 1.0f;
    case BlendFactor::SrcColor: return s[ch];
    case BlendFactor::InvSrcColor: return 1.0f - s[ch];
    case BlendFactor::SrcAlpha: return s[3];
    case BlendFactor::InvSrcAlpha: return 1.0f - s[3];
    case BlendFactor::DestAlpha: return d[3];
    case BlendFactor::InvDestAlpha: return 1.0f - d[3];
    case BlendFactor::DestColor: return d[ch];
    case BlendFactor::InvDestColor: return 1.0f - d[ch];
    case BlendFactor::SrcAlphaSat: return ch == 3 ? 1.0f : std::min(s[3], 1.0f - d[3]);
    }
    return 1.0f;
}

inline float blendOne(BlendOp op, float s, float fs, float d, float fd) {
    switch (op) {
    case BlendOp::Add: return s * fs + d * fd;
    case BlendOp::Subtract: return s * fs - d * fd;
    case BlendOp::RevSubtract: return d * fd - s * fs;
    case BlendOp::Min: return std::min(s, d);
    case BlendOp::Max: return std::max(s, d);
    }
    return s;
}

constexpr float k1_255 = 1.0f / 255.0f;
#if defined(__SSE2__)
using namespace simd4;
#endif

// Source-alpha blending, the one the scene uses for the mirror and the text, without the general
// factor switch: out = s * a + d * (1 - a). A hot loop, kept free of branches so it vectorises;
// it computes exactly what the general path computes for these factors.
void blendSrcAlpha(const OutputSetup& o, int n, const SpanColor& c, uint32_t* dst, const uint8_t* mask) {
    const uint32_t alphaFill = o.destHasAlpha ? 0u : 0xFF000000u;
    const float destAlphaScale = o.destHasAlpha ? k1_255 : 0.0f;
    const float destAlphaBias = o.destHasAlpha ? 0.0f : 1.0f;
    const uint32_t keep = o.keepMask;
    alignas(32) uint32_t out[kSpanLength];
    int i = 0;
#if defined(__SSE2__)
    const __m128i keep4 = _mm_set1_epi32(int32_t(keep)), fill4 = _mm_set1_epi32(int32_t(alphaFill));
    const __m128 one = _mm_set1_ps(1.0f);
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128 a = saturate4(_mm_load_ps(c.a + i));
        const __m128 ia = _mm_sub_ps(one, a);
        const __m128 da = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(d, 24)), _mm_set1_ps(destAlphaScale)),
                                     _mm_set1_ps(destAlphaBias));
        const __m128i r = toByte4(_mm_add_ps(_mm_mul_ps(saturate4(_mm_load_ps(c.r + i)), a), _mm_mul_ps(channel4(d, 16), ia)));
        const __m128i g = toByte4(_mm_add_ps(_mm_mul_ps(saturate4(_mm_load_ps(c.g + i)), a), _mm_mul_ps(channel4(d, 8), ia)));
        const __m128i b = toByte4(_mm_add_ps(_mm_mul_ps(saturate4(_mm_load_ps(c.b + i)), a), _mm_mul_ps(channel4(d, 0), ia)));
        const __m128i al = toByte4(_mm_add_ps(_mm_mul_ps(a, a), _mm_mul_ps(da, ia)));
        const __m128i v = _mm_or_si128(pack4(al, r, g, b), fill4);
        __m128i o = _mm_or_si128(_mm_andnot_si128(keep4, v), _mm_and_si128(d, keep4));
        if (mask) o = select4(mask + i, o, d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), o);
    }
    if (i == n) return;
#endif
    for (int j = i; j < n; ++j) {
        const uint32_t d = dst[j];
        const float a = saturate(c.a[j]);
        const float ia = 1.0f - a;
        const float dr = float((d >> 16) & 0xFF) * k1_255, dg = float((d >> 8) & 0xFF) * k1_255,
                    db = float(d & 0xFF) * k1_255, da = float(d >> 24) * destAlphaScale + destAlphaBias;
        const uint32_t r = toByte(saturate(c.r[j]) * a + dr * ia);
        const uint32_t g = toByte(saturate(c.g[j]) * a + dg * ia);
        const uint32_t b = toByte(saturate(c.b[j]) * a + db * ia);
        const uint32_t al = toByte(a * a + da * ia);
        const uint32_t v = (al << 24) | (r << 16) | (g << 8) | b | alphaFill;
        out[j] = (v & ~keep) | (d & keep);
    }
    for (int j = i; j < n; ++j) dst[j] = (!mask || mask[j]) ? out[j] : dst[j];
}

// blendSrcAlpha for one colour: s * a and 1 - a are the same for every pixel, only the
// destination terms are computed per pixel, in the same order as blendSrcAlpha's.
void blendSrcAlphaUniform(const OutputSetup& o, int n, const float c[4], uint32_t* dst) {
    const uint32_t alphaFill = o.destHasAlpha ? 0u : 0xFF000000u;
    const float destAlphaScale = o.destHasAlpha ? k1_255 : 0.0f;
    const float destAlphaBias = o.destHasAlpha ? 0.0f : 1.0f;
    const uint32_t keep = o.keepMask;
    const float a = saturate(c[3]);
    const float ia = 1.0f - a;
    const float sr = saturate(c[0]) * a, sg = saturate(c[1]) * a, sb = saturate(c[2]) * a, sa = a * a;
    int i = 0;
#if defined(__x86_64__)
    if (n >= 8 && wideLanes()) {
        // Long runs (the mirror quad): sixteen or eight pixels at a time.
        const UniformBlend b{sr, sg, sb, sa, ia, destAlphaScale, destAlphaBias, alphaFill, keep};
        if (n >= 16 && widestLanes()) i = blendUniformAvx512(b, n, dst);
        i += blendUniformAvx2(b, n - i, dst + i);
    }
#endif
#if defined(__SSE2__)
    const __m128i keep4 = _mm_set1_epi32(int32_t(keep)), fill4 = _mm_set1_epi32(int32_t(alphaFill));
    const __m128 ia4 = _mm_set1_ps(ia), sr4 = _mm_set1_ps(sr), sg4 = _mm_set1_ps(sg), sb4 = _mm_set1_ps(sb),
                 sa4 = _mm_set1_ps(sa);
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128 da = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(d, 24)), _mm_set1_ps(destAlphaScale)),
                                     _mm_set1_ps(destAlphaBias));
        const __m128i r = toByte4(_mm_add_ps(sr4, _mm_mul_ps(channel4(d, 16), ia4)));
        const __m128i g = toByte4(_mm_add_ps(sg4, _mm_mul_ps(channel4(d, 8), ia4)));
        const __m128i b = toByte4(_mm_add_ps(sb4, _mm_mul_ps(channel4(d, 0), ia4)));
        const __m128i al = toByte4(_mm_add_ps(sa4, _mm_mul_ps(da, ia4)));
        const __m128i v = _mm_or_si128(pack4(al, r, g, b), fill4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_or_si128(_mm_andnot_si128(keep4, v), _mm_and_si128(d, keep4)));
    }
#endif
    for (; i < n; ++i) {
        const uint32_t d = dst[i];
        const float dr = float((d >> 16) & 0xFF) * k1_255, dg = float((d >> 8) & 0xFF) * k1_255,
                    db = float(d & 0xFF) * k1_255, da = float(d >> 24) * destAlphaScale + destAlphaBias;
        const uint32_t v = (toByte(sa + da * ia) << 24) | (toByte(sr + dr * ia) << 16) | (toByte(sg + dg * ia) << 8) |
                           toByte(sb + db * ia) | alphaFill;
        dst[i] = (v & ~keep) | (d & keep);
    }
}

void blendGeneral(const OutputSetup& o, int n, const SpanColor& c, uint32_t* dst, const uint8_t* mask) {
    const uint32_t alphaFill = o.destHasAlpha ? 0u : 0xFF000000u;
    for (int i = 0; i < n; ++i) {
        if (mask && !mask[i]) continue;
        const uint32_t d = dst[i];
        const float s[4] = {saturate(c.r[i]), saturate(c.g[i]), saturate(c.b[i]), saturate(c.a[i])};
        const float dv[4] = {float((d >> 16) & 0xFF) * k1_255, float((d >> 8) & 0xFF) * k1_255,
                             float(d & 0xFF) * k1_255, o.destHasAlpha ? float(d >> 24) * k1_255 : 1.0f};
        uint32_t out[4];
        for (int ch = 0; ch < 4; ++ch) {
            out[ch] = toByte(blendOne(o.op, s[ch], factor(o.src, ch, s, dv), dv[ch], factor(o.dest, ch, s, dv)));
        }
        const uint32_t v = (out[3] << 24) | (out[0] << 16) | (out[1] << 8) | out[2] | alphaFill;
        dst[i] = (v & ~o.keepMask) | (d & o.keepMask);
    }
}

}  // namespace

void prepareOutput(const PipelineState& state, const Targets& targets, OutputSetup& o) {
    o.alphaTest = state.alphaTestEnable && state.alphaFunc != CompareFunc::Always;
    o.alphaFunc = state.alphaFunc;
    o.alphaRef = float(state.alphaRef);
    o.blend = state.alphaBlendEnable &&
              !(state.blendOp == BlendOp::Add && state.srcBlend == BlendFactor::One && state.destBlend == BlendFactor::Zero);
    o.src = state.srcBlend;
    o.dest = state.destBlend;
    o.op = state.blendOp;
    o.destHasAlpha = targets.color.format == ColorFormat::A8R8G8B8;
    uint32_t write = 0;
    if (state.colorWriteMask & kWriteRed) write |= 0x00FF0000u;
    if (state.colorWriteMask & kWriteGreen) write |= 0x0000FF00u;
    if (state.colorWriteMask & kWriteBlue) write |= 0x000000FFu;
    // An X8 target's top byte is not a channel: it is always written as 0xFF.
    if ((state.colorWriteMask & kWriteAlpha) || !o.destHasAlpha) write |= 0xFF000000u;
    o.keepMask = ~write;
    o.depth = state.zEnable && targets.depth.data != nullptr;
    o.depthWrite = o.depth && state.zWriteEnable;
    o.depthFunc = state.zFunc;
}

void alphaTest(const OutputSetup& o, int n, const float* alpha, uint8_t* mask) {
    // Compared as bytes, the way the reference value is given. Greater is the sprite batcher's
    // test and gets its own loop.
    if (o.alphaFunc == CompareFunc::Greater) {
        int i = 0;
#if defined(__SSE2__)
        const __m128 ref = _mm_set1_ps(o.alphaRef);
        for (; i + 4 <= n; i += 4) {
            const __m128i pass = _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(toByte4(_mm_loadu_ps(alpha + i))), ref));
            const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(pass, pass), _mm_setzero_si128());  // 0xFF or 0
            int32_t m, keep = _mm_cvtsi128_si32(bytes);
            std::memcpy(&m, mask + i, 4);
            m &= keep;
            std::memcpy(mask + i, &m, 4);
        }
#endif
        for (; i < n; ++i) mask[i] = mask[i] & uint8_t(float(toByte(alpha[i])) > o.alphaRef);
        return;
    }
    for (int i = 0; i < n; ++i) {
        if (!compare(o.alphaFunc, float(toByte(alpha[i])), o.alphaRef)) mask[i] = 0;
    }
}

void depthTest(const OutputSetup& o, int n, const float* z, const uint32_t* depth, uint8_t* mask) {
    for (int i = 0; i < n; ++i) {
        if (!compare(o.depthFunc, toDepth24(z[i]), depth[i] >> 8)) mask[i] = 0;
    }
}

void writeDepth(int n, const float* z, uint32_t* depth, const uint8_t* mask) {
    for (int i = 0; i < n; ++i) {
        if (mask[i]) depth[i] = (toDepth24(z[i]) << 8) | (depth[i] & 0xFF);
    }
}

void writeColor(const OutputSetup& o, int n, const SpanColor& c, uint32_t* dst, const uint8_t* mask) {
    if (o.blend) {
        if (o.op == BlendOp::Add && o.src == BlendFactor::SrcAlpha && o.dest == BlendFactor::InvSrcAlpha) {
            blendSrcAlpha(o, n, c, dst, mask);
        } else {
            blendGeneral(o, n, c, dst, mask);
        }
        return;
    }
    // Opaque store; branch-free so that it vectorises.
    const uint32_t alphaFill = o.destHasAlpha ? 0u : 0xFF000000u;
    const uint32_t keep = o.keepMask;
    int i = 0;
#if defined(__SSE2__)
    const __m128i keep4 = _mm_set1_epi32(int32_t(keep)), fill4 = _mm_set1_epi32(int32_t(alphaFill));
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i v = _mm_or_si128(pack4(toByte4(_mm_load_ps(c.a + i)), toByte4(_mm_load_ps(c.r + i)),
                                             toByte4(_mm_load_ps(c.g + i)), toByte4(_mm_load_ps(c.b + i))),
                                       fill4);
        __m128i o = _mm_or_si128(_mm_andnot_si128(keep4, v), _mm_and_si128(d, keep4));
        if (mask) o = select4(mask + i, o, d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), o);
    }
#endif
    for (; i < n; ++i) {
        if (mask && !mask[i]) continue;
        const uint32_t v = (toByte(c.a[i]) << 24) | (toByte(c.r[i]) << 16) | (toByte(c.g[i]) << 8) | toByte(c.b[i]) |
                           alphaFill;
        dst[i] = (v & ~keep) | (dst[i] & keep);
    }
}

}  // namespace platform::d3d9::raster

namespace platform::d3d9::raster {

void writeUniformColor(const OutputSetup& o, int n, const float c[4], uint32_t* dst) {
    if (!o.blend) {
        const uint32_t alphaFill = o.destHasAlpha ? 0u : 0xFF000000u;
        const uint32_t v = (toByte(c[3]) << 24) | (toByte(c[0]) << 16) | (toByte(c[1]) << 8) | toByte(c[2]) | alphaFill;
        const uint32_t keep = o.keepMask;
        for (int i = 0; i < n; ++i) dst[i] = (v & ~keep) | (dst[i] & keep);
        return;
    }
    if (o.op == BlendOp::Add && o.src == BlendFactor::SrcAlpha && o.dest == BlendFactor::InvSrcAlpha) {
        blendSrcAlphaUniform(o, n, c, dst);
        return;
    }
    SpanColor span;
    for (int i = 0; i < n; ++i) {
        span.r[i] = c[0];
        span.g[i] = c[1];
        span.b[i] = c[2];
        span.a[i] = c[3];
    }
    writeColor(o, n, span, dst, nullptr);
}

}  // namespace platform::d3d9::raster

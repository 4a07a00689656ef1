#include "platform/d3d9/raster/sample.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/d3d9/raster/simd4.h"

namespace platform::d3d9::raster {
namespace {

#if defined(__SSE2__)
using namespace simd4;
#endif
constexpr float k1_255 = 1.0f / 255.0f;

// floor() for values well inside the int range (callers clamp first). std::floor is a library
// call on baseline x86-64; this is two instructions and gives the same value.
inline float floorSmall(float x) {
    const float t = float(int(x));
    return t > x ? t - 1.0f : t;
}

template <TextureFormat F>
__attribute__((always_inline)) inline void decode(const uint8_t* row, int x, float out[4]) {
    if constexpr (F == TextureFormat::A8R8G8B8 || F == TextureFormat::X8R8G8B8) {
        uint32_t p;
        std::memcpy(&p, row + size_t(x) * 4, 4);
        out[0] = float((p >> 16) & 0xFF) * k1_255;
        out[1] = float((p >> 8) & 0xFF) * k1_255;
        out[2] = float(p & 0xFF) * k1_255;
        out[3] = F == TextureFormat::A8R8G8B8 ? float(p >> 24) * k1_255 : 1.0f;
    } else if constexpr (F == TextureFormat::L8) {
        const float l = float(row[x]) * k1_255;
        out[0] = out[1] = out[2] = l;
        out[3] = 1.0f;
    } else if constexpr (F == TextureFormat::A8) {
        out[0] = out[1] = out[2] = 0.0f;
        out[3] = float(row[x]) * k1_255;
    } else {
        uint16_t p;
        std::memcpy(&p, row + size_t(x) * 2, 2);
        if constexpr (F == TextureFormat::R5G6B5) {
            out[0] = float((p >> 11) & 31) / 31.0f;
            out[1] = float((p >> 5) & 63) / 63.0f;
            out[2] = float(p & 31) / 31.0f;
            out[3] = 1.0f;
        } else if constexpr (F == TextureFormat::X1R5G5B5 || F == TextureFormat::A1R5G5B5) {
            out[0] = float((p >> 10) & 31) / 31.0f;
            out[1] = float((p >> 5) & 31) / 31.0f;
            out[2] = float(p & 31) / 31.0f;
            out[3] = F == TextureFormat::A1R5G5B5 ? float(p >> 15) : 1.0f;
        } else if constexpr (F == TextureFormat::A4R4G4B4) {
            out[0] = float((p >> 8) & 15) / 15.0f;
            out[1] = float((p >> 4) & 15) / 15.0f;
            out[2] = float(p & 15) / 15.0f;
            out[3] = float(p >> 12) / 15.0f;
        } else {  // A8L8
            const float l = float(p & 0xFF) * k1_255;
            out[0] = out[1] = out[2] = l;
            out[3] = float(p >> 8) * k1_255;
        }
    }
}

// Texel index for point sampling; -1 means the border colour.
__attribute__((always_inline)) inline int addressPoint(AddressMode mode, float u, int size) {
    // Coordinates this large have no fractional part left; clamping them first keeps every
    // conversion below defined (NaN becomes 0).
    u = u > -4194304.0f ? (u < 4194304.0f ? u : 4194304.0f) : (u <= -4194304.0f ? -4194304.0f : 0.0f);
    switch (mode) {
    case AddressMode::Wrap: {
        const int i = int((u - floorSmall(u)) * float(size));
        return i >= size ? size - 1 : i;
    }
    case AddressMode::Mirror: {
        const float t = u - 2.0f * floorSmall(u * 0.5f);  // 0..2
        int i = int(t * float(size));
        if (i >= 2 * size) i = 2 * size - 1;
        return i >= size ? 2 * size - 1 - i : i;
    }
    case AddressMode::Clamp: {
        const float x = u * float(size);
        if (!(x >= 0.0f)) return 0;
        return x >= float(size) ? size - 1 : int(x);
    }
    case AddressMode::Border: {
        const float x = u * float(size);
        if (!(x >= 0.0f) || x >= float(size)) return -1;
        return int(x);
    }
    }
    return 0;
}

__attribute__((always_inline)) inline int addressIndex(AddressMode mode, int i, int size) {
    switch (mode) {
    case AddressMode::Wrap: return ((i % size) + size) % size;
    case AddressMode::Mirror: {
        const int m = ((i % (2 * size)) + 2 * size) % (2 * size);
        return m >= size ? 2 * size - 1 - m : m;
    }
    case AddressMode::Clamp: return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case AddressMode::Border: return (i < 0 || i >= size) ? -1 : i;
    }
    return 0;
}

// The texel coordinate minus one half, reduced so that its integer part fits an int.
__attribute__((always_inline)) inline float linearCoord(AddressMode mode, float u, int size, int& i0, float& frac) {
    u = u > -4194304.0f ? (u < 4194304.0f ? u : 4194304.0f) : (u <= -4194304.0f ? -4194304.0f : 0.0f);
    if (mode == AddressMode::Wrap) u -= floorSmall(u);
    else if (mode == AddressMode::Mirror) u -= 2.0f * floorSmall(u * 0.5f);
    float x = u * float(size) - 0.5f;
    const float lim = float(2 * size + 2);
    if (x < -2.0f) x = -2.0f;
    if (x > lim) x = lim;
    const float f = floorSmall(x);
    i0 = int(f);
    frac = x - f;
    return x;
}

template <TextureFormat F>
__attribute__((always_inline)) inline void fetch(const Sampler& s, const TextureLevel& lv, int x, int y, float out[4]) {
    if (x < 0 || y < 0) {
        for (int c = 0; c < 4; ++c) out[c] = s.border[c];
        return;
    }
    decode<F>(static_cast<const uint8_t*>(lv.data) + ptrdiff_t(y) * lv.pitch, x, out);
}

// kU and kV, when not -1, fix the address modes at compile time (they must equal the sampler's),
// so the common spans run without the addressing switch.
template <TextureFormat F, int kU = -1, int kV = -1>
__attribute__((always_inline)) inline void sampleLevel(const Sampler& s, Filter filter, int level, float u, float v, float out[4]) {
    const TextureLevel& lv = s.view->levels[level];
    const int w = int(lv.width), h = int(lv.height);
    const AddressMode au = kU < 0 ? s.state.addressU : AddressMode(kU);
    const AddressMode av = kV < 0 ? s.state.addressV : AddressMode(kV);
    if (filter != Filter::Linear) {
        fetch<F>(s, lv, addressPoint(au, u, w), addressPoint(av, v, h), out);
        return;
    }
    int i0, j0;
    float fu, fv;
    linearCoord(au, u, w, i0, fu);
    linearCoord(av, v, h, j0, fv);
    if (fu == 0.0f && fv == 0.0f) {
        // On a texel centre the blend weights the other three texels by zero: same result, one
        // fetch (sprites drawn texel for pixel land here).
        fetch<F>(s, lv, addressIndex(au, i0, w), addressIndex(av, j0, h), out);
        return;
    }
    const int xa = addressIndex(au, i0, w), xb = addressIndex(au, i0 + 1, w);
    const int ya = addressIndex(av, j0, h), yb = addressIndex(av, j0 + 1, h);
#if defined(__SSE2__)
    if constexpr (F == TextureFormat::A8R8G8B8 || F == TextureFormat::X8R8G8B8) {
        if ((xa | xb | ya | yb) >= 0) {
            // The four channels of a texel in the four lanes (b, g, r, a), with exactly the
            // scalar path's operations per channel: byte * (1/255), then the same two lerps.
            const uint8_t* base = static_cast<const uint8_t*>(lv.data);
            const __m128 scale = _mm_set1_ps(k1_255);
            const auto load = [&](int x, int y) {
                uint32_t p;
                std::memcpy(&p, base + ptrdiff_t(y) * lv.pitch + size_t(x) * 4, 4);
                __m128i v = _mm_cvtsi32_si128(int32_t(p));
                v = _mm_unpacklo_epi8(v, _mm_setzero_si128());
                v = _mm_unpacklo_epi16(v, _mm_setzero_si128());
                return _mm_mul_ps(_mm_cvtepi32_ps(v), scale);
            };
            const __m128 t00 = load(xa, ya), t10 = load(xb, ya), t01 = load(xa, yb), t11 = load(xb, yb);
            const __m128 fu4 = _mm_set1_ps(fu), fv4 = _mm_set1_ps(fv);
            const __m128 top = _mm_add_ps(t00, _mm_mul_ps(_mm_sub_ps(t10, t00), fu4));
            const __m128 bottom = _mm_add_ps(t01, _mm_mul_ps(_mm_sub_ps(t11, t01), fu4));
            const __m128 r = _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), fv4));
            alignas(16) float lanes[4];
            _mm_store_ps(lanes, r);
            out[0] = lanes[2];
            out[1] = lanes[1];
            out[2] = lanes[0];
            out[3] = F == TextureFormat::A8R8G8B8 ? lanes[3] : 1.0f;
            return;
        }
    }
#endif
    float t00[4], t10[4], t01[4], t11[4];
    fetch<F>(s, lv, xa, ya, t00);
    fetch<F>(s, lv, xb, ya, t10);
    fetch<F>(s, lv, xa, yb, t01);
    fetch<F>(s, lv, xb, yb, t11);
    for (int c = 0; c < 4; ++c) {
        const float top = t00[c] + (t10[c] - t00[c]) * fu;
        const float bottom = t01[c] + (t11[c] - t01[c]) * fu;
        out[c] = top + (bottom - top) * fv;
    }
}

#if defined(__SSE2__)
// Four-pixel versions of the hot 32-bit sampling paths (helpers in simd4.h).

// Bilinear, clamp in u and v, one level: pixels [0, n & ~3); returns how many were done.
template <TextureFormat F>
int bilinearClamp4(const TextureLevel& lv, int n, const float* u, const float* v, SpanColor& out) {
    const uint8_t* base = static_cast<const uint8_t*>(lv.data);
    const int w = int(lv.width), h = int(lv.height);
    const __m128i wMax = _mm_set1_epi32(w - 1), hMax = _mm_set1_epi32(h - 1), one = _mm_set1_epi32(1);
    const __m128i pitch4 = _mm_set1_epi32(lv.pitch);
    const int64_t levelBytes = int64_t(h) * (lv.pitch < 0 ? -int64_t(lv.pitch) : int64_t(lv.pitch));
    if (levelBytes >= (int64_t(1) << 31)) return 0;  // 32-bit offsets would not reach: the scalar path
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i i0, j0;
        __m128 fu, fv;
        linearClamp4(_mm_loadu_ps(u + i), w, i0, fu);
        linearClamp4(_mm_loadu_ps(v + i), h, j0, fv);
        const __m128i xa = clampIndex4(i0, wMax), xb = clampIndex4(_mm_add_epi32(i0, one), wMax);
        const __m128i ya = clampIndex4(j0, hMax), yb = clampIndex4(_mm_add_epi32(j0, one), hMax);
        alignas(16) int32_t o00[4], o10[4], o01[4], o11[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(o00), byteOffset4(xa, ya, pitch4));
        _mm_store_si128(reinterpret_cast<__m128i*>(o10), byteOffset4(xb, ya, pitch4));
        _mm_store_si128(reinterpret_cast<__m128i*>(o01), byteOffset4(xa, yb, pitch4));
        _mm_store_si128(reinterpret_cast<__m128i*>(o11), byteOffset4(xb, yb, pitch4));
        const __m128i t00 = gatherAt(base, o00), t10 = gatherAt(base, o10);
        const __m128i t01 = gatherAt(base, o01), t11 = gatherAt(base, o11);
        _mm_storeu_ps(out.r + i, lerp4(t00, t10, t01, t11, 16, fu, fv));
        _mm_storeu_ps(out.g + i, lerp4(t00, t10, t01, t11, 8, fu, fv));
        _mm_storeu_ps(out.b + i, lerp4(t00, t10, t01, t11, 0, fu, fv));
        _mm_storeu_ps(out.a + i, F == TextureFormat::A8R8G8B8 ? lerp4(t00, t10, t01, t11, 24, fu, fv)
                                                               : _mm_set1_ps(1.0f));
    }
    return i;
}

// Point sampling, wrap in u and v, one level: pixels [0, n & ~3); returns how many were done.
template <TextureFormat F>
int pointWrap4(const TextureLevel& lv, int n, const float* u, const float* v, SpanColor& out) {
    const uint8_t* base = static_cast<const uint8_t*>(lv.data);
    const int w = int(lv.width), h = int(lv.height);
    const auto index = [](__m128 c, int size) {
        c = clampCoord4(c);
        __m128i i = _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(c, floor4(c)), _mm_set1_ps(float(size))));
        const __m128i hi = _mm_set1_epi32(size - 1);
        const __m128i over = _mm_cmpgt_epi32(i, hi);  // i >= size
        return _mm_or_si128(_mm_and_si128(over, hi), _mm_andnot_si128(over, i));
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        alignas(16) int32_t x[4], y[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(x), index(_mm_loadu_ps(u + i), w));
        _mm_store_si128(reinterpret_cast<__m128i*>(y), index(_mm_loadu_ps(v + i), h));
        const __m128i t = gather4(base, lv.pitch, x, y);
        _mm_storeu_ps(out.r + i, channel4(t, 16));
        _mm_storeu_ps(out.g + i, channel4(t, 8));
        _mm_storeu_ps(out.b + i, channel4(t, 0));
        _mm_storeu_ps(out.a + i, F == TextureFormat::A8R8G8B8 ? channel4(t, 24) : _mm_set1_ps(1.0f));
    }
    return i;
}
#endif

template <TextureFormat F>
void sampleSpanT(const Sampler& s, int n, const float* u, const float* v, const float* lod, SpanColor& out) {
    float t[4];
    if (lod == nullptr) {
        // The filter is fixed for the span: one loop per filter so each inlines its own path,
        // and the usual address modes (clamp for sprites, wrap for scenery) fixed at compile time.
        if (s.state.magFilter == Filter::Linear) {
            const auto run = [&](auto kU, auto kV) {
                for (int i = 0; i < n; ++i) {
                    sampleLevel<F, decltype(kU)::value, decltype(kV)::value>(s, Filter::Linear, s.firstLevel, u[i], v[i], t);
                    out.r[i] = t[0];
                    out.g[i] = t[1];
                    out.b[i] = t[2];
                    out.a[i] = t[3];
                }
            };
            using Clamp = std::integral_constant<int, int(AddressMode::Clamp)>;
            using Wrap = std::integral_constant<int, int(AddressMode::Wrap)>;
            using Any = std::integral_constant<int, -1>;
            if (s.state.addressU == AddressMode::Clamp && s.state.addressV == AddressMode::Clamp) {
#if defined(__SSE2__)
                if constexpr (F == TextureFormat::A8R8G8B8 || F == TextureFormat::X8R8G8B8) {
                    constexpr int kClamp = int(AddressMode::Clamp);
                    for (int i = bilinearClamp4<F>(s.view->levels[s.firstLevel], n, u, v, out); i < n; ++i) {
                        sampleLevel<F, kClamp, kClamp>(s, Filter::Linear, s.firstLevel, u[i], v[i], t);
                        out.r[i] = t[0];
                        out.g[i] = t[1];
                        out.b[i] = t[2];
                        out.a[i] = t[3];
                    }
                    return;
                }
#endif
                run(Clamp{}, Clamp{});
            }
            else if (s.state.addressU == AddressMode::Wrap && s.state.addressV == AddressMode::Wrap) run(Wrap{}, Wrap{});
            else run(Any{}, Any{});
            return;
        }
        if (s.state.addressU == AddressMode::Wrap && s.state.addressV == AddressMode::Wrap) {
            int done = 0;
#if defined(__SSE2__)
            if constexpr (F == TextureFormat::A8R8G8B8 || F == TextureFormat::X8R8G8B8) {
                done = pointWrap4<F>(s.view->levels[s.firstLevel], n, u, v, out);
            }
#endif
            for (int i = done; i < n; ++i) {
                sampleLevel<F, int(AddressMode::Wrap), int(AddressMode::Wrap)>(s, Filter::Point, s.firstLevel, u[i], v[i], t);
                out.r[i] = t[0];
                out.g[i] = t[1];
                out.b[i] = t[2];
                out.a[i] = t[3];
            }
            return;
        }
        for (int i = 0; i < n; ++i) {
            sampleLevel<F>(s, Filter::Point, s.firstLevel, u[i], v[i], t);
            out.r[i] = t[0];
            out.g[i] = t[1];
            out.b[i] = t[2];
            out.a[i] = t[3];
        }
        return;
    }
    // lod is relative to level 0; the usable levels are firstLevel..lastLevel.
    const float first = float(s.firstLevel), last = float(s.lastLevel);
    for (int i = 0; i < n; ++i) {
        const float l = lod[i];
        if (!(l > 0.0f)) {
            sampleLevel<F>(s, s.state.magFilter, s.firstLevel, u[i], v[i], t);
        } else if (s.state.mipFilter == Filter::None || s.firstLevel == s.lastLevel) {
            sampleLevel<F>(s, s.state.minFilter, s.firstLevel, u[i], v[i], t);
        } else if (s.state.mipFilter == Filter::Point) {
            const float r = floorSmall((l < 64.0f ? l : 64.0f) + 0.5f);  // a bias may make l huge
            const int level = r <= first ? s.firstLevel : (r >= last ? s.lastLevel : int(r));
            sampleLevel<F>(s, s.state.minFilter, level, u[i], v[i], t);
        } else {
            const float c = l < first ? first : (l > last ? last : l);
            const float fl = floorSmall(c);
            const int level = int(fl);
            if (level >= s.lastLevel) {
                sampleLevel<F>(s, s.state.minFilter, s.lastLevel, u[i], v[i], t);
            } else {
                const float frac = c - fl;
                float t1[4];
                sampleLevel<F>(s, s.state.minFilter, level, u[i], v[i], t);
                sampleLevel<F>(s, s.state.minFilter, level + 1, u[i], v[i], t1);
                for (int ch = 0; ch < 4; ++ch) t[ch] = t[ch] + (t1[ch] - t[ch]) * frac;
            }
        }
        out.r[i] = t[0];
        out.g[i] = t[1];
        out.b[i] = t[2];
        out.a[i] = t[3];
    }
}

SampleSpanFn pick(TextureFormat f) {
    switch (f) {
    case TextureFormat::A8R8G8B8: return sampleSpanT<TextureFormat::A8R8G8B8>;
    case TextureFormat::X8R8G8B8: return sampleSpanT<TextureFormat::X8R8G8B8>;
    case TextureFormat::R5G6B5: return sampleSpanT<TextureFormat::R5G6B5>;
    case TextureFormat::X1R5G5B5: return sampleSpanT<TextureFormat::X1R5G5B5>;
    case TextureFormat::A1R5G5B5: return sampleSpanT<TextureFormat::A1R5G5B5>;
    case TextureFormat::A4R4G4B4: return sampleSpanT<TextureFormat::A4R4G4B4>;
    case TextureFormat::L8: return sampleSpanT<TextureFormat::L8>;
    case TextureFormat::A8: return sampleSpanT<TextureFormat::A8>;
    case TextureFormat::A8L8: return sampleSpanT<TextureFormat::A8L8>;
    }
    return sampleSpanT<TextureFormat::A8R8G8B8>;
}

bool levelUsable(const TextureLevel& l) {
    return l.data != nullptr && l.width > 0 && l.height > 0;
}

}  // namespace

void prepareSampler(const TextureView& view, const SamplerState& state, Sampler& out) {
    out.view = &view;
    out.state = state;
    int count = int(view.levelCount > uint32_t(kMaxMipLevels) ? kMaxMipLevels : view.levelCount);
    int usable = 0;
    while (usable < count && levelUsable(view.levels[usable])) ++usable;
    out.lastLevel = usable > 0 ? usable - 1 : 0;
    out.firstLevel = state.maxMipLevel > uint32_t(out.lastLevel) ? out.lastLevel : int(state.maxMipLevel);
    out.needsLod = state.magFilter != state.minFilter ||
                   (state.mipFilter != Filter::None && out.lastLevel > out.firstLevel);
    const uint32_t b = state.borderColor;
    out.border[0] = float((b >> 16) & 0xFF) * k1_255;
    out.border[1] = float((b >> 8) & 0xFF) * k1_255;
    out.border[2] = float(b & 0xFF) * k1_255;
    out.border[3] = float(b >> 24) * k1_255;
    out.sampleSpan = pick(view.format);
}

void readTexel(const TextureView& view, int level, int x, int y, float out[4]) {
    const TextureLevel& lv = view.levels[level];
    const uint8_t* row = static_cast<const uint8_t*>(lv.data) + ptrdiff_t(y) * lv.pitch;
    switch (view.format) {
    case TextureFormat::A8R8G8B8: decode<TextureFormat::A8R8G8B8>(row, x, out); break;
    case TextureFormat::X8R8G8B8: decode<TextureFormat::X8R8G8B8>(row, x, out); break;
    case TextureFormat::R5G6B5: decode<TextureFormat::R5G6B5>(row, x, out); break;
    case TextureFormat::X1R5G5B5: decode<TextureFormat::X1R5G5B5>(row, x, out); break;
    case TextureFormat::A1R5G5B5: decode<TextureFormat::A1R5G5B5>(row, x, out); break;
    case TextureFormat::A4R4G4B4: decode<TextureFormat::A4R4G4B4>(row, x, out); break;
    case TextureFormat::L8: decode<TextureFormat::L8>(row, x, out); break;
    case TextureFormat::A8: decode<TextureFormat::A8>(row, x, out); break;
    case TextureFormat::A8L8: decode<TextureFormat::A8L8>(row, x, out); break;
    }
}

}  // namespace platform::d3d9::raster

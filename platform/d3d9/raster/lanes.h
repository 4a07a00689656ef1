// Width-generic lane arithmetic for the hottest loops, written once over GCC vector types and
// instantiated for 4 lanes (SSE2, every x86-64 processor), 8 lanes (AVX2: in a file that
// includes this under `#pragma GCC target("avx2")`, chosen at run time) and, for sprites, 16
// lanes (AVX-512F, likewise).
//
// Each helper performs exactly the operations of the scalar pixel path in the same order (the
// same clamps, floors, byte * (1/255), lerps and rounding; no fused multiply-add), so a pixel's
// bytes never depend on the lane count or on whether a scalar tail computed it. Everything here
// is always inlined.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>

// 32-byte vector arguments of always-inlined helpers never cross a real call, so the ABI note
// GCC gives for them does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::d3d9::raster {

// Whether the 8-lane (AVX2) loops are used: the processor has AVX2 and setWideLanes left them on.
bool wideLanes();

// Whether the 16-lane (AVX-512) loops are used: the 8-lane loops are, the processor has
// AVX-512F and setWidestLanes left them on.
bool widestLanes();

}  // namespace platform::d3d9::raster

// Internal linkage on purpose: a file that includes this under an AVX2 target pragma gets its own
// copies, which the linker can never hand to baseline code.
namespace platform::d3d9::raster::lanes {
namespace {

#define RASTER_LANES_INLINE [[gnu::always_inline]] inline

template <int W>
struct Vec {
    typedef float F __attribute__((vector_size(4 * W)));
    typedef int32_t I __attribute__((vector_size(4 * W)));
    typedef uint32_t U __attribute__((vector_size(4 * W)));
};

inline constexpr float kByteScale = 1.0f / 255.0f;

// Every lane `value`. Written as value - 0, which is value exactly (even -0 and NaN) and which
// the compiler turns into one broadcast.
template <class T, class S>
RASTER_LANES_INLINE T splat(S value) {
    return value - T{};
}

template <class T>
RASTER_LANES_INLINE T iota() {
    T v;
    for (int i = 0; i < int(sizeof(T) / 4); ++i) v[i] = i;
    return v;
}

template <class T>
RASTER_LANES_INLINE T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
RASTER_LANES_INLINE void store(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// Per-lane a > b ? a : b and a < b ? a : b: the maxps and minps rule (the second operand when
// either is NaN).
template <class F>
RASTER_LANES_INLINE F max(F a, F b) {
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (sizeof(F) == 16) return F(_mm_max_ps(__m128(a), __m128(b)));
    if constexpr (sizeof(F) == 32) return F(_mm256_max_ps(__m256(a), __m256(b)));
    if constexpr (sizeof(F) == 64) return F(_mm512_max_ps(__m512(a), __m512(b)));
#endif
    return a > b ? a : b;
}
template <class F>
RASTER_LANES_INLINE F min(F a, F b) {
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (sizeof(F) == 16) return F(_mm_min_ps(__m128(a), __m128(b)));
    if constexpr (sizeof(F) == 32) return F(_mm256_min_ps(__m256(a), __m256(b)));
    if constexpr (sizeof(F) == 64) return F(_mm512_min_ps(__m512(a), __m512(b)));
#endif
    return a < b ? a : b;
}

// saturate(): max with 0 first so that NaN becomes 0, then min with 1.
template <class F>
RASTER_LANES_INLINE F saturate(F v) {
    return min(max(v, splat<F>(0.0f)), splat<F>(1.0f));
}

// toByte(): saturate, times 255, plus one half, truncated.
template <int W>
RASTER_LANES_INLINE typename Vec<W>::I toByte(typename Vec<W>::F v) {
    using F = typename Vec<W>::F;
    return __builtin_convertvector(saturate(v) * splat<F>(255.0f) + splat<F>(0.5f), typename Vec<W>::I);
}

template <int W>
RASTER_LANES_INLINE typename Vec<W>::U pack(typename Vec<W>::I a, typename Vec<W>::I r, typename Vec<W>::I g,
                                            typename Vec<W>::I b) {
    using U = typename Vec<W>::U;
    return (U(a) << 24) | (U(r) << 16) | (U(g) << 8) | U(b);
}

// The channel at `shift` of packed 8-bit words, as byte * (1/255).
template <int W>
RASTER_LANES_INLINE typename Vec<W>::F channel(typename Vec<W>::U t, int shift) {
    using F = typename Vec<W>::F;
    using I = typename Vec<W>::I;
    return __builtin_convertvector(I((t >> shift) & 0xFFu), F) * splat<F>(kByteScale);
}

// floorSmall(): for values well inside the int range.
template <int W>
RASTER_LANES_INLINE typename Vec<W>::F floor(typename Vec<W>::F x) {
    using F = typename Vec<W>::F;
    const F t = __builtin_convertvector(__builtin_convertvector(x, typename Vec<W>::I), F);
    return t - (t > x ? splat<F>(1.0f) : splat<F>(0.0f));
}

// Texture coordinates clamped to +-4194304, NaN to 0 (the samplers' first step).
template <class F>
RASTER_LANES_INLINE F clampCoord(F u) {
    const F lo = splat<F>(-4194304.0f);
    const F inner = min(u, splat<F>(4194304.0f));
    return u > lo ? inner : (u <= lo ? lo : splat<F>(0.0f));
}

// Bilinear coordinate for clamp addressing: the integer texel left of the sample and the
// fraction towards the next.
template <int W>
RASTER_LANES_INLINE void linearClamp(typename Vec<W>::F u, int size, typename Vec<W>::I& i0, typename Vec<W>::F& frac) {
    using F = typename Vec<W>::F;
    F x = clampCoord(u) * splat<F>(float(size)) - splat<F>(0.5f);
    x = max(x, splat<F>(-2.0f));
    x = min(x, splat<F>(float(2 * size + 2)));
    const F f = floor<W>(x);
    i0 = __builtin_convertvector(f, typename Vec<W>::I);
    frac = x - f;
}

template <class I>
RASTER_LANES_INLINE I clampIndex(I i, I hi) {
    i = i > splat<I>(-1) ? i : splat<I>(0);
    return i > hi ? hi : i;
}

// y * pitch + x * 4, in 32 bits (a level's bytes fit in 31 bits).
template <int W>
RASTER_LANES_INLINE typename Vec<W>::I byteOffset(typename Vec<W>::I x, typename Vec<W>::I y, int32_t pitch) {
    using U = typename Vec<W>::U;
    return typename Vec<W>::I(U(y) * splat<U>(uint32_t(pitch)) + (U(x) << 2));
}

// The 32-bit words at byte offsets `off` from base.
template <int W>
RASTER_LANES_INLINE typename Vec<W>::U gather(const uint8_t* base, typename Vec<W>::I off) {
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (W == 8) {
        return typename Vec<W>::U(_mm256_i32gather_epi32(reinterpret_cast<const int*>(base), __m256i(off), 1));
    }
    if constexpr (W == 16) return typename Vec<W>::U(_mm512_i32gather_epi32(__m512i(off), base, 1));
#endif
    typename Vec<W>::U v;
    for (int i = 0; i < W; ++i) {
        uint32_t word;
        std::memcpy(&word, base + off[i], 4);
        v[i] = word;
    }
    return v;
}

template <int W>
RASTER_LANES_INLINE typename Vec<W>::F lerp(typename Vec<W>::U t00, typename Vec<W>::U t10, typename Vec<W>::U t01,
                                            typename Vec<W>::U t11, int shift, typename Vec<W>::F fu,
                                            typename Vec<W>::F fv) {
    using F = typename Vec<W>::F;
    const F a = channel<W>(t00, shift), b = channel<W>(t10, shift);
    const F c = channel<W>(t01, shift), d = channel<W>(t11, shift);
    const F top = a + (b - a) * fu;
    const F bottom = c + (d - c) * fu;
    return top + (bottom - top) * fv;
}

template <int W>
RASTER_LANES_INLINE int laneBits(typename Vec<W>::I mask);

// The first `count` words at p (the others read as 0), and a store of the lanes whose `mask` is
// set among the first `count`. The 8-lane forms use the masked moves, which neither touch the
// words past the run nor stall on a partly written copy.
template <int W>
RASTER_LANES_INLINE typename Vec<W>::U loadFirst(const uint32_t* p, int count) {
    using I = typename Vec<W>::I;
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (W == 8) {
        const I live = iota<I>() < splat<I>(count);
        return typename Vec<W>::U(_mm256_maskload_epi32(reinterpret_cast<const int*>(p), __m256i(live)));
    }
    if constexpr (W == 16) {
        const __mmask16 live = __mmask16(count >= 16 ? 0xFFFFu : (1u << count) - 1u);
        return typename Vec<W>::U(_mm512_maskz_loadu_epi32(live, p));
    }
#endif
    typename Vec<W>::U v = {};
    std::memcpy(&v, p, size_t(count < W ? count : W) * 4);
    return v;
}

template <int W>
RASTER_LANES_INLINE void storeWhere(uint32_t* p, typename Vec<W>::U v, typename Vec<W>::I mask, int count) {
    using I = typename Vec<W>::I;
    const I live = mask & (iota<I>() < splat<I>(count));
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (W == 8) {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(p), __m256i(live), __m256i(v));
        return;
    }
    if constexpr (W == 16) {
        _mm512_mask_storeu_epi32(p, __mmask16(laneBits<W>(live)), __m512i(v));
        return;
    }
#endif
    for (int i = 0; i < W; ++i) {
        if (live[i]) p[i] = v[i];
    }
}

// One bit per lane of a comparison mask.
template <int W>
RASTER_LANES_INLINE int laneBits(typename Vec<W>::I mask) {
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (W == 8) return _mm256_movemask_ps(__m256(mask));
    if constexpr (W == 4) return _mm_movemask_ps(__m128(mask));
    if constexpr (W == 16) return int(_mm512_cmplt_epi32_mask(__m512i(mask), _mm512_setzero_si512()));
#endif
    int bits = 0;
    for (int i = 0; i < W; ++i) bits |= (mask[i] != 0 ? 1 : 0) << i;
    return bits;
}

// Whether any of the first `lanes` lanes of a comparison mask is set.
template <int W>
RASTER_LANES_INLINE bool anyLane(typename Vec<W>::I mask, int lanes) {
    return (laneBits<W>(mask) & ((1 << lanes) - 1)) != 0;
}

template <int W>
RASTER_LANES_INLINE bool allLanes(typename Vec<W>::I mask) {
    return laneBits<W>(mask) == (1 << W) - 1;
}

}  // namespace
}  // namespace platform::d3d9::raster::lanes

#pragma GCC diagnostic pop

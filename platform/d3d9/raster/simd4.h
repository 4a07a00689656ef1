// Four-lane (SSE2) building blocks shared by the sampler, the pixel operations and the direct
// fills. Each performs exactly the scalar path's operations in the same order (the same clamps,
// floors, byte * (1/255), lerps and rounding), so a pixel's value never depends on whether a
// four-pixel loop or a scalar tail computed it.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform::d3d9::raster::simd4 {

inline constexpr float kByteScale = 1.0f / 255.0f;

// Four lanes of toByte: the same operations in the same order (max with 0 first so that NaN
// becomes 0, min with 1, times 255, plus one half, truncated), so results equal the scalar path.
inline __m128i toByte4(__m128 v) {
    v = _mm_max_ps(v, _mm_setzero_ps());  // NaN in v: maxps returns the second operand, 0
    v = _mm_min_ps(v, _mm_set1_ps(1.0f));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}
inline __m128 saturate4(__m128 v) {
    return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f));
}
inline __m128i pack4(__m128i a, __m128i r, __m128i g, __m128i b) {
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(a, 24), _mm_slli_epi32(r, 16)),
                        _mm_or_si128(_mm_slli_epi32(g, 8), b));
}
// Selects `v` where the four mask bytes at m are set, else `old`.
inline __m128i select4(const uint8_t* m, __m128i v, __m128i old) {
    int32_t bytes;
    std::memcpy(&bytes, m, 4);
    __m128i lanes = _mm_cvtsi32_si128(bytes);
    lanes = _mm_unpacklo_epi8(lanes, _mm_setzero_si128());
    lanes = _mm_unpacklo_epi16(lanes, _mm_setzero_si128());
    const __m128i off = _mm_cmpeq_epi32(lanes, _mm_setzero_si128());
    return _mm_or_si128(_mm_and_si128(off, old), _mm_andnot_si128(off, v));
}

// addressPoint's and linearCoord's first step: clamp to +-4194304, NaN to 0.
inline __m128 clampCoord4(__m128 u) {
    const __m128 lo = _mm_set1_ps(-4194304.0f);
    const __m128 inner = _mm_min_ps(u, _mm_set1_ps(4194304.0f));  // u < hi ? u : hi
    return _mm_or_ps(_mm_and_ps(_mm_cmpgt_ps(u, lo), inner), _mm_and_ps(_mm_cmple_ps(u, lo), lo));
}

// floorSmall in four lanes.
inline __m128 floor4(__m128 x) {
    const __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(x));
    return _mm_sub_ps(t, _mm_and_ps(_mm_cmpgt_ps(t, x), _mm_set1_ps(1.0f)));
}

// i clamped to 0..hi (signed 32-bit lanes, SSE2 has no integer min/max).
inline __m128i clampIndex4(__m128i i, __m128i hi) {
    i = _mm_and_si128(i, _mm_cmpgt_epi32(i, _mm_set1_epi32(-1)));
    const __m128i over = _mm_cmpgt_epi32(i, hi);
    return _mm_or_si128(_mm_and_si128(over, hi), _mm_andnot_si128(over, i));
}

// linearCoord for clamp addressing: the integer texel and the fraction of four coordinates.
inline void linearClamp4(__m128 u, int size, __m128i& i0, __m128& frac) {
    __m128 x = _mm_sub_ps(_mm_mul_ps(clampCoord4(u), _mm_set1_ps(float(size))), _mm_set1_ps(0.5f));
    x = _mm_max_ps(x, _mm_set1_ps(-2.0f));
    x = _mm_min_ps(x, _mm_set1_ps(float(2 * size + 2)));
    const __m128 f = floor4(x);
    i0 = _mm_cvttps_epi32(f);
    frac = _mm_sub_ps(x, f);
}

// Four texel words at (x[i], y[i]) of a 32-bit level.
inline __m128i gather4(const uint8_t* base, int32_t pitch, const int32_t* x, const int32_t* y) {
    uint32_t w[4];
    for (int i = 0; i < 4; ++i) std::memcpy(&w[i], base + ptrdiff_t(y[i]) * pitch + size_t(x[i]) * 4, 4);
    return _mm_set_epi32(int32_t(w[3]), int32_t(w[2]), int32_t(w[1]), int32_t(w[0]));
}

// Four texel words at byte offsets off[i] of a 32-bit level.
inline __m128i gatherAt(const uint8_t* base, const int32_t* off) {
    uint32_t w[4];
    for (int i = 0; i < 4; ++i) std::memcpy(&w[i], base + off[i], 4);
    return _mm_set_epi32(int32_t(w[3]), int32_t(w[2]), int32_t(w[1]), int32_t(w[0]));
}

// y * pitch + x * 4 in four 32-bit lanes (a level's bytes fit in 31 bits). SSE2 has no 32-bit
// lane multiply: the even and odd lanes are multiplied apart and put back together.
inline __m128i byteOffset4(__m128i x, __m128i y, __m128i pitch) {
    const __m128i even = _mm_mul_epu32(y, pitch);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(y, 32), pitch);
    const __m128i rows = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    return _mm_add_epi32(rows, _mm_slli_epi32(x, 2));
}

inline __m128 channel4(__m128i t, int shift) {
    return _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(t, shift), _mm_set1_epi32(0xFF))),
                      _mm_set1_ps(kByteScale));
}

inline __m128 lerp4(__m128i t00, __m128i t10, __m128i t01, __m128i t11, int shift, __m128 fu, __m128 fv) {
    const __m128 a = channel4(t00, shift), b = channel4(t10, shift);
    const __m128 c = channel4(t01, shift), d = channel4(t11, shift);
    const __m128 top = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), fu));
    const __m128 bottom = _mm_add_ps(c, _mm_mul_ps(_mm_sub_ps(d, c), fu));
    return _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), fv));
}

}  // namespace platform::d3d9::raster::simd4

#endif  // __SSE2__

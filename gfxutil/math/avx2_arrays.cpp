// The AVX2 forms of the array transforms.
//
// D3DXVec4TransformArray keeps the portable bits: a whole matrix row is one register of four
// doubles, so a vector costs four products and three sums, accumulated in the portable order, with
// no fused multiply-add (it would round once where the portable form rounds twice).
//
// D3DXVec3TransformCoordArray works in float lanes, eight points at a time, for speed: the points
// are transposed into registers of x, y and z, each output is three fused multiply-adds, and 1/w
// is the reciprocal estimate refined by one Newton step (about 22 good bits, against the 24 of a
// divide, at a third of its cost). Its results are within a few units in the last place of the
// portable ones (coord_blocks.h); the renderer does not go through it.
#include <immintrin.h>

#include <cstring>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/sse2_forms.h"
#include "gfxutil/math/strided.h"

// GCC takes the target from a pragma; clang applies it as an attribute to every function below.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
#include "gfxutil/math/coord_blocks.h"

namespace gfxutil::math::avx2 {

namespace {

// (x0 y0 z0 x1 | x4 y4 z4 x5), (y1 z1 x2 y2 | y5 z5 x6 y6), (z2 x3 y3 z3 | z6 x7 y7 z7): each
// 128-bit half transposes four points with in-lane shuffles only.
struct CoordKernel8 {
    explicit CoordKernel8(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) c[i][j] = _mm256_set1_ps(m.m[i][j]);
        }
    }

    bool run(const float* in, float* out) const {
        const __m256 m03 = _mm256_loadu2_m128(in + 12, in);
        const __m256 m14 = _mm256_loadu2_m128(in + 16, in + 4);
        const __m256 m25 = _mm256_loadu2_m128(in + 20, in + 8);
        const __m256 xy = _mm256_shuffle_ps(m14, m25, _MM_SHUFFLE(2, 1, 3, 2));
        const __m256 yz = _mm256_shuffle_ps(m03, m14, _MM_SHUFFLE(1, 0, 2, 1));
        const __m256 x = _mm256_shuffle_ps(m03, xy, _MM_SHUFFLE(2, 0, 3, 0));
        const __m256 y = _mm256_shuffle_ps(yz, xy, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256 z = _mm256_shuffle_ps(yz, m25, _MM_SHUFFLE(3, 0, 3, 1));

        __m256 t[4];
        for (int j = 0; j < 4; ++j) {
            t[j] = _mm256_fmadd_ps(x, c[0][j], _mm256_fmadd_ps(y, c[1][j], _mm256_fmadd_ps(z, c[2][j], c[3][j])));
        }
        const __m256 one = _mm256_set1_ps(1.0f);
        const __m256 w = t[3];
        const __m256 r0 = _mm256_rcp_ps(w);
        const __m256 r = _mm256_fmadd_ps(_mm256_fnmadd_ps(w, r0, one), r0, r0);
        const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const __m256 nearOne =
            _mm256_cmp_ps(_mm256_and_ps(_mm256_sub_ps(w, one), absMask), _mm256_set1_ps(kUnitTolerance), _CMP_LE_OQ);
        const __m256 scale = _mm256_blendv_ps(r, one, nearOne);
        const __m256 rx = _mm256_mul_ps(t[0], scale);
        const __m256 ry = _mm256_mul_ps(t[1], scale);
        const __m256 rz = _mm256_mul_ps(t[2], scale);

        const __m256 inf = _mm256_set1_ps(__builtin_inff());
        const __m256 finite = _mm256_and_ps(
            _mm256_and_ps(_mm256_cmp_ps(_mm256_and_ps(rx, absMask), inf, _CMP_LT_OQ),
                          _mm256_cmp_ps(_mm256_and_ps(ry, absMask), inf, _CMP_LT_OQ)),
            _mm256_cmp_ps(_mm256_and_ps(rz, absMask), inf, _CMP_LT_OQ));
        if (_mm256_movemask_ps(finite) != 0xFF) return false;

        const __m256 rxy = _mm256_shuffle_ps(rx, ry, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 ryz = _mm256_shuffle_ps(ry, rz, _MM_SHUFFLE(3, 1, 3, 1));
        const __m256 rzx = _mm256_shuffle_ps(rz, rx, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256 r03 = _mm256_shuffle_ps(rxy, rzx, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 r14 = _mm256_shuffle_ps(ryz, rxy, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256 r25 = _mm256_shuffle_ps(rzx, ryz, _MM_SHUFFLE(3, 1, 3, 1));
        _mm256_storeu2_m128(out + 12, out, r03);
        _mm256_storeu2_m128(out + 16, out + 4, r14);
        _mm256_storeu2_m128(out + 20, out + 8, r25);
        return true;
    }

    __m256 c[4][4];
};

}  // namespace

D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n) {
    return coordArrayInBlocks<8, CoordKernel8>(pOut, outStride, pV, vStride, pM, n);
}

}  // namespace gfxutil::math::avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace gfxutil::math::avx2 {

bool available() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

namespace {

struct Rows4 {
    __m256d r[4];
};

__attribute__((target("avx2"))) inline Rows4 widen(const D3DXMATRIX& m) {
    Rows4 rows;
    for (int i = 0; i < 4; ++i) rows.r[i] = _mm256_cvtps_pd(_mm_loadu_ps(m.m[i]));
    return rows;
}

__attribute__((target("avx2"))) inline __m128 vectorTerms4(const Rows4& m, const float* v) {
    __m256d acc = _mm256_mul_pd(_mm256_set1_pd(v[0]), m.r[0]);
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[1]), m.r[1]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[2]), m.r[2]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[3]), m.r[3]));
    return _mm256_cvtpd_ps(acc);
}

}  // namespace

__attribute__((target("avx2"))) D3DXVECTOR4* vec4TransformArray(D3DXVECTOR4* pOut, UINT outStride,
                                                              const D3DXVECTOR4* pV, UINT vStride,
                                                              const D3DXMATRIX* pM, UINT n) {
    if (arrayRefused(pOut, outStride, 16, pV, vStride, 16, pM, n)) return nullptr;
    const Rows4 m = widen(*pM);
    auto* out = reinterpret_cast<unsigned char*>(pOut);
    const auto* in = reinterpret_cast<const unsigned char*>(pV);
    for (UINT k = 0; k < n; ++k, out += outStride, in += vStride) {
        float v[4];
        std::memcpy(v, in, sizeof v);
        _mm_storeu_ps(reinterpret_cast<float*>(out), vectorTerms4(m, v));
    }
    return pOut;
}

}  // namespace gfxutil::math::avx2

// The AVX-512 form of D3DXMatrixMultiply: two rows of the product in one register of eight
// doubles, each half ((a_i0 B_0 + a_i1 B_1) + a_i2 B_2) + a_i3 B_3 with separate products and sums
// in the portable order (no FMA here), so the results are the portable bits, as in the AVX2 form.
#include <immintrin.h>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/sse2_forms.h"

// GCC takes the target from a pragma; clang applies it as an attribute to every function below.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

// The zero-masked intrinsics with full masks: the plain ones leave GCC 12 warning about their
// undefined pass-through operand.

namespace gfxutil::math::avx512 {

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    __m512d b[4];
    for (int k = 0; k < 4; ++k) b[k] = _mm512_maskz_broadcast_f64x4(0xFF, _mm256_cvtps_pd(_mm_loadu_ps(pM2->m[k])));
    __m256 rows[2];
    for (int h = 0; h < 2; ++h) {
        const __m512d a = _mm512_maskz_cvtps_pd(0xFF, _mm256_loadu_ps(pM1->m[2 * h]));
        __m512d acc = _mm512_mul_pd(_mm512_maskz_permutex_pd(0xFF, a, 0x00), b[0]);
        acc = _mm512_add_pd(acc, _mm512_mul_pd(_mm512_maskz_permutex_pd(0xFF, a, 0x55), b[1]));
        acc = _mm512_add_pd(acc, _mm512_mul_pd(_mm512_maskz_permutex_pd(0xFF, a, 0xAA), b[2]));
        acc = _mm512_add_pd(acc, _mm512_mul_pd(_mm512_maskz_permutex_pd(0xFF, a, 0xFF), b[3]));
        rows[h] = _mm512_maskz_cvtpd_ps(0xFF, acc);
    }
    _mm256_storeu_ps(pOut->m[0], rows[0]);
    _mm256_storeu_ps(pOut->m[2], rows[1]);
    return pOut;
}

}  // namespace gfxutil::math::avx512

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

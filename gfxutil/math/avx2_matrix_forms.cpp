// The AVX2 forms of D3DXMatrixMultiply and D3DXMatrixInverse. The renderer multiplies matrices
// every frame, so these keep the portable bits: a matrix row is one register of four doubles, the
// products and sums are separate instructions in the portable order (this file is compiled for
// AVX2 without FMA, and the project never contracts), and each result is rounded once to float.
#include <immintrin.h>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/sse2_forms.h"

// GCC takes the target from a pragma; clang applies it as an attribute to every function below.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace gfxutil::math::avx2 {

namespace {

inline __m256d widenRow(const D3DXMATRIX& m, int i) { return _mm256_cvtps_pd(_mm_loadu_ps(m.m[i])); }

// Four cofactors: sign * ((a qa - b qb) + c qc).
inline __m256d row(__m256d a, __m256d qa, __m256d b, __m256d qb, __m256d c, __m256d qc, __m256d sign) {
    return _mm256_xor_pd(_mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(a, qa), _mm256_mul_pd(b, qb)), _mm256_mul_pd(c, qc)),
                         sign);
}

}  // namespace

// Row i of the product is ((a_i0 B_0 + a_i1 B_1) + a_i2 B_2) + a_i3 B_3, B_k the rows of the second
// matrix: per element, exactly the portable sum. Everything is read before anything is written.
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    const __m256d b0 = widenRow(*pM2, 0), b1 = widenRow(*pM2, 1), b2 = widenRow(*pM2, 2), b3 = widenRow(*pM2, 3);
    __m128 rows[4];
    for (int i = 0; i < 4; ++i) {
        const __m256d ai = widenRow(*pM1, i);
        __m256d acc = _mm256_mul_pd(_mm256_permute4x64_pd(ai, 0x00), b0);
        acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(ai, 0x55), b1));
        acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(ai, 0xAA), b2));
        acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(ai, 0xFF), b3));
        rows[i] = _mm256_cvtpd_ps(acc);
    }
    for (int i = 0; i < 4; ++i) _mm_storeu_ps(pOut->m[i], rows[i]);
    return pOut;
}

// The inverse by 2 x 2 minors, as matrix_inverse.cpp: s_k the minors of rows 0 and 1, c_k those of
// rows 2 and 3, for the column pairs (0,1) (0,2) (0,3) (1,2) (1,3) (2,3). Row i of the inverse is
// sign * ((P * Q - P' * Q') + P'' * Q'') with P a column of the input with its rows in the order
// 1, 0, 3, 2 and Q = (c_k, c_k, s_k, s_k): four cofactors per instruction, each the portable
// expression, lane by lane.
D3DXMATRIX* matrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pM == nullptr) return nullptr;
    const __m256d r0 = widenRow(*pM, 0), r1 = widenRow(*pM, 1), r2 = widenRow(*pM, 2), r3 = widenRow(*pM, 3);

    // (s0, s1, s2, s3) and (c0, c1, c2, c3): a_i a_j' - a_j a_i' over the pairs (0,1) (0,2) (0,3) (1,2).
    constexpr int kFirst = _MM_SHUFFLE(1, 0, 0, 0);
    constexpr int kSecond = _MM_SHUFFLE(2, 3, 2, 1);
    const __m256d sA = _mm256_sub_pd(_mm256_mul_pd(_mm256_permute4x64_pd(r0, kFirst), _mm256_permute4x64_pd(r1, kSecond)),
                                     _mm256_mul_pd(_mm256_permute4x64_pd(r0, kSecond), _mm256_permute4x64_pd(r1, kFirst)));
    const __m256d cA = _mm256_sub_pd(_mm256_mul_pd(_mm256_permute4x64_pd(r2, kFirst), _mm256_permute4x64_pd(r3, kSecond)),
                                     _mm256_mul_pd(_mm256_permute4x64_pd(r2, kSecond), _mm256_permute4x64_pd(r3, kFirst)));
    // (s4, s5, c4, c5), the pairs (1,3) and (2,3) of both halves at once.
    const __m256d u02 = _mm256_permute2f128_pd(r0, r2, 0x20);  // a00 a01 a20 a21
    const __m256d v02 = _mm256_permute2f128_pd(r0, r2, 0x31);  // a02 a03 a22 a23
    const __m256d u13 = _mm256_permute2f128_pd(r1, r3, 0x20);  // a10 a11 a30 a31
    const __m256d v13 = _mm256_permute2f128_pd(r1, r3, 0x31);  // a12 a13 a32 a33
    const __m256d sc45 = _mm256_sub_pd(_mm256_mul_pd(_mm256_shuffle_pd(u02, v02, 0x5), _mm256_shuffle_pd(v13, v13, 0xF)),
                                       _mm256_mul_pd(_mm256_shuffle_pd(v02, v02, 0xF), _mm256_shuffle_pd(u13, v13, 0x5)));

    // det = s0 c5 - s1 c4 + s2 c3 + s3 c2 - s4 c1 + s5 c0, the products at once, summed left to right.
    const __m256d c5432 = _mm256_permute4x64_pd(_mm256_permute2f128_pd(cA, sc45, 0x31), _MM_SHUFFLE(0, 1, 2, 3));
    alignas(32) double p[8];
    _mm256_store_pd(p, _mm256_mul_pd(sA, c5432));
    _mm256_store_pd(p + 4, _mm256_mul_pd(sc45, _mm256_permute4x64_pd(cA, _MM_SHUFFLE(3, 2, 0, 1))));
    const double det = p[0] - p[1] + p[2] + p[3] - p[4] + p[5];
    if (pDeterminant != nullptr) *pDeterminant = static_cast<float>(det);
    if (det == 0.0) return nullptr;

    // Q_k = (c_k, c_k, s_k, s_k).
    const __m256d l = _mm256_permute2f128_pd(cA, sA, 0x20);  // c0 c1 s0 s1
    const __m256d h = _mm256_permute2f128_pd(cA, sA, 0x31);  // c2 c3 s2 s3
    const __m256d g = _mm256_permute2f128_pd(sc45, sc45, 0x01);  // c4 c5 s4 s5
    const __m256d q0 = _mm256_unpacklo_pd(l, l), q1 = _mm256_unpackhi_pd(l, l);
    const __m256d q2 = _mm256_unpacklo_pd(h, h), q3 = _mm256_unpackhi_pd(h, h);
    const __m256d q4 = _mm256_unpacklo_pd(g, g), q5 = _mm256_unpackhi_pd(g, g);
    // P_j = (a1j, a0j, a3j, a2j).
    const __m256d lo10 = _mm256_unpacklo_pd(r1, r0), hi10 = _mm256_unpackhi_pd(r1, r0);
    const __m256d lo32 = _mm256_unpacklo_pd(r3, r2), hi32 = _mm256_unpackhi_pd(r3, r2);
    const __m256d p0 = _mm256_permute2f128_pd(lo10, lo32, 0x20), p2 = _mm256_permute2f128_pd(lo10, lo32, 0x31);
    const __m256d p1 = _mm256_permute2f128_pd(hi10, hi32, 0x20), p3 = _mm256_permute2f128_pd(hi10, hi32, 0x31);

    const __m256d plusMinus = _mm256_set_pd(-0.0, 0.0, -0.0, 0.0);
    const __m256d minusPlus = _mm256_set_pd(0.0, -0.0, 0.0, -0.0);
    const __m256d r = _mm256_set1_pd(1.0 / det);
    const __m128 out0 = _mm256_cvtpd_ps(_mm256_mul_pd(row(p1, q5, p2, q4, p3, q3, plusMinus), r));
    const __m128 out1 = _mm256_cvtpd_ps(_mm256_mul_pd(row(p0, q5, p2, q2, p3, q1, minusPlus), r));
    const __m128 out2 = _mm256_cvtpd_ps(_mm256_mul_pd(row(p0, q4, p1, q2, p3, q0, plusMinus), r));
    const __m128 out3 = _mm256_cvtpd_ps(_mm256_mul_pd(row(p0, q3, p1, q1, p2, q0, minusPlus), r));
    _mm_storeu_ps(pOut->m[0], out0);
    _mm_storeu_ps(pOut->m[1], out1);
    _mm_storeu_ps(pOut->m[2], out2);
    _mm_storeu_ps(pOut->m[3], out3);
    return pOut;
}

}  // namespace gfxutil::math::avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

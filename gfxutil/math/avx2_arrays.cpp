// The AVX2 forms of the array transforms: a whole matrix row is one register of four doubles, so a
// point costs three products and three sums, accumulated in the portable order. No fused
// multiply-add: it would round once where the portable form rounds twice.
#include <immintrin.h>

#include <cstring>

#include "gfxutil/math/sse2_forms.h"
#include "gfxutil/math/strided.h"

namespace gfxutil::math::avx2 {

bool available() { return __builtin_cpu_supports("avx2"); }

namespace {

struct Rows4 {
    __m256d r[4];
};

__attribute__((target("avx2"))) inline Rows4 widen(const D3DXMATRIX& m) {
    Rows4 rows;
    for (int i = 0; i < 4; ++i) rows.r[i] = _mm256_cvtps_pd(_mm_loadu_ps(m.m[i]));
    return rows;
}

__attribute__((target("avx2"))) inline __m128 pointTerms4(const Rows4& m, const float* v) {
    __m256d acc = _mm256_mul_pd(_mm256_set1_pd(v[0]), m.r[0]);
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[1]), m.r[1]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[2]), m.r[2]));
    acc = _mm256_add_pd(acc, m.r[3]);
    return _mm256_cvtpd_ps(acc);
}

__attribute__((target("avx2"))) inline __m128 vectorTerms4(const Rows4& m, const float* v) {
    __m256d acc = _mm256_mul_pd(_mm256_set1_pd(v[0]), m.r[0]);
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[1]), m.r[1]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[2]), m.r[2]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(v[3]), m.r[3]));
    return _mm256_cvtpd_ps(acc);
}

}  // namespace

__attribute__((target("avx2"))) D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride,
                                                                   const D3DXVECTOR3* pV, UINT vStride,
                                                                   const D3DXMATRIX* pM, UINT n) {
    if (arrayRefused(pOut, outStride, 12, pV, vStride, 12, pM, n)) return nullptr;
    const Rows4 m = widen(*pM);
    auto* out = reinterpret_cast<unsigned char*>(pOut);
    const auto* in = reinterpret_cast<const unsigned char*>(pV);
    for (UINT k = 0; k < n; ++k, out += outStride, in += vStride) {
        float v[3];
        std::memcpy(v, in, sizeof v);
        __m128 t = pointTerms4(m, v);
        const float w = _mm_cvtss_f32(_mm_permute_ps(t, _MM_SHUFFLE(3, 3, 3, 3)));
        if (needsDivide(w)) {
            t = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtps_pd(t), _mm256_set1_pd(1.0 / static_cast<double>(w))));
        }
        float r[4];
        _mm_storeu_ps(r, t);
        std::memcpy(out, r, 12);
    }
    return pOut;
}

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

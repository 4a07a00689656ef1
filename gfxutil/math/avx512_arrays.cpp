// The AVX-512 form of D3DXVec3TransformCoordArray: sixteen points at a time in float lanes, as the
// AVX2 form (avx2_arrays.cpp) does eight. The transposes are two-source permutes of three
// registers; 1/w starts from the 14-bit reciprocal estimate, which one Newton step takes past
// single precision. Results are within a few units in the last place of the portable ones
// (coord_blocks.h).
#include <immintrin.h>

#include <cstring>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/sse2_forms.h"

// GCC takes the target from a pragma; clang applies it as an attribute to every function below.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
#include "gfxutil/math/coord_blocks.h"

namespace gfxutil::math::avx512 {

bool available() { return __builtin_cpu_supports("avx512f"); }

namespace {

// Lane i of component c is float 3i + c of the 48; floats 0-31 come from the first two
// registers (fromAb), the rest from the third (fromC, under cMask). Going back, output register r
// holds floats 16r .. 16r + 15, float f being component f % 3 of point f / 3: x and y come from
// the first two result registers (toXy), z from the third (toZ, under zMask).
struct Indices {
    alignas(64) int v[16];
};

constexpr Indices fromAb(int c) {
    Indices x{};
    for (int i = 0; i < 16; ++i) x.v[i] = (3 * i + c) & 31;
    return x;
}
constexpr Indices fromC(int c) {
    Indices x{};
    for (int i = 0; i < 16; ++i) x.v[i] = (3 * i + c) & 15;
    return x;
}
constexpr __mmask16 cMask(int c) {
    unsigned m = 0;
    for (int i = 0; i < 16; ++i) m |= (3 * i + c >= 32 ? 1u : 0u) << i;
    return static_cast<__mmask16>(m);
}
constexpr Indices toXy(int r) {
    Indices x{};
    for (int j = 0; j < 16; ++j) x.v[j] = ((16 * r + j) % 3 == 1 ? 16 : 0) + (16 * r + j) / 3;
    return x;
}
constexpr Indices toZ(int r) {
    Indices x{};
    for (int j = 0; j < 16; ++j) x.v[j] = ((16 * r + j) / 3) & 15;
    return x;
}
constexpr __mmask16 zMask(int r) {
    unsigned m = 0;
    for (int j = 0; j < 16; ++j) m |= ((16 * r + j) % 3 == 2 ? 1u : 0u) << j;
    return static_cast<__mmask16>(m);
}

constexpr Indices kFromAb[3] = {fromAb(0), fromAb(1), fromAb(2)};
constexpr Indices kFromC[3] = {fromC(0), fromC(1), fromC(2)};
constexpr __mmask16 kCMask[3] = {cMask(0), cMask(1), cMask(2)};
constexpr Indices kToXy[3] = {toXy(0), toXy(1), toXy(2)};
constexpr Indices kToZ[3] = {toZ(0), toZ(1), toZ(2)};
constexpr __mmask16 kZMask[3] = {zMask(0), zMask(1), zMask(2)};

struct Transpose16 {
    Transpose16() {
        for (int k = 0; k < 3; ++k) {
            inAb[k] = _mm512_load_si512(kFromAb[k].v);
            inC[k] = _mm512_load_si512(kFromC[k].v);
            outXy[k] = _mm512_load_si512(kToXy[k].v);
            outZ[k] = _mm512_load_si512(kToZ[k].v);
        }
    }
    __m512i inAb[3], inC[3], outXy[3], outZ[3];
};

struct CoordKernel16 {
    explicit CoordKernel16(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) c[i][j] = _mm512_set1_ps(m.m[i][j]);
        }
    }

    bool run(const float* in, float* out) const {
        const __m512 a = _mm512_loadu_ps(in);
        const __m512 b = _mm512_loadu_ps(in + 16);
        const __m512 cc = _mm512_loadu_ps(in + 32);
        __m512 v[3];
        for (int k = 0; k < 3; ++k) {
            v[k] = _mm512_mask_permutexvar_ps(_mm512_permutex2var_ps(a, t.inAb[k], b), kCMask[k], t.inC[k], cc);
        }
        __m512 r[4];
        for (int j = 0; j < 4; ++j) {
            r[j] = _mm512_fmadd_ps(v[0], c[0][j], _mm512_fmadd_ps(v[1], c[1][j], _mm512_fmadd_ps(v[2], c[2][j], c[3][j])));
        }
        const __m512 one = _mm512_set1_ps(1.0f);
        const __m512 w = r[3];
        // The zero-masked form: the plain one leaves GCC 12 warning about its undefined pass-through.
        const __m512 e = _mm512_maskz_rcp14_ps(0xFFFF, w);
        const __m512 rw = _mm512_fmadd_ps(_mm512_fnmadd_ps(w, e, one), e, e);
        const __mmask16 nearOne =
            _mm512_cmp_ps_mask(_mm512_abs_ps(_mm512_sub_ps(w, one)), _mm512_set1_ps(kUnitTolerance), _CMP_LE_OQ);
        const __m512 scale = _mm512_mask_blend_ps(nearOne, rw, one);
        const __m512 inf = _mm512_set1_ps(__builtin_inff());
        __mmask16 finite = 0xFFFF;
        for (int k = 0; k < 3; ++k) {
            r[k] = _mm512_mul_ps(r[k], scale);
            finite = _mm512_mask_cmp_ps_mask(finite, _mm512_abs_ps(r[k]), inf, _CMP_LT_OQ);
        }
        if (finite != 0xFFFF) return false;
        for (int k = 0; k < 3; ++k) {
            const __m512 o = _mm512_mask_permutexvar_ps(_mm512_permutex2var_ps(r[0], t.outXy[k], r[1]), kZMask[k],
                                                        t.outZ[k], r[2]);
            _mm512_storeu_ps(out + 16 * k, o);
        }
        return true;
    }

    __m512 c[4][4];
    Transpose16 t;
};

}  // namespace

D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n) {
    return coordArrayInBlocks<16, CoordKernel16>(pOut, outStride, pV, vStride, pM, n);
}

}  // namespace gfxutil::math::avx512

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

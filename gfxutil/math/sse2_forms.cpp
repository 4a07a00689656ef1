// The SSE2 forms. A matrix row becomes two registers of two doubles; the sums are accumulated in
// the portable order (first term, then + second, + third, + fourth), and float inputs widen
// exactly, so every lane rounds exactly as the portable scalar code does. The one exception is
// D3DXVec3TransformCoordArray, which works in float lanes (below).
#include "gfxutil/math/sse2_forms.h"

#include <emmintrin.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "gfxutil/math/coord_blocks.h"
#include "gfxutil/math/matrix_minors.h"
#include "gfxutil/math/rsqrt_table.h"
#include "gfxutil/math/strided.h"

namespace gfxutil::math::sse2 {

namespace {

// A matrix in double lanes: row i is lo[i] = (m[i][0], m[i][1]), hi[i] = (m[i][2], m[i][3]).
struct Rows {
    explicit Rows(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            const __m128 r = _mm_loadu_ps(m.m[i]);
            lo[i] = _mm_cvtps_pd(r);
            hi[i] = _mm_cvtps_pd(_mm_movehl_ps(r, r));
        }
    }
    __m128d lo[4];
    __m128d hi[4];
};

// (x, y, z, w) x M with the terms the flags keep, as two halves of doubles.
template <bool kZ, bool kW, bool kTranslate>
inline void terms(const Rows& r, double x, double y, double z, double w, __m128d& lo, __m128d& hi) {
    const __m128d vx = _mm_set1_pd(x), vy = _mm_set1_pd(y);
    lo = _mm_add_pd(_mm_mul_pd(vx, r.lo[0]), _mm_mul_pd(vy, r.lo[1]));
    hi = _mm_add_pd(_mm_mul_pd(vx, r.hi[0]), _mm_mul_pd(vy, r.hi[1]));
    if constexpr (kZ) {
        const __m128d vz = _mm_set1_pd(z);
        lo = _mm_add_pd(lo, _mm_mul_pd(vz, r.lo[2]));
        hi = _mm_add_pd(hi, _mm_mul_pd(vz, r.hi[2]));
    }
    if constexpr (kW) {
        const __m128d vw = _mm_set1_pd(w);
        lo = _mm_add_pd(lo, _mm_mul_pd(vw, r.lo[3]));
        hi = _mm_add_pd(hi, _mm_mul_pd(vw, r.hi[3]));
    } else if constexpr (kTranslate) {
        lo = _mm_add_pd(lo, r.lo[3]);
        hi = _mm_add_pd(hi, r.hi[3]);
    }
}

inline __m128 toFloats(__m128d lo, __m128d hi) { return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi)); }

inline void store3(void* out, __m128 v) {
    float f[4];
    _mm_storeu_ps(f, v);
    std::memcpy(out, f, 12);
}

// The rounded (x', y', z', w) of a point, divided by w unless w is nearly 1.
inline __m128 coord(const Rows& r, const D3DXVECTOR3& v) {
    __m128d lo, hi;
    terms<true, false, true>(r, v.x, v.y, v.z, 0.0, lo, hi);
    const __m128 t = toFloats(lo, hi);
    const float w = _mm_cvtss_f32(_mm_shuffle_ps(t, t, _MM_SHUFFLE(3, 3, 3, 3)));
    if (!needsDivide(w)) return t;
    const __m128d rw = _mm_set1_pd(1.0 / static_cast<double>(w));
    return toFloats(_mm_mul_pd(_mm_cvtps_pd(t), rw), _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(t, t)), rw));
}

inline __m128 full4(const Rows& r, const float* v) {
    __m128d lo, hi;
    terms<true, true, false>(r, v[0], v[1], v[2], v[3], lo, hi);
    return toFloats(lo, hi);
}

}  // namespace

D3DXVECTOR4* vec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    _mm_storeu_ps(&pOut->x, full4(Rows(*pM), &pV->x));
    return pOut;
}

// The plane's coefficients transform as a four-component vector: the same code serves both.
D3DXPLANE* planeTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pP == nullptr || pM == nullptr) return nullptr;
    _mm_storeu_ps(&pOut->a, full4(Rows(*pM), &pP->a));
    return pOut;
}

D3DXVECTOR4* vec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    __m128d lo, hi;
    terms<true, false, true>(Rows(*pM), pV->x, pV->y, pV->z, 0.0, lo, hi);
    _mm_storeu_ps(&pOut->x, toFloats(lo, hi));
    return pOut;
}

D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    store3(pOut, coord(Rows(*pM), *pV));
    return pOut;
}

D3DXVECTOR3* vec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    __m128d lo, hi;
    terms<true, false, false>(Rows(*pM), pV->x, pV->y, pV->z, 0.0, lo, hi);
    store3(pOut, toFloats(lo, hi));
    return pOut;
}

namespace {

// The four product rows, computed completely before anything is stored: out may be an operand.
inline void product(const D3DXMATRIX& a, const D3DXMATRIX& b, __m128 rows[4]) {
    const Rows rb(b);
    for (int i = 0; i < 4; ++i) {
        __m128d lo, hi;
        terms<true, true, false>(rb, a.m[i][0], a.m[i][1], a.m[i][2], a.m[i][3], lo, hi);
        rows[i] = toFloats(lo, hi);
    }
}

}  // namespace

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    __m128 rows[4];
    product(*pM1, *pM2, rows);
    for (int i = 0; i < 4; ++i) _mm_storeu_ps(pOut->m[i], rows[i]);
    return pOut;
}

D3DXMATRIX* matrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    __m128 rows[4];
    product(*pM1, *pM2, rows);
    _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]);
    for (int i = 0; i < 4; ++i) _mm_storeu_ps(pOut->m[i], rows[i]);
    return pOut;
}

// The table-driven normalisation: the squares in two lanes, the sum in the portable order, the
// table line in double and one product for x and y.
D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    const __m128d xy = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&pV->x))));
    const double z = pV->z;
    const __m128d sq = _mm_mul_pd(xy, xy);
    const double sum = (_mm_cvtsd_f64(sq) + _mm_cvtsd_f64(_mm_unpackhi_pd(sq, sq))) + z * z;
    const float sumF = static_cast<float>(sum);
    if (std::bit_cast<std::uint32_t>(sumF) == 0u) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    if (std::fabs(static_cast<float>(sum - 1.0)) <= kAlreadyUnitSq) {
        if (pOut != pV) *pOut = *pV;
        return pOut;
    }
    const double r = std::isnormal(sumF) ? tableReciprocalSqrt(sumF) : 1.0 / std::sqrt(sum);
    const __m128 outXy = _mm_cvtpd_ps(_mm_mul_pd(xy, _mm_set1_pd(r)));
    _mm_storel_pi(reinterpret_cast<__m64*>(&pOut->x), outXy);
    pOut->z = static_cast<float>(r * z);
    return pOut;
}

namespace {

// Two cofactors of one row at once: sign * ((p1 q1 - p2 q2) + p3 q3), lane by lane.
inline __m128d cofactorPair(__m128d p1, double q1, __m128d p2, double q2, __m128d p3, double q3, __m128d sign) {
    const __m128d v = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(p1, _mm_set1_pd(q1)), _mm_mul_pd(p2, _mm_set1_pd(q2))),
                                 _mm_mul_pd(p3, _mm_set1_pd(q3)));
    return _mm_xor_pd(v, sign);
}

}  // namespace

FLOAT matrixDeterminant(const D3DXMATRIX* pM) {
    if (pM == nullptr) return 0.0f;
    return static_cast<float>(determinantOf(Minors(*pM)));
}

D3DXMATRIX* matrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pM == nullptr) return nullptr;
    const Minors n(*pM);
    const double det = determinantOf(n);
    if (pDeterminant != nullptr) *pDeterminant = static_cast<float>(det);
    if (det == 0.0) return nullptr;
    const __m128d r = _mm_set1_pd(1.0 / det);
    const double (&a)[4][4] = n.a;
    const double (&s)[6] = n.s;
    const double (&c)[6] = n.c;
    // Column pairs (0, 1) take rows 1 and 0 of the input, pairs (2, 3) rows 3 and 2.
    auto col = [&](int top, int k) { return _mm_set_pd(a[top - 1][k], a[top][k]); };
    const __m128d plusMinus = _mm_set_pd(-0.0, 0.0);
    const __m128d minusPlus = _mm_set_pd(0.0, -0.0);
    const __m128d rows[4][2] = {
        {cofactorPair(col(1, 1), c[5], col(1, 2), c[4], col(1, 3), c[3], plusMinus),
         cofactorPair(col(3, 1), s[5], col(3, 2), s[4], col(3, 3), s[3], plusMinus)},
        {cofactorPair(col(1, 0), c[5], col(1, 2), c[2], col(1, 3), c[1], minusPlus),
         cofactorPair(col(3, 0), s[5], col(3, 2), s[2], col(3, 3), s[1], minusPlus)},
        {cofactorPair(col(1, 0), c[4], col(1, 1), c[2], col(1, 3), c[0], plusMinus),
         cofactorPair(col(3, 0), s[4], col(3, 1), s[2], col(3, 3), s[0], plusMinus)},
        {cofactorPair(col(1, 0), c[3], col(1, 1), c[1], col(1, 2), c[0], minusPlus),
         cofactorPair(col(3, 0), s[3], col(3, 1), s[1], col(3, 2), s[0], minusPlus)},
    };
    for (int i = 0; i < 4; ++i) {
        _mm_storeu_ps(pOut->m[i], toFloats(_mm_mul_pd(rows[i][0], r), _mm_mul_pd(rows[i][1], r)));
    }
    return pOut;
}

D3DXPLANE* planeNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    if (pOut == nullptr || pP == nullptr) return nullptr;
    const __m128 p = _mm_loadu_ps(&pP->a);
    const __m128d ab = _mm_cvtps_pd(p);
    const __m128d cd = _mm_cvtps_pd(_mm_movehl_ps(p, p));
    const __m128d sqAb = _mm_mul_pd(ab, ab);
    const double c = _mm_cvtsd_f64(cd);
    const double sum = (_mm_cvtsd_f64(sqAb) + _mm_cvtsd_f64(_mm_unpackhi_pd(sqAb, sqAb))) + c * c;
    const float sumF = static_cast<float>(sum);
    if (std::fabs(sumF - 1.0f) <= kUnitTolerance) {
        if (pOut != pP) *pOut = *pP;
        return pOut;
    }
    if (sumF > kSmallestLengthSq) {
        const __m128d r = _mm_set1_pd(1.0 / std::sqrt(std::isinf(sumF) ? sum : static_cast<double>(sumF)));
        _mm_storeu_ps(&pOut->a, toFloats(_mm_mul_pd(ab, r), _mm_mul_pd(cd, r)));
        return pOut;
    }
    *pOut = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    return pOut;
}

// ---- D3DXVec3TransformCoordArray in float lanes, four points at a time ------------------------
//
// For speed this one array form leaves the double lanes: the transposed points go through float
// products and sums (no fused multiply-add in SSE2) and 1/w is the reciprocal estimate with one
// Newton step. Its results are within a few units in the last place of the portable ones
// (coord_blocks.h), and the renderer does not go through it.

namespace {

struct CoordKernel4 {
    explicit CoordKernel4(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) c[i][j] = _mm_set1_ps(m.m[i][j]);
        }
    }

    bool run(const float* in, float* out) const {
        const __m128 m03 = _mm_loadu_ps(in);
        const __m128 m14 = _mm_loadu_ps(in + 4);
        const __m128 m25 = _mm_loadu_ps(in + 8);
        const __m128 xy = _mm_shuffle_ps(m14, m25, _MM_SHUFFLE(2, 1, 3, 2));
        const __m128 yz = _mm_shuffle_ps(m03, m14, _MM_SHUFFLE(1, 0, 2, 1));
        const __m128 x = _mm_shuffle_ps(m03, xy, _MM_SHUFFLE(2, 0, 3, 0));
        const __m128 y = _mm_shuffle_ps(yz, xy, _MM_SHUFFLE(3, 1, 2, 0));
        const __m128 z = _mm_shuffle_ps(yz, m25, _MM_SHUFFLE(3, 0, 3, 1));

        __m128 t[4];
        for (int j = 0; j < 4; ++j) {
            t[j] = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, c[0][j]), _mm_mul_ps(y, c[1][j])),
                                         _mm_mul_ps(z, c[2][j])),
                              c[3][j]);
        }
        const __m128 one = _mm_set1_ps(1.0f);
        const __m128 w = t[3];
        const __m128 e = _mm_rcp_ps(w);
        const __m128 rw = _mm_mul_ps(e, _mm_sub_ps(_mm_set1_ps(2.0f), _mm_mul_ps(w, e)));
        const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 nearOne = _mm_cmple_ps(_mm_and_ps(_mm_sub_ps(w, one), absMask), _mm_set1_ps(kUnitTolerance));
        const __m128 scale = _mm_or_ps(_mm_and_ps(nearOne, one), _mm_andnot_ps(nearOne, rw));
        const __m128 rx = _mm_mul_ps(t[0], scale);
        const __m128 ry = _mm_mul_ps(t[1], scale);
        const __m128 rz = _mm_mul_ps(t[2], scale);

        const __m128 inf = _mm_set1_ps(__builtin_inff());
        const __m128 finite = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(_mm_and_ps(rx, absMask), inf),
                                                    _mm_cmplt_ps(_mm_and_ps(ry, absMask), inf)),
                                         _mm_cmplt_ps(_mm_and_ps(rz, absMask), inf));
        if (_mm_movemask_ps(finite) != 0xF) return false;

        const __m128 rxy = _mm_shuffle_ps(rx, ry, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 ryz = _mm_shuffle_ps(ry, rz, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 rzx = _mm_shuffle_ps(rz, rx, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_ps(out, _mm_shuffle_ps(rxy, rzx, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(out + 4, _mm_shuffle_ps(ryz, rxy, _MM_SHUFFLE(3, 1, 2, 0)));
        _mm_storeu_ps(out + 8, _mm_shuffle_ps(rzx, ryz, _MM_SHUFFLE(3, 1, 3, 1)));
        return true;
    }

    __m128 c[4][4];
};

}  // namespace

// ---- arrays: the matrix is widened once, then every element as its single form -------------

D3DXVECTOR4* vec3TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                const D3DXMATRIX* pM, UINT n) {
    if (pM == nullptr) return nullptr;
    const Rows r(*pM);
    return transformArray(pOut, outStride, pV, vStride, pM, n, [&r](D3DXVECTOR4* o, const D3DXVECTOR3* v) {
        __m128d lo, hi;
        terms<true, false, true>(r, v->x, v->y, v->z, 0.0, lo, hi);
        _mm_storeu_ps(&o->x, toFloats(lo, hi));
    });
}

D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n) {
    return coordArrayInBlocks<4, CoordKernel4>(pOut, outStride, pV, vStride, pM, n);
}

D3DXVECTOR3* vec3TransformNormalArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                      const D3DXMATRIX* pM, UINT n) {
    if (pM == nullptr) return nullptr;
    const Rows r(*pM);
    return transformArray(pOut, outStride, pV, vStride, pM, n, [&r](D3DXVECTOR3* o, const D3DXVECTOR3* v) {
        __m128d lo, hi;
        terms<true, false, false>(r, v->x, v->y, v->z, 0.0, lo, hi);
        store3(o, toFloats(lo, hi));
    });
}

D3DXVECTOR4* vec4TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR4* pV, UINT vStride,
                                const D3DXMATRIX* pM, UINT n) {
    if (pM == nullptr) return nullptr;
    const Rows r(*pM);
    return transformArray(pOut, outStride, pV, vStride, pM, n,
                          [&r](D3DXVECTOR4* o, const D3DXVECTOR4* v) { _mm_storeu_ps(&o->x, full4(r, &v->x)); });
}

D3DXPLANE* planeTransformArray(D3DXPLANE* pOut, UINT outStride, const D3DXPLANE* pP, UINT pStride,
                               const D3DXMATRIX* pM, UINT n) {
    if (pM == nullptr) return nullptr;
    const Rows r(*pM);
    return transformArray(pOut, outStride, pP, pStride, pM, n,
                          [&r](D3DXPLANE* o, const D3DXPLANE* p) { _mm_storeu_ps(&o->a, full4(r, &p->a)); });
}

}  // namespace gfxutil::math::sse2

// Interpolation of vectors (Hermite, Catmull-Rom, barycentric) and the four-dimensional cross
// product. Each component is a weighted sum in double precision, rounded once.
#include <cstring>

#include "gfxutil/math/portable.h"

namespace gfxutil::math::portable {

namespace {

template <class V>
constexpr int kComponents = static_cast<int>(sizeof(V) / sizeof(float));

// out = sum of weights[k] * points[k], component by component; inputs are read before the output
// is written, so the output may be any input.
template <class V, int N>
V* weightedSum(V* pOut, const V* const (&points)[N], const double (&weights)[N]) {
    float in[N][4];
    for (int k = 0; k < N; ++k) std::memcpy(in[k], points[k], sizeof(V));
    float out[4];
    for (int i = 0; i < kComponents<V>; ++i) {
        double sum = 0.0;
        for (int k = 0; k < N; ++k) sum += weights[k] * in[k][i];
        out[i] = static_cast<float>(sum);
    }
    std::memcpy(pOut, out, sizeof(V));
    return pOut;
}

template <class V>
V* hermite(V* pOut, const V* pV1, const V* pT1, const V* pV2, const V* pT2, FLOAT s) {
    if (pOut == nullptr || pV1 == nullptr || pT1 == nullptr || pV2 == nullptr || pT2 == nullptr) return nullptr;
    const double s1 = s, s2 = s1 * s1, s3 = s2 * s1;
    const double w[4] = {2.0 * s3 - 3.0 * s2 + 1.0, s3 - 2.0 * s2 + s1, -2.0 * s3 + 3.0 * s2, s3 - s2};
    const V* const p[4] = {pV1, pT1, pV2, pT2};
    return weightedSum(pOut, p, w);
}

template <class V>
V* catmullRom(V* pOut, const V* pV0, const V* pV1, const V* pV2, const V* pV3, FLOAT s) {
    if (pOut == nullptr || pV0 == nullptr || pV1 == nullptr || pV2 == nullptr || pV3 == nullptr) return nullptr;
    const double s1 = s, s2 = s1 * s1, s3 = s2 * s1;
    const double w[4] = {0.5 * (-s3 + 2.0 * s2 - s1), 0.5 * (3.0 * s3 - 5.0 * s2 + 2.0),
                         0.5 * (-3.0 * s3 + 4.0 * s2 + s1), 0.5 * (s3 - s2)};
    const V* const p[4] = {pV0, pV1, pV2, pV3};
    return weightedSum(pOut, p, w);
}

// v1 + f (v2 - v1) + g (v3 - v1).
template <class V>
V* baryCentric(V* pOut, const V* pV1, const V* pV2, const V* pV3, FLOAT f, FLOAT g) {
    if (pOut == nullptr || pV1 == nullptr || pV2 == nullptr || pV3 == nullptr) return nullptr;
    const double w[3] = {1.0 - static_cast<double>(f) - g, f, g};
    const V* const p[3] = {pV1, pV2, pV3};
    return weightedSum(pOut, p, w);
}

}  // namespace

D3DXVECTOR2* vec2Hermite(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b, const D3DXVECTOR2* c,
                         const D3DXVECTOR2* d, FLOAT s) { return hermite(o, a, b, c, d, s); }
D3DXVECTOR3* vec3Hermite(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                         const D3DXVECTOR3* d, FLOAT s) { return hermite(o, a, b, c, d, s); }
D3DXVECTOR4* vec4Hermite(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b, const D3DXVECTOR4* c,
                         const D3DXVECTOR4* d, FLOAT s) { return hermite(o, a, b, c, d, s); }
D3DXVECTOR2* vec2CatmullRom(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b, const D3DXVECTOR2* c,
                            const D3DXVECTOR2* d, FLOAT s) { return catmullRom(o, a, b, c, d, s); }
D3DXVECTOR3* vec3CatmullRom(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                            const D3DXVECTOR3* d, FLOAT s) { return catmullRom(o, a, b, c, d, s); }
D3DXVECTOR4* vec4CatmullRom(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b, const D3DXVECTOR4* c,
                            const D3DXVECTOR4* d, FLOAT s) { return catmullRom(o, a, b, c, d, s); }
D3DXVECTOR2* vec2BaryCentric(D3DXVECTOR2* o, const D3DXVECTOR2* a, const D3DXVECTOR2* b, const D3DXVECTOR2* c,
                             FLOAT f, FLOAT g) { return baryCentric(o, a, b, c, f, g); }
D3DXVECTOR3* vec3BaryCentric(D3DXVECTOR3* o, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                             FLOAT f, FLOAT g) { return baryCentric(o, a, b, c, f, g); }
D3DXVECTOR4* vec4BaryCentric(D3DXVECTOR4* o, const D3DXVECTOR4* a, const D3DXVECTOR4* b, const D3DXVECTOR4* c,
                             FLOAT f, FLOAT g) { return baryCentric(o, a, b, c, f, g); }

// The vector orthogonal to the three given, by cofactor expansion of the 4 x 4 determinant whose
// first row holds the unit vectors.
D3DXVECTOR4* vec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3) {
    if (pOut == nullptr || pV1 == nullptr || pV2 == nullptr || pV3 == nullptr) return nullptr;
    const double ux = pV1->x, uy = pV1->y, uz = pV1->z, uw = pV1->w;
    const double vx = pV2->x, vy = pV2->y, vz = pV2->z, vw = pV2->w;
    const double wx = pV3->x, wy = pV3->y, wz = pV3->z, ww = pV3->w;
    const double zw = vz * ww - wz * vw, yw = vy * ww - wy * vw, yz = vy * wz - wy * vz;
    const double xw = vx * ww - wx * vw, xz = vx * wz - wx * vz, xy = vx * wy - wx * vy;
    *pOut = D3DXVECTOR4(static_cast<float>(uy * zw - uz * yw + uw * yz), static_cast<float>(-(ux * zw - uz * xw + uw * xz)),
                        static_cast<float>(ux * yw - uy * xw + uw * xy), static_cast<float>(-(ux * yz - uy * xz + uz * xy)));
    return pOut;
}

}  // namespace gfxutil::math::portable

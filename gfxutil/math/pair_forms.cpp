// Forms in two-lane registers, the shape of 3DNow!'s 64-bit registers, written with the compiler's
// generic vectors. A row of a matrix is two pairs; the sums run in the portable order in double
// lanes, so the results are the portable bits.
#include <cstring>

#include "gfxutil/math/sse2_forms.h"
#include "gfxutil/math/vector_terms.h"

namespace gfxutil::math::pairs {

namespace {

using Pair = double __attribute__((vector_size(16)));

struct PairRows {
    explicit PairRows(const D3DXMATRIX& m) {
        for (int i = 0; i < 4; ++i) {
            lo[i] = Pair{m.m[i][0], m.m[i][1]};
            hi[i] = Pair{m.m[i][2], m.m[i][3]};
        }
    }
    Pair lo[4];
    Pair hi[4];
};

void full4(const PairRows& r, const float* v, float* out) {
    const double x = v[0], y = v[1], z = v[2], w = v[3];
    const Pair lo = x * r.lo[0] + y * r.lo[1] + z * r.lo[2] + w * r.lo[3];
    const Pair hi = x * r.hi[0] + y * r.hi[1] + z * r.hi[2] + w * r.hi[3];
    const float result[4] = {static_cast<float>(lo[0]), static_cast<float>(lo[1]), static_cast<float>(hi[0]),
                             static_cast<float>(hi[1])};
    std::memcpy(out, result, sizeof result);
}

}  // namespace

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    const PairRows b(*pM2);
    D3DXMATRIX product;  // out may be an operand
    for (int i = 0; i < 4; ++i) full4(b, pM1->m[i], product.m[i]);
    *pOut = product;
    return pOut;
}

D3DXVECTOR4* vec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    full4(PairRows(*pM), &pV->x, &pOut->x);
    return pOut;
}

D3DXPLANE* planeTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pP == nullptr || pM == nullptr) return nullptr;
    full4(PairRows(*pM), &pP->a, &pOut->a);
    return pOut;
}

D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const PairRows r(*pM);
    const double x = pV->x, y = pV->y, z = pV->z;
    const Pair lo = x * r.lo[0] + y * r.lo[1] + z * r.lo[2] + r.lo[3];
    const Pair hi = x * r.hi[0] + y * r.hi[1] + z * r.hi[2] + r.hi[3];
    // Rounded, and pinned so that the divide below starts from the rounded values.
    const float t[4] = {pinned(static_cast<float>(lo[0])), pinned(static_cast<float>(lo[1])),
                        pinned(static_cast<float>(hi[0])), static_cast<float>(hi[1])};
    if (!needsDivide(t[3])) {
        *pOut = D3DXVECTOR3(t[0], t[1], t[2]);
        return pOut;
    }
    const double rw = 1.0 / static_cast<double>(t[3]);
    const Pair xy = Pair{t[0], t[1]} * rw;
    *pOut = D3DXVECTOR3(static_cast<float>(xy[0]), static_cast<float>(xy[1]), static_cast<float>(t[2] * rw));
    return pOut;
}

}  // namespace gfxutil::math::pairs

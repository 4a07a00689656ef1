// Single vectors times a matrix: the full transforms (to four components), the point transforms
// with the perspective divide ("Coord") and the direction transforms without translation
// ("Normal"), and D3DXPlaneTransform, which is the four-component transform of the plane's
// coefficients (the matrix given is the inverse transpose of the one that moves the points).
//
// Missing components are absent terms, not zero terms: a two-component vector is (x, y, 0, 1)
// but 0 * _31 is never added, so an infinite _31 does not turn the result into NaN. The sums run
// over the terms in row order, in double precision; every input is read before the output is
// written, so the output may be the input.
#include "gfxutil/math/portable.h"
#include "gfxutil/math/vector_terms.h"

namespace gfxutil::math::portable {

D3DXVECTOR4* vec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = pointTerms(pV->x, pV->y, *pM);
    *pOut = D3DXVECTOR4(t.f(0), t.f(1), t.f(2), t.f(3));
    return pOut;
}

D3DXVECTOR4* vec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = pointTerms(pV->x, pV->y, pV->z, *pM);
    *pOut = D3DXVECTOR4(t.f(0), t.f(1), t.f(2), t.f(3));
    return pOut;
}

D3DXVECTOR4* vec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = vectorTerms(pV->x, pV->y, pV->z, pV->w, *pM);
    *pOut = D3DXVECTOR4(t.f(0), t.f(1), t.f(2), t.f(3));
    return pOut;
}

D3DXPLANE* planeTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pP == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = vectorTerms(pP->a, pP->b, pP->c, pP->d, *pM);
    *pOut = D3DXPLANE(t.f(0), t.f(1), t.f(2), t.f(3));
    return pOut;
}

D3DXVECTOR2* vec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = directionTerms(pV->x, pV->y, *pM);
    *pOut = D3DXVECTOR2(t.f(0), t.f(1));
    return pOut;
}

D3DXVECTOR3* vec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    const Terms4 t = directionTerms(pV->x, pV->y, pV->z, *pM);
    *pOut = D3DXVECTOR3(t.f(0), t.f(1), t.f(2));
    return pOut;
}

D3DXVECTOR2* vec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    float c[3];
    divideByW(pointTerms(pV->x, pV->y, *pM), c);
    *pOut = D3DXVECTOR2(c[0], c[1]);
    return pOut;
}

D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    float c[3];
    divideByW(pointTerms(pV->x, pV->y, pV->z, *pM), c);
    *pOut = D3DXVECTOR3(c[0], c[1], c[2]);
    return pOut;
}

}  // namespace gfxutil::math::portable

// Planes: normalisation, construction from points or from a point and a normal, and the
// intersection with a line.
#include <cmath>

#include "gfxutil/math/portable.h"

namespace gfxutil::math::portable {

D3DXPLANE* planeNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    if (pOut == nullptr || pP == nullptr) return nullptr;
    const double a = pP->a;
    const double b = pP->b;
    const double c = pP->c;
    const double d = pP->d;
    const double sum = a * a + b * b + c * c;
    const float sumF = static_cast<float>(sum);

    if (std::fabs(sumF - 1.0f) <= kUnitTolerance) {
        if (pOut != pP) *pOut = *pP;
        return pOut;
    }
    if (sumF > kSmallestLengthSq) {
        // The single-precision sum overflows for normals longer than about 1.8e19; the double
        // sum does not, and gives the plane its proper scale instead of zero.
        const double r = 1.0 / std::sqrt(std::isinf(sumF) ? sum : static_cast<double>(sumF));
        *pOut = D3DXPLANE(static_cast<float>(r * a), static_cast<float>(r * b), static_cast<float>(r * c),
                          static_cast<float>(r * d));
        return pOut;
    }
    *pOut = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    return pOut;
}

D3DXPLANE* planeFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                           const D3DXVECTOR3* pV3) {
    if (pOut == nullptr || pV1 == nullptr || pV2 == nullptr || pV3 == nullptr) return nullptr;
    const D3DXVECTOR3 p1 = *pV1;  // the output may overlap an input point
    const double ux = static_cast<double>(p1.x) - pV2->x;
    const double uy = static_cast<double>(p1.y) - pV2->y;
    const double uz = static_cast<double>(p1.z) - pV2->z;
    const double wx = static_cast<double>(p1.x) - pV3->x;
    const double wy = static_cast<double>(p1.y) - pV3->y;
    const double wz = static_cast<double>(p1.z) - pV3->z;
    D3DXVECTOR3 normal(static_cast<float>(uy * wz - uz * wy), static_cast<float>(uz * wx - ux * wz),
                       static_cast<float>(ux * wy - uy * wx));
    D3DXVec3Normalize(&normal, &normal);
    pOut->a = normal.x;
    pOut->b = normal.y;
    pOut->c = normal.z;
    pOut->d = static_cast<float>(-(static_cast<double>(normal.x) * p1.x + static_cast<double>(normal.y) * p1.y +
                                   static_cast<double>(normal.z) * p1.z));
    return pOut;
}

D3DXPLANE* planeFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal) {
    if (pOut == nullptr || pPoint == nullptr || pNormal == nullptr) return nullptr;
    const D3DXVECTOR3 n = *pNormal;
    const double d = -(static_cast<double>(n.x) * pPoint->x + static_cast<double>(n.y) * pPoint->y +
                       static_cast<double>(n.z) * pPoint->z);
    *pOut = D3DXPLANE(n.x, n.y, n.z, static_cast<float>(d));
    return pOut;
}

// The point where the line through v1 and v2 meets the plane; null when the line is parallel to
// the plane (or lies in it).
D3DXVECTOR3* planeIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2) {
    if (pOut == nullptr || pP == nullptr || pV1 == nullptr || pV2 == nullptr) return nullptr;
    const double a = pP->a, b = pP->b, c = pP->c, d = pP->d;
    const double x1 = pV1->x, y1 = pV1->y, z1 = pV1->z;
    const double dx = static_cast<double>(pV2->x) - x1, dy = static_cast<double>(pV2->y) - y1,
                 dz = static_cast<double>(pV2->z) - z1;
    const double denominator = a * dx + b * dy + c * dz;
    if (denominator == 0.0) return nullptr;
    const double t = -(a * x1 + b * y1 + c * z1 + d) / denominator;
    *pOut = D3DXVECTOR3(static_cast<float>(x1 + t * dx), static_cast<float>(y1 + t * dy), static_cast<float>(z1 + t * dz));
    return pOut;
}

}  // namespace gfxutil::math::portable

// Matrix construction and products: identity, products, translation, scaling, rotations,
// transpose, reflection and shadow.
#include <cmath>

#include "gfxutil/math/portable.h"

namespace {

constexpr D3DXMATRIX kIdentity(1.0f, 0.0f, 0.0f, 0.0f,
                               0.0f, 1.0f, 0.0f, 0.0f,
                               0.0f, 0.0f, 1.0f, 0.0f,
                               0.0f, 0.0f, 0.0f, 1.0f);

float productElement(const D3DXMATRIX& a, const D3DXMATRIX& b, int i, int j) {
    const double sum = static_cast<double>(a.m[i][0]) * b.m[0][j] + static_cast<double>(a.m[i][1]) * b.m[1][j] +
                       static_cast<double>(a.m[i][2]) * b.m[2][j] + static_cast<double>(a.m[i][3]) * b.m[3][j];
    return static_cast<float>(sum);
}

// sin and cos of an angle, each rounded to float.
struct SinCos {
    float s;
    float c;
};
SinCos sinCos(FLOAT angle) {
    return SinCos{static_cast<float>(std::sin(static_cast<double>(angle))),
                  static_cast<float>(std::cos(static_cast<double>(angle)))};
}

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    if (pOut == nullptr) return nullptr;
    *pOut = kIdentity;
    return pOut;
}

namespace gfxutil::math::fast {

// The output is written element by element as the sums are formed; only when it is one of the
// operands does the product go through a temporary.
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    if (pOut == pM1 || pOut == pM2) return portable::matrixMultiply(pOut, pM1, pM2);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) pOut->m[i][j] = productElement(*pM1, *pM2, i, j);
    }
    return pOut;
}

}  // namespace gfxutil::math::fast

namespace gfxutil::math::portable {

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    // The whole product is formed before the output is touched: the output may be either
    // operand, or both.
    D3DXMATRIX product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) product.m[i][j] = productElement(*pM1, *pM2, i, j);
    }
    *pOut = product;
    return pOut;
}

D3DXMATRIX* matrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    D3DXMATRIX product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) product.m[j][i] = productElement(*pM1, *pM2, i, j);
    }
    *pOut = product;
    return pOut;
}

D3DXMATRIX* matrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pM == nullptr) return nullptr;
    D3DXMATRIX t;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) t.m[j][i] = pM->m[i][j];
    }
    *pOut = t;
    return pOut;
}

D3DXMATRIX* matrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    if (pOut == nullptr) return nullptr;
    *pOut = kIdentity;
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* matrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    if (pOut == nullptr) return nullptr;
    *pOut = kIdentity;
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

// Left-handed rotations: looking along the axis towards the origin, positive angles turn
// clockwise. For row vectors, RotationX takes y towards z, RotationY z towards x, RotationZ x
// towards y.
D3DXMATRIX* matrixRotationX(D3DXMATRIX* pOut, FLOAT angle) {
    if (pOut == nullptr) return nullptr;
    const SinCos sc = sinCos(angle);
    *pOut = kIdentity;
    pOut->_22 = sc.c;
    pOut->_23 = sc.s;
    pOut->_32 = -sc.s;
    pOut->_33 = sc.c;
    return pOut;
}

D3DXMATRIX* matrixRotationY(D3DXMATRIX* pOut, FLOAT angle) {
    if (pOut == nullptr) return nullptr;
    const SinCos sc = sinCos(angle);
    *pOut = kIdentity;
    pOut->_11 = sc.c;
    pOut->_13 = -sc.s;
    pOut->_31 = sc.s;
    pOut->_33 = sc.c;
    return pOut;
}

D3DXMATRIX* matrixRotationZ(D3DXMATRIX* pOut, FLOAT angle) {
    if (pOut == nullptr) return nullptr;
    const SinCos sc = sinCos(angle);
    *pOut = kIdentity;
    pOut->_11 = sc.c;
    pOut->_12 = sc.s;
    pOut->_21 = -sc.s;
    pOut->_22 = sc.c;
    return pOut;
}

// The axis is normalised first; a zero axis gives the identity's rotation part scaled by cos.
D3DXMATRIX* matrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT angle) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pV);
    const SinCos sc = sinCos(angle);
    const double x = v.x, y = v.y, z = v.z, s = sc.s, c = sc.c, k = 1.0 - c;
    auto f = [](double e) { return static_cast<float>(e); };
    *pOut = D3DXMATRIX(f(k * x * x + c), f(k * x * y + s * z), f(k * x * z - s * y), 0.0f,
                       f(k * x * y - s * z), f(k * y * y + c), f(k * y * z + s * x), 0.0f,
                       f(k * x * z + s * y), f(k * y * z - s * x), f(k * z * z + c), 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

// The rotation of a unit quaternion; a quaternion that is not unit also scales.
D3DXMATRIX* matrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    if (pOut == nullptr || pQ == nullptr) return nullptr;
    const double x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    auto f = [](double e) { return static_cast<float>(e); };
    *pOut = D3DXMATRIX(f(1.0 - 2.0 * (y * y + z * z)), f(2.0 * (x * y + z * w)), f(2.0 * (x * z - y * w)), 0.0f,
                       f(2.0 * (x * y - z * w)), f(1.0 - 2.0 * (x * x + z * z)), f(2.0 * (y * z + x * w)), 0.0f,
                       f(2.0 * (x * z + y * w)), f(2.0 * (y * z - x * w)), f(1.0 - 2.0 * (x * x + y * y)), 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

// Roll about z first, then pitch about x, then yaw about y.
D3DXMATRIX* matrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll) {
    if (pOut == nullptr) return nullptr;
    D3DXMATRIX r, p, y;
    matrixRotationZ(&r, roll);
    matrixRotationX(&p, pitch);
    matrixRotationY(&y, yaw);
    D3DXMatrixMultiply(pOut, &r, &p);
    D3DXMatrixMultiply(pOut, pOut, &y);
    return pOut;
}

D3DXMATRIX* matrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    if (pOut == nullptr || pPlane == nullptr) return nullptr;
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const double a = p.a, b = p.b, c = p.c, d = p.d;
    const double e = -2.0 * a, f = -2.0 * b, g = -2.0 * c;
    auto s = [](double v) { return static_cast<float>(v); };
    *pOut = D3DXMATRIX(s(e * a + 1.0), s(f * a), s(g * a), 0.0f,
                       s(e * b), s(f * b + 1.0), s(g * b), 0.0f,
                       s(e * c), s(f * c), s(g * c + 1.0), 0.0f,
                       s(e * d), s(f * d), s(g * d), 1.0f);
    return pOut;
}

// Flattens geometry onto the plane as seen from the light (w = 0: a direction, w = 1: a point):
// with the plane normalised and dot = plane . light, element [i][j] is dot on the diagonal minus
// plane[i] * light[j].
D3DXMATRIX* matrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane) {
    if (pOut == nullptr || pLight == nullptr || pPlane == nullptr) return nullptr;
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const double plane[4] = {p.a, p.b, p.c, p.d};
    const double light[4] = {pLight->x, pLight->y, pLight->z, pLight->w};
    const double dot = plane[0] * light[0] + plane[1] * light[1] + plane[2] * light[2] + plane[3] * light[3];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            pOut->m[i][j] = static_cast<float>((i == j ? dot : 0.0) - plane[i] * light[j]);
        }
    }
    return pOut;
}

}  // namespace gfxutil::math::portable

// Matrix construction and product: D3DXMatrixIdentity, D3DXMatrixMultiply, D3DXMatrixTranslation,
// D3DXMatrixReflect.
#include "gfxutil/math/portable.h"

namespace {

constexpr D3DXMATRIX kIdentity(1.0f, 0.0f, 0.0f, 0.0f,
                               0.0f, 1.0f, 0.0f, 0.0f,
                               0.0f, 0.0f, 1.0f, 0.0f,
                               0.0f, 0.0f, 0.0f, 1.0f);

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    if (pOut == nullptr) return nullptr;
    *pOut = kIdentity;
    return pOut;
}

namespace gfxutil::math::portable {

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr) return nullptr;
    const D3DXMATRIX& a = *pM1;
    const D3DXMATRIX& b = *pM2;
    // The whole product is formed before the output is touched: the output may be either
    // operand, or both.
    D3DXMATRIX product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double sum = static_cast<double>(a.m[i][0]) * b.m[0][j] +
                               static_cast<double>(a.m[i][1]) * b.m[1][j] +
                               static_cast<double>(a.m[i][2]) * b.m[2][j] +
                               static_cast<double>(a.m[i][3]) * b.m[3][j];
            product.m[i][j] = static_cast<float>(sum);
        }
    }
    *pOut = product;
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

D3DXMATRIX* matrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    if (pOut == nullptr || pPlane == nullptr) return nullptr;
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const double a = p.a;
    const double b = p.b;
    const double c = p.c;
    const double d = p.d;
    const double e = -2.0 * a;
    const double f = -2.0 * b;
    const double g = -2.0 * c;
    auto s = [](double v) { return static_cast<float>(v); };
    *pOut = D3DXMATRIX(s(e * a + 1.0), s(f * a), s(g * a), 0.0f,
                       s(e * b), s(f * b + 1.0), s(g * b), 0.0f,
                       s(e * c), s(f * c), s(g * c + 1.0), 0.0f,
                       s(e * d), s(f * d), s(g * d), 1.0f);
    return pOut;
}

}  // namespace gfxutil::math::portable

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    return gfxutil::math::portable::matrixMultiply(pOut, pM1, pM2);
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    return gfxutil::math::portable::matrixTranslation(pOut, x, y, z);
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane) {
    return gfxutil::math::portable::matrixReflect(pOut, pPlane);
}

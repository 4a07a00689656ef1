// The left-handed camera matrices: D3DXMatrixLookAtLH and D3DXMatrixPerspectiveFovLH. They are
// called once per size event, so they are plain functions, never dispatched.
#include <cmath>

#include "gfxutil/math/math_types.h"

namespace {

D3DXVECTOR3 cross(const D3DXVECTOR3& u, const D3DXVECTOR3& w) {
    const double ux = u.x, uy = u.y, uz = u.z;
    const double wx = w.x, wy = w.y, wz = w.z;
    return D3DXVECTOR3(static_cast<float>(uy * wz - uz * wy), static_cast<float>(uz * wx - ux * wz),
                       static_cast<float>(ux * wy - uy * wx));
}

float dot(const D3DXVECTOR3& u, const D3DXVECTOR3& w) {
    return static_cast<float>(static_cast<double>(u.x) * w.x + static_cast<double>(u.y) * w.y +
                              static_cast<double>(u.z) * w.z);
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    if (pOut == nullptr || pEye == nullptr || pAt == nullptr || pUp == nullptr) return nullptr;
    const D3DXVECTOR3 eye = *pEye;
    D3DXVECTOR3 zAxis = *pAt - eye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis = cross(*pUp, zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    const D3DXVECTOR3 yAxis = cross(zAxis, xAxis);
    *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f,
                       xAxis.y, yAxis.y, zAxis.y, 0.0f,
                       xAxis.z, yAxis.z, zAxis.z, 0.0f,
                       -dot(xAxis, eye), -dot(yAxis, eye), -dot(zAxis, eye), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
    if (pOut == nullptr) return nullptr;
    const float depth = zf - zn;
    if (fovy == 0.0f || aspect == 0.0f || depth == 0.0f) return nullptr;
    const float half = fovy * 0.5f;
    const float cosHalf = static_cast<float>(std::cos(static_cast<double>(half)));
    const float sinHalf = static_cast<float>(std::sin(static_cast<double>(half)));
    const float yScale = static_cast<float>(static_cast<double>(cosHalf) / sinHalf);
    *pOut = D3DXMATRIX(static_cast<float>(static_cast<double>(yScale) / aspect), 0.0f, 0.0f, 0.0f,
                       0.0f, yScale, 0.0f, 0.0f,
                       0.0f, 0.0f, static_cast<float>(static_cast<double>(zf) / depth), 1.0f,
                       0.0f, 0.0f, static_cast<float>(-static_cast<double>(zn) * zf / depth), 0.0f);
    return pOut;
}

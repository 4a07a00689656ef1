// Point transforms with the perspective divide: D3DXVec3TransformCoord and its array form.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "gfxutil/math/portable.h"

namespace gfxutil::math::portable {

namespace {

// Reads the whole input before writing, so the output may be the input.
void transformOne(D3DXVECTOR3& out, const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    const float tx = static_cast<float>(x * m._11 + y * m._21 + z * m._31 + m._41);
    const float ty = static_cast<float>(x * m._12 + y * m._22 + z * m._32 + m._42);
    const float tz = static_cast<float>(x * m._13 + y * m._23 + z * m._33 + m._43);
    const float w = static_cast<float>(x * m._14 + y * m._24 + z * m._34 + m._44);
    // An affine matrix (fourth column 0, 0, 0, 1) needs no divide; skipping it keeps such
    // transforms exact.
    if (std::fabs(w - 1.0f) <= kUnitTolerance) {
        out = D3DXVECTOR3(tx, ty, tz);
        return;
    }
    const double rw = 1.0 / static_cast<double>(w);
    out = D3DXVECTOR3(static_cast<float>(tx * rw), static_cast<float>(ty * rw), static_cast<float>(tz * rw));
}

constexpr UINT kMinStride = sizeof(D3DXVECTOR3);

}  // namespace

D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    transformOne(*pOut, *pV, *pM);
    return pOut;
}

D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                     UINT vStride, const D3DXMATRIX* pM, UINT n) {
    if (pOut == nullptr || pV == nullptr || pM == nullptr) return nullptr;
    if (n == 0 || outStride < kMinStride || vStride < kMinStride) return nullptr;
    const D3DXMATRIX m = *pM;  // the matrix may live inside the output array
    auto* outBytes = reinterpret_cast<unsigned char*>(pOut);
    const auto* inBytes = reinterpret_cast<const unsigned char*>(pV);
    for (UINT k = 0; k < n; ++k) {
        // Strides need not be multiples of the vector's alignment, so elements are copied
        // through locals rather than dereferenced in place.
        D3DXVECTOR3 v;
        std::memcpy(&v, inBytes + static_cast<std::size_t>(k) * vStride, sizeof v);
        D3DXVECTOR3 out;
        transformOne(out, v, m);
        std::memcpy(outBytes + static_cast<std::size_t>(k) * outStride, &out, sizeof out);
    }
    return pOut;
}

}  // namespace gfxutil::math::portable

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    return gfxutil::math::portable::vec3TransformCoord(pOut, pV, pM);
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                         UINT vStride, const D3DXMATRIX* pM, UINT n) {
    return gfxutil::math::portable::vec3TransformCoordArray(pOut, outStride, pV, vStride, pM, n);
}

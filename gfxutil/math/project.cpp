// Projection of object-space points to the viewport and back. The world, view and projection
// matrices and the viewport are each optional; a missing one is left out of the chain.
#include "gfxutil/math/strided.h"
#include "platform/d3d9/d3d9.h"

namespace gfxutil::math::portable {

namespace {

// world x view x projection, with the missing ones left out.
D3DXMATRIX chain(const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (pWorld != nullptr) m = *pWorld;
    if (pView != nullptr) D3DXMatrixMultiply(&m, &m, pView);
    if (pProjection != nullptr) D3DXMatrixMultiply(&m, &m, pProjection);
    return m;
}

void toViewport(D3DXVECTOR3& v, const D3DVIEWPORT9* vp) {
    if (vp == nullptr) return;
    v.x = static_cast<float>(vp->X + (1.0 + v.x) * vp->Width * 0.5);
    v.y = static_cast<float>(vp->Y + (1.0 - v.y) * vp->Height * 0.5);
    v.z = static_cast<float>(vp->MinZ + static_cast<double>(v.z) * (static_cast<double>(vp->MaxZ) - vp->MinZ));
}

void fromViewport(D3DXVECTOR3& v, const D3DVIEWPORT9* vp) {
    if (vp == nullptr) return;
    v.x = static_cast<float>((static_cast<double>(v.x) - vp->X) * 2.0 / vp->Width - 1.0);
    v.y = static_cast<float>(1.0 - (static_cast<double>(v.y) - vp->Y) * 2.0 / vp->Height);
    v.z = static_cast<float>((static_cast<double>(v.z) - vp->MinZ) / (static_cast<double>(vp->MaxZ) - vp->MinZ));
}

}  // namespace

D3DXVECTOR3* vec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                         const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    const D3DXMATRIX m = chain(pProjection, pView, pWorld);
    D3DXVECTOR3 v;
    D3DXVec3TransformCoord(&v, pV, &m);
    toViewport(v, pViewport);
    *pOut = v;
    return pOut;
}

// Null when the chain of matrices cannot be inverted.
D3DXVECTOR3* vec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                           const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    D3DXMATRIX m = chain(pProjection, pView, pWorld);
    if (D3DXMatrixInverse(&m, nullptr, &m) == nullptr) return nullptr;
    D3DXVECTOR3 v = *pV;
    fromViewport(v, pViewport);
    D3DXVec3TransformCoord(pOut, &v, &m);
    return pOut;
}

D3DXVECTOR3* vec3ProjectArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                              const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                              const D3DXMATRIX* pWorld, UINT n) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    const D3DXMATRIX m = chain(pProjection, pView, pWorld);
    const D3DVIEWPORT9 vp = pViewport != nullptr ? *pViewport : D3DVIEWPORT9{};
    const D3DVIEWPORT9* pVp = pViewport != nullptr ? &vp : nullptr;
    return transformArray(pOut, outStride, pV, vStride, &m, n, [&](D3DXVECTOR3* o, const D3DXVECTOR3* v) {
        D3DXVec3TransformCoord(o, v, &m);
        toViewport(*o, pVp);
    });
}

D3DXVECTOR3* vec3UnprojectArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                const D3DXMATRIX* pWorld, UINT n) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    D3DXMATRIX m = chain(pProjection, pView, pWorld);
    if (D3DXMatrixInverse(&m, nullptr, &m) == nullptr) return nullptr;
    const D3DVIEWPORT9 vp = pViewport != nullptr ? *pViewport : D3DVIEWPORT9{};
    const D3DVIEWPORT9* pVp = pViewport != nullptr ? &vp : nullptr;
    return transformArray(pOut, outStride, pV, vStride, &m, n, [&](D3DXVECTOR3* o, const D3DXVECTOR3* v) {
        D3DXVECTOR3 w = *v;
        fromViewport(w, pVp);
        D3DXVec3TransformCoord(o, &w, &m);
    });
}

}  // namespace gfxutil::math::portable

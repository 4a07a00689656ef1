// The array forms of the vector and plane transforms: each element exactly as its single form.
// The matrix is copied first, because it may live inside the output array.
#include "gfxutil/math/strided.h"

namespace gfxutil::math::portable {

#define GFX_ARRAY_FORM(body, single, Out, In)                                                       \
    Out* body(Out* pOut, UINT outStride, const In* pV, UINT vStride, const D3DXMATRIX* pM, UINT n) { \
        if (pM == nullptr) return nullptr;                                                           \
        const D3DXMATRIX m = *pM;                                                                    \
        return transformArray(pOut, outStride, pV, vStride, pM, n,                                   \
                              [&m](Out* o, const In* v) { single(o, v, &m); });                      \
    }

GFX_ARRAY_FORM(vec2TransformArray, vec2Transform, D3DXVECTOR4, D3DXVECTOR2)
GFX_ARRAY_FORM(vec2TransformCoordArray, vec2TransformCoord, D3DXVECTOR2, D3DXVECTOR2)
GFX_ARRAY_FORM(vec2TransformNormalArray, vec2TransformNormal, D3DXVECTOR2, D3DXVECTOR2)
GFX_ARRAY_FORM(vec3TransformArray, vec3Transform, D3DXVECTOR4, D3DXVECTOR3)
GFX_ARRAY_FORM(vec3TransformCoordArray, vec3TransformCoord, D3DXVECTOR3, D3DXVECTOR3)
GFX_ARRAY_FORM(vec3TransformNormalArray, vec3TransformNormal, D3DXVECTOR3, D3DXVECTOR3)
GFX_ARRAY_FORM(vec4TransformArray, vec4Transform, D3DXVECTOR4, D3DXVECTOR4)
GFX_ARRAY_FORM(planeTransformArray, planeTransform, D3DXPLANE, D3DXPLANE)

#undef GFX_ARRAY_FORM

}  // namespace gfxutil::math::portable

// The portable bodies of the math functions.
//
// Each public function forwards to the body here with its arguments untouched. The bodies keep
// the public signatures so that a table of function addresses can later point at them (and at
// processor-specific forms with the same results) without a wrapper in between.
#pragma once

#include "gfxutil/math/math_types.h"

namespace gfxutil::math::portable {

D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                     UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* matrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* matrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);
D3DXPLANE* planeNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
D3DXPLANE* planeFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                           const D3DXVECTOR3* pV3);

}  // namespace gfxutil::math::portable

namespace gfxutil::math {

// Two single-precision values are nearly equal when they differ by at most 2^-23.
inline constexpr FLOAT kUnitTolerance = 1.1920929e-7f;
// A squared length at or below 2^-126 counts as zero.
inline constexpr FLOAT kSmallestLengthSq = 1.1754944e-38f;

}  // namespace gfxutil::math

// The processor-specific forms. Each repeats its portable form's order of operations in double
// precision, two (SSE2) or four (AVX2) lanes at a time, so the results are the portable bits, not
// merely values within single-precision accuracy of them. The exception is
// D3DXVec3TransformCoordArray, which no frame of the demo goes through: its SSE2, AVX2 and AVX-512
// forms work in float lanes, 4, 8 and 16 points at a time, within a few units in the last place of
// the portable results (coord_blocks.h).
#pragma once

#include "gfxutil/math/portable.h"

namespace gfxutil::math::sse2 {

D3DXVECTOR4* vec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);
D3DXPLANE* planeTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);
D3DXVECTOR4* vec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* vec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* matrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
FLOAT matrixDeterminant(const D3DXMATRIX* pM);
D3DXMATRIX* matrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);
D3DXPLANE* planeNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
D3DXVECTOR4* vec3TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* vec3TransformNormalArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                      const D3DXMATRIX* pM, UINT n);
D3DXVECTOR4* vec4TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR4* pV, UINT vStride,
                                const D3DXMATRIX* pM, UINT n);
D3DXPLANE* planeTransformArray(D3DXPLANE* pOut, UINT outStride, const D3DXPLANE* pP, UINT pStride,
                               const D3DXMATRIX* pM, UINT n);

}  // namespace gfxutil::math::sse2

// Forms for processors with AVX2 and FMA; chosen at selection.
namespace gfxutil::math::avx2 {

bool available();
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* matrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);
D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n);
D3DXVECTOR4* vec4TransformArray(D3DXVECTOR4* pOut, UINT outStride, const D3DXVECTOR4* pV, UINT vStride,
                                const D3DXMATRIX* pM, UINT n);

}  // namespace gfxutil::math::avx2

// Forms for processors with AVX-512 (the foundation instructions); chosen at selection.
namespace gfxutil::math::avx512 {

bool available();
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXVECTOR3* vec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride,
                                     const D3DXMATRIX* pM, UINT n);

}  // namespace gfxutil::math::avx512

// Forms written for two-float registers, the width 3DNow! works in. A 64-bit build cannot issue
// 3DNow! instructions, so these keep its two-lane shape on the instructions the compiler has.
namespace gfxutil::math::pairs {

D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXVECTOR3* vec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* vec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);
D3DXPLANE* planeTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);

}  // namespace gfxutil::math::pairs

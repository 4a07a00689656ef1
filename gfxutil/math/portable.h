// The portable bodies of the math functions, one per dispatch slot, and the portable fast set.
//
// Every body keeps its public signature, so a table of function addresses points at it directly.
// Products and sums are formed in double precision, in the written order, and each result
// component is rounded once to float. The processor-specific forms repeat exactly that order of
// operations, which is why they give the same bits and not only nearly the same values.
#pragma once

#include "gfxutil/math/math_slots.h"
#include "gfxutil/math/math_types.h"

namespace gfxutil::math::portable {

#define GFX_DECLARE_PORTABLE(slot, name, body, Ret, params, args) Ret body params;
GFX_MATH_SLOTS(GFX_DECLARE_PORTABLE)
#undef GFX_DECLARE_PORTABLE

}  // namespace gfxutil::math::portable

// The portable fast set: forms that every selection writes over the portable table.
namespace gfxutil::math::fast {

// The table-driven normalisation (rsqrt_table.h).
D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
// The product written straight into the output unless the output is one of the operands.
D3DXMATRIX* matrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);

}  // namespace gfxutil::math::fast

namespace gfxutil::math {

// Two single-precision values are nearly equal when they differ by at most 2^-23.
inline constexpr FLOAT kUnitTolerance = 1.1920929e-7f;
// A squared length at or below 2^-126 counts as zero.
inline constexpr FLOAT kSmallestLengthSq = 1.1754944e-38f;

// The smallest stride of an array of T: its elements may not overlap.
template <class T>
inline constexpr UINT kMinStride = static_cast<UINT>(sizeof(T));

// The refusal shared by every array form.
inline bool arrayRefused(const void* out, UINT outStride, UINT outSize, const void* in, UINT inStride,
                         UINT inSize, const void* matrix, UINT n) {
    return out == nullptr || in == nullptr || matrix == nullptr || n == 0 || outStride < outSize ||
           inStride < inSize;
}

// The perspective divide of the point transforms: none when w is nearly 1, so affine transforms
// stay exact; otherwise each coordinate times the double reciprocal of w.
inline bool needsDivide(float w) { return !(std::fabs(w - 1.0f) <= kUnitTolerance); }

}  // namespace gfxutil::math

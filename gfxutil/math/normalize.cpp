// D3DXVec3Normalize: the table-driven form.
#include <bit>
#include <cmath>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/rsqrt_table.h"

namespace gfxutil::math::portable {

namespace {
// A squared length within 1.0e-5 of 1 (bit pattern 0x3727C5AC) is taken as already unit, so
// normalising a normalised vector leaves it untouched.
constexpr float kAlreadyUnit = std::bit_cast<float>(0x3727C5ACu);
}  // namespace

D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    const double x = pV->x;
    const double y = pV->y;
    const double z = pV->z;
    const double sum = x * x + y * y + z * z;
    const float sumF = static_cast<float>(sum);

    if (std::bit_cast<std::uint32_t>(sumF) == 0u) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    if (std::fabs(static_cast<float>(sum - 1.0)) <= kAlreadyUnit) {
        if (pOut != pV) *pOut = *pV;
        return pOut;
    }
    // The table's exponent arithmetic needs a normal float; a subnormal or overflowed squared
    // length would come back with a wildly wrong scale, so those take the exact root of the
    // double sum, which is still finite and nonzero there.
    const double r = std::isnormal(sumF) ? tableReciprocalSqrt(sumF) : 1.0 / std::sqrt(sum);
    *pOut = D3DXVECTOR3(static_cast<float>(r * x), static_cast<float>(r * y), static_cast<float>(r * z));
    return pOut;
}

}  // namespace gfxutil::math::portable

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    return gfxutil::math::portable::vec3Normalize(pOut, pV);
}

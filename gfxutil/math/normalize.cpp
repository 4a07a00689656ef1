// Vector normalisation: the table-driven D3DXVec3Normalize of the portable fast set, the plain
// form the portable table holds beneath it, and the two- and four-component forms.
#include <bit>
#include <cmath>

#include "gfxutil/math/portable.h"
#include "gfxutil/math/rsqrt_table.h"

namespace gfxutil::math::fast {

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
    if (std::fabs(static_cast<float>(sum - 1.0)) <= kAlreadyUnitSq) {
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

}  // namespace gfxutil::math::fast

namespace gfxutil::math::portable {

namespace {

// v / |v| over n components in double; a zero vector gives zero.
void normalizeComponents(const float* in, float* out, int n) {
    double v[4];
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        v[i] = in[i];
        sum += v[i] * v[i];
    }
    const double r = sum > 0.0 ? 1.0 / std::sqrt(sum) : 0.0;
    for (int i = 0; i < n; ++i) out[i] = static_cast<float>(v[i] * r);
}

}  // namespace

// Exact to the rounding of the result; selection always replaces it with the table-driven form.
D3DXVECTOR3* vec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    normalizeComponents(&pV->x, &pOut->x, 3);
    return pOut;
}

D3DXVECTOR2* vec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    normalizeComponents(&pV->x, &pOut->x, 2);
    return pOut;
}

D3DXVECTOR4* vec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
    if (pOut == nullptr || pV == nullptr) return nullptr;
    normalizeComponents(&pV->x, &pOut->x, 4);
    return pOut;
}

}  // namespace gfxutil::math::portable

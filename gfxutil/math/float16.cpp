// Conversion between single and IEEE half precision. To half: rounded to nearest, ties to even;
// too large for a half gives infinity, too small a (signed) zero or a subnormal half; NaN stays
// NaN. To single: exact.
#include <bit>
#include <cstdint>

#include "gfxutil/math/portable.h"

namespace gfxutil::math {

WORD floatToHalf(float f) {
    const std::uint32_t b = std::bit_cast<std::uint32_t>(f);
    const std::uint32_t sign = (b >> 16) & 0x8000u;
    const std::uint32_t magnitude = b & 0x7FFFFFFFu;
    if (magnitude > 0x7F800000u) return static_cast<WORD>(sign | 0x7E00u | ((magnitude >> 13) & 0x3FFu));
    if (magnitude >= 0x477FF000u) return static_cast<WORD>(sign | 0x7C00u);  // rounds past 65504
    if (magnitude < 0x38800000u) {
        // Subnormal half: the value in units of 2^-24, rounded to nearest even.
        if (magnitude < 0x33000000u) return static_cast<WORD>(sign);  // below half the smallest
        const std::uint32_t exponent = magnitude >> 23;
        const std::uint32_t mantissa = (magnitude & 0x7FFFFFu) | 0x800000u;
        const std::uint32_t shift = 126u - exponent;  // 14..24 (+ the 13 mantissa bits dropped)
        std::uint32_t h = mantissa >> shift;
        const std::uint32_t rest = mantissa & ((1u << shift) - 1u);
        const std::uint32_t halfway = 1u << (shift - 1u);
        if (rest > halfway || (rest == halfway && (h & 1u))) ++h;
        return static_cast<WORD>(sign | h);
    }
    std::uint32_t h = ((magnitude - 0x38000000u) >> 13);
    const std::uint32_t rest = magnitude & 0x1FFFu;
    if (rest > 0x1000u || (rest == 0x1000u && (h & 1u))) ++h;  // may carry into the exponent
    return static_cast<WORD>(sign | h);
}

float halfToFloat(WORD h) {
    const std::uint32_t sign = (static_cast<std::uint32_t>(h) & 0x8000u) << 16;
    const std::uint32_t exponent = (h >> 10) & 0x1Fu;
    const std::uint32_t mantissa = h & 0x3FFu;
    if (exponent == 0x1Fu) return std::bit_cast<float>(sign | 0x7F800000u | (mantissa << 13));
    if (exponent != 0) return std::bit_cast<float>(sign | ((exponent + 112u) << 23) | (mantissa << 13));
    const float value = static_cast<float>(mantissa) * 5.9604644775390625e-8f;  // 2^-24, exact
    return sign != 0 ? -value : value;
}

}  // namespace gfxutil::math

namespace gfxutil::math::portable {

D3DXFLOAT16* float32To16Array(D3DXFLOAT16* pOut, const FLOAT* pIn, UINT n) {
    if (pOut == nullptr || pIn == nullptr) return nullptr;
    for (UINT i = 0; i < n; ++i) pOut[i].value = floatToHalf(pIn[i]);
    return pOut;
}

FLOAT* float16To32Array(FLOAT* pOut, const D3DXFLOAT16* pIn, UINT n) {
    if (pOut == nullptr || pIn == nullptr) return nullptr;
    for (UINT i = 0; i < n; ++i) pOut[i] = halfToFloat(pIn[i].value);
    return pOut;
}

}  // namespace gfxutil::math::portable

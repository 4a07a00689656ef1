// IEEE 754 half-precision conversions for the 16-bit float formats. Narrowing rounds to nearest,
// ties to even, like the hardware conversions; overflow becomes infinity and NaN stays NaN.
#pragma once

#include <bit>
#include <cstdint>

namespace gfxutil::tex {

inline float halfToFloat(std::uint16_t h) {
    const std::uint32_t sign = static_cast<std::uint32_t>(h & 0x8000u) << 16;
    const std::uint32_t exponent = (h >> 10) & 0x1Fu;
    std::uint32_t mantissa = h & 0x3FFu;
    if (exponent == 0x1F) {
        return std::bit_cast<float>(sign | 0x7F800000u | (mantissa << 13));
    }
    if (exponent == 0) {
        if (mantissa == 0) {
            return std::bit_cast<float>(sign);
        }
        // Subnormal half: value = mantissa * 2^-24, exact in single precision.
        const float magnitude = static_cast<float>(mantissa) * 5.9604644775390625e-8f;
        return sign != 0 ? -magnitude : magnitude;
    }
    return std::bit_cast<float>(sign | ((exponent + 112u) << 23) | (mantissa << 13));
}

inline std::uint16_t floatToHalf(float value) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const auto sign = static_cast<std::uint16_t>((bits >> 16) & 0x8000u);
    const std::uint32_t magnitude = bits & 0x7FFFFFFFu;
    if (magnitude >= 0x7F800000u) {  // infinity or NaN
        return static_cast<std::uint16_t>(sign | 0x7C00u | (magnitude > 0x7F800000u ? 0x200u : 0u));
    }
    if (magnitude >= 0x477FF000u) {  // rounds to 65536 or more
        return static_cast<std::uint16_t>(sign | 0x7C00u);
    }
    if (magnitude < 0x38800000u) {  // below the smallest normal half: subnormal or zero
        const float scaled = std::bit_cast<float>(magnitude) * 16777216.0f;  // exact: * 2^24
        // Round to nearest even integer count of 2^-24 steps.
        auto steps = static_cast<std::uint32_t>(scaled);
        const float rest = scaled - static_cast<float>(steps);
        if (rest > 0.5f || (rest == 0.5f && (steps & 1u) != 0)) {
            ++steps;
        }
        return static_cast<std::uint16_t>(sign | steps);
    }
    std::uint32_t rebased = magnitude - 0x38000000u;  // exponent 127 -> 15
    const std::uint32_t dropped = rebased & 0x1FFFu;
    rebased >>= 13;
    if (dropped > 0x1000u || (dropped == 0x1000u && (rebased & 1u) != 0)) {
        ++rebased;
    }
    return static_cast<std::uint16_t>(sign | rebased);
}

}  // namespace gfxutil::tex

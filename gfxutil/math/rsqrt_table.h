// The reciprocal square root by table that D3DXVec3Normalize uses.
//
// A normal float s = 2^e * mantissa is split into m, the mantissa with the lowest exponent bit,
// scaled into [0.5, 2), and k, the power of two that carries half the remaining exponent, so that
// 1/sqrt(s) = k / sqrt(m). Bits 15..23 of s choose one of 512 segments (256 equal segments of
// [0.5, 1), then 256 of [1, 2)) and 1/sqrt(m) is read off that segment's straight line.
//
// How the lines are fitted (this reproduces the established table bit for bit, which the stored
// results of this library and every processor-specific form agree with):
// - slope: the secant of 1/sqrt(x) over the segment, computed in double and rounded to nearest
//   with 15 significant bits;
// - intercept: the line is pinned to the exact value at the segment's left end,
//   1/sqrt(x0) - slope * x0 in double, rounded to float.
// Pinning to the left end makes s = 1 (and every even power of two) exact, since 1 starts a
// segment. The secant through both ends of a convex curve overshoots inside the segment by at
// most 3h^2/(32 x0^2) relative (h the segment width), which is 1.43e-6 in the worst segments;
// with the slope rounding the bound is 1.49e-6.
//
// The table is computed at compile time with a correctly rounded square root of our own, so the
// entries are exactly those the same rule gives at run time with std::sqrt (a test checks that).
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace gfxutil::math {

struct RsqrtSegment {
    float slope;
    float intercept;
};

inline constexpr int kRsqrtSegments = 512;

// A squared length within 1.0e-5 of 1 (bit pattern 0x3727C5AC) is taken as already unit, so
// normalising a normalised vector leaves it untouched.
inline constexpr float kAlreadyUnitSq = std::bit_cast<float>(0x3727C5ACu);

namespace rsqrt_detail {

// floor(sqrt(q)) by the bit-by-bit method; exact for every 128-bit q.
constexpr unsigned __int128 isqrt(unsigned __int128 q) {
    unsigned __int128 root = 0;
    unsigned __int128 bit = static_cast<unsigned __int128>(1) << 126;
    while (bit > q) bit >>= 2;
    while (bit != 0) {
        if (q >= root + bit) {
            q -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

// Correctly rounded sqrt(n / 512) for 0 < n <= 1024: every segment end is a multiple of 1/512.
// sqrt(n * 2^101) has 55 or 56 bits; one more bit set below it when the root is inexact acts as
// the sticky bit, so the single integer-to-double conversion rounds exactly like sqrt would.
constexpr double sqrtOfNinths512(std::uint32_t n) {
    const unsigned __int128 q = static_cast<unsigned __int128>(n) << 101;
    const unsigned __int128 root = isqrt(q);
    const unsigned __int128 withSticky = (root << 1) | (root * root == q ? 0u : 1u);
    // sqrt(n/512) = sqrt(n * 2^101) * 2^-55, and withSticky carries one more factor 2.
    return static_cast<double>(withSticky) / 72057594037927936.0;  // 2^56
}

// Round to nearest with 15 significant bits (ties away from zero): drop 38 of the 52 fraction
// bits of the double.
constexpr double roundTo15Bits(double v) {
    constexpr std::uint64_t kDropped = (std::uint64_t{1} << 38) - 1;
    const std::uint64_t b = std::bit_cast<std::uint64_t>(v);
    return std::bit_cast<double>((b + (std::uint64_t{1} << 37)) & ~kDropped);
}

constexpr RsqrtSegment fitSegment(int i) {
    // Segment ends as multiples of 1/512: [256 + i, 257 + i] below 1, [512 + 2j, 514 + 2j] above.
    const std::uint32_t n0 = i < 256 ? 256u + static_cast<std::uint32_t>(i)
                                     : 512u + 2u * static_cast<std::uint32_t>(i - 256);
    const std::uint32_t n1 = i < 256 ? n0 + 1u : n0 + 2u;
    const double x0 = n0 / 512.0;
    const double width = (n1 - n0) / 512.0;
    const double f0 = 1.0 / sqrtOfNinths512(n0);
    const double f1 = 1.0 / sqrtOfNinths512(n1);
    const double slope = roundTo15Bits((f1 - f0) / width);
    return RsqrtSegment{static_cast<float>(slope), static_cast<float>(f0 - slope * x0)};
}

constexpr std::array<RsqrtSegment, kRsqrtSegments> buildTable() {
    std::array<RsqrtSegment, kRsqrtSegments> table{};
    for (int i = 0; i < kRsqrtSegments; ++i) table[i] = fitSegment(i);
    return table;
}

}  // namespace rsqrt_detail

inline constexpr std::array<RsqrtSegment, kRsqrtSegments> kRsqrtTable = rsqrt_detail::buildTable();

// 1/sqrt(s) for a normal, positive s, by the table; the line is evaluated in double (the product
// of a 15-bit slope and a 24-bit mantissa is exact there) and scaled by an exact power of two.
constexpr double tableReciprocalSqrt(float s) {
    const std::uint32_t b = std::bit_cast<std::uint32_t>(s);
    const std::uint32_t index = (b >> 15) & 0x1FFu;
    const float m = std::bit_cast<float>((b & 0x00FFFFFFu) | 0x3F000000u);
    const float k = std::bit_cast<float>(((0xBEFFFFFFu - b) >> 1) & 0xFF800000u);
    const RsqrtSegment& seg = kRsqrtTable[index];
    return (static_cast<double>(m) * seg.slope + seg.intercept) * static_cast<double>(k);
}

}  // namespace gfxutil::math

// Small helpers shared by the math tests: bit-exact comparison and relative error.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "gfxutil/math/math_types.h"

namespace gfxutil::math::test {

inline std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

// Same bits, so +0 and -0 differ and a NaN equals the same NaN.
#define EXPECT_SAME_FLOAT(expected, actual) \
    EXPECT_EQ(::gfxutil::math::test::bitsOf(expected), ::gfxutil::math::test::bitsOf(actual)) \
        << "expected " << (expected) << ", got " << (actual)

inline void expectSameVector(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual) {
    EXPECT_SAME_FLOAT(expected.x, actual.x);
    EXPECT_SAME_FLOAT(expected.y, actual.y);
    EXPECT_SAME_FLOAT(expected.z, actual.z);
}

inline void expectSameMatrix(const D3DXMATRIX& expected, const D3DXMATRIX& actual) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(testing::Message() << "element [" << i << "][" << j << "]");
            EXPECT_SAME_FLOAT(expected.m[i][j], actual.m[i][j]);
        }
    }
}

// A deterministic source of test floats in [lo, hi), independent of the runtime generator.
class TestFloats {
public:
    explicit TestFloats(std::uint64_t seed) : m_state(seed) {}
    float next(float lo, float hi) {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        const double unit = static_cast<double>(m_state >> 11) / 9007199254740992.0;  // [0, 1)
        return static_cast<float>(lo + (hi - lo) * unit);
    }

private:
    std::uint64_t m_state;
};

}  // namespace gfxutil::math::test

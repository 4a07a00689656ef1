// Small helpers shared by the math tests: bit-exact comparison, relative error and the error
// bound of the float-lane point transforms.
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

// How far a float-lane D3DXVec3TransformCoordArray result may lie from the portable one.
//
// A float-lane sum of the four terms of a column rounds at most six times (three products and
// three sums without fused multiply-add, fewer with it), each time by at most half a unit in the
// last place of a partial sum no larger than S, the sum of the terms' magnitudes; the portable
// form rounds its double sum once more. So each of x', y', z', w is within eSum = 8u * S + 8 * 2^-149
// of the portable value (u = 2^-24; the second term covers products that underflow to
// subnormals). Dividing by w carries those errors through as (e_x + |q| e_w) / (|w| - e_w), and the
// reciprocal with one Newton step, the final product and skipping the divide when the float-lane
// w is within 2^-23 of 1 while the portable one is not add at most 16u |q|. This is a backward
// error of a few units in the last place of every input, i.e. single-precision accuracy; it makes
// no promise where w is smaller than its own rounding error (|w| <= 2 e_w), and those points are
// counted rather than compared. Non-finite results must be the portable bits: the forms redo such
// blocks with the portable form.
struct CoordBound {
    bool illConditioned;
    double bound[3];
};

inline CoordBound coordBound(const D3DXVECTOR3& v, const D3DXMATRIX& m, const D3DXVECTOR3& expected) {
    constexpr double u = 0x1p-24;
    double e[4], value[4];
    for (int j = 0; j < 4; ++j) {
        const double terms[4] = {static_cast<double>(v.x) * m.m[0][j], static_cast<double>(v.y) * m.m[1][j],
                                 static_cast<double>(v.z) * m.m[2][j], m.m[3][j]};
        double magnitude = 0.0;
        for (double t : terms) magnitude += std::fabs(t);
        e[j] = 8.0 * u * magnitude + 8.0 * 0x1p-149;
        value[j] = static_cast<float>(terms[0] + terms[1] + terms[2] + terms[3]);
    }
    const double w = std::fabs(value[3]);
    CoordBound b{w <= 2.0 * e[3], {}};
    for (int j = 0; j < 3; ++j) {
        const double q = std::fabs((&expected.x)[j]);
        b.bound[j] = b.illConditioned ? 0.0 : (e[j] + q * e[3]) / (w - e[3]) + 16.0 * u * q;
    }
    return b;
}

struct CoordTally {
    int compared = 0;
    int illConditioned = 0;
};

inline void expectCoordWithinBound(const D3DXVECTOR3& v, const D3DXMATRIX& m, const D3DXVECTOR3& expected,
                            const D3DXVECTOR3& actual, CoordTally& tally) {
    const CoordBound b = coordBound(v, m, expected);
    for (int j = 0; j < 3; ++j) {
        const float e = (&expected.x)[j], a = (&actual.x)[j];
        if (!std::isfinite(e) || !std::isfinite(a)) {
            EXPECT_EQ(bitsOf(e), bitsOf(a)) << "component " << j << ": expected " << e << ", got " << a;
        } else if (!b.illConditioned) {
            EXPECT_LE(std::fabs(static_cast<double>(a) - e), b.bound[j])
                << "component " << j << " of (" << v.x << ", " << v.y << ", " << v.z << "): expected " << e
                << ", got " << a;
        }
    }
    ++(b.illConditioned ? tally.illConditioned : tally.compared);
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

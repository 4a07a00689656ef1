#include <cmath>
#include <cstdint>

#include "gfxutil/math/rsqrt_table.h"
#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

constexpr double kTableBound = 1.5e-6;

struct RowCase {
    int index;
    float slope;
    float intercept;
};

// The rows that identify the table.
constexpr RowCase kKnownRows[] = {
    {0, -1.41009521484375f, 2.1192612648010254f},
    {1, -1.40185546875f, 2.1151251792907715f},
    {511, -0.177032470703125f, 1.0611717700958252f},
};

TEST(RsqrtTable, KnownRowsMatchBitForBit) {
    for (const RowCase& c : kKnownRows) {
        SCOPED_TRACE(testing::Message() << "row " << c.index);
        EXPECT_SAME_FLOAT(c.slope, kRsqrtTable[c.index].slope);
        EXPECT_SAME_FLOAT(c.intercept, kRsqrtTable[c.index].intercept);
    }
}

// The fitting rule written again, plainly, with the library's sqrt at run time: the
// compile-time table must be exactly what this gives.
RsqrtSegment fitAtRunTime(int i) {
    const double x0 = i < 256 ? 0.5 + i / 512.0 : 1.0 + (i - 256) / 256.0;
    const double width = i < 256 ? 1.0 / 512.0 : 1.0 / 256.0;
    const double f0 = 1.0 / std::sqrt(x0);
    const double f1 = 1.0 / std::sqrt(x0 + width);
    int exponent = 0;
    const double mantissa = std::frexp((f1 - f0) / width, &exponent);  // [0.5, 1)
    const double slope = std::ldexp(std::round(mantissa * 32768.0), exponent - 15);
    return RsqrtSegment{static_cast<float>(slope), static_cast<float>(f0 - slope * x0)};
}

TEST(RsqrtTable, EveryRowFollowsTheFittingRule) {
    for (int i = 0; i < kRsqrtSegments; ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        const RsqrtSegment expected = fitAtRunTime(i);
        ASSERT_EQ(bitsOf(expected.slope), bitsOf(kRsqrtTable[i].slope));
        ASSERT_EQ(bitsOf(expected.intercept), bitsOf(kRsqrtTable[i].intercept));
    }
}

TEST(RsqrtTable, ExactAtEvenPowersOfTwo) {
    constexpr struct {
        float s;
        double root;
    } kCases[] = {{0.25f, 2.0}, {1.0f, 1.0}, {4.0f, 0.5}, {0x1p-100f, 0x1p50}, {0x1p100f, 0x1p-50}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(c.root, tableReciprocalSqrt(c.s));
    }
}

double relativeError(float s) {
    return std::fabs(tableReciprocalSqrt(s) * std::sqrt(static_cast<double>(s)) - 1.0);
}

// Every float of [0.5, 2) covers each of the 512 segments completely once.
TEST(RsqrtTable, AccuracyBoundHoldsForEveryMantissa) {
    double worst = 0.0;
    for (std::uint32_t b = bitsOf(0.5f); b < bitsOf(2.0f); ++b) {
        worst = std::max(worst, relativeError(std::bit_cast<float>(b)));
    }
    EXPECT_LT(worst, kTableBound);
    // The bound is not slack: the fit really uses most of it.
    EXPECT_GT(worst, 1.0e-6);
}

TEST(RsqrtTable, AccuracyBoundHoldsOverTheWholeNormalRange) {
    double worst = 0.0;
    for (std::uint32_t b = bitsOf(0x1p-126f); b < 0x7F800000u; b += 997u) {
        worst = std::max(worst, relativeError(std::bit_cast<float>(b)));
    }
    EXPECT_LT(worst, kTableBound);
}

struct NormalizeCase {
    const char* name;
    D3DXVECTOR3 in;
    D3DXVECTOR3 expected;
};

// Cases whose result is exact.
const NormalizeCase kExactCases[] = {
    {"power of four squared length", D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(0, 0, 1)},
    {"negative axis", D3DXVECTOR3(0, -0.5f, 0), D3DXVECTOR3(0, -1, 0)},
    {"zero", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)},
    {"negative zeros give positive zeros", D3DXVECTOR3(-0.0f, -0.0f, -0.0f), D3DXVECTOR3(0, 0, 0)},
    {"squared length underflows to zero", D3DXVECTOR3(1e-30f, 0, 0), D3DXVECTOR3(0, 0, 0)},
    // 0.6^2 + 0.8^2 is within 1e-5 of 1: returned unchanged, not rescaled.
    {"already unit", D3DXVECTOR3(0.6f, 0.8f, 0), D3DXVECTOR3(0.6f, 0.8f, 0)},
    {"squared length 1 + 9.5e-6", D3DXVECTOR3(1.00000475f, 0, 0), D3DXVECTOR3(1.00000475f, 0, 0)},
    {"squared length 1 - 9.5e-6", D3DXVECTOR3(0, 0, -0.99999525f), D3DXVECTOR3(0, 0, -0.99999525f)},
};

TEST(Vec3Normalize, ExactCases) {
    for (const NormalizeCase& c : kExactCases) {
        SCOPED_TRACE(c.name);
        D3DXVECTOR3 out(7, 7, 7);
        EXPECT_EQ(&out, D3DXVec3Normalize(&out, &c.in));
        expectSameVector(c.expected, out);
    }
}

TEST(Vec3Normalize, JustOutsideTheUnitSlackIsRescaled) {
    const D3DXVECTOR3 in(1.0000102f, 0, 0);  // squared length 1 + 2.04e-5
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &in);
    EXPECT_NE(bitsOf(in.x), bitsOf(out.x));
    EXPECT_NEAR(1.0, out.x, 1.6e-6);
}

TEST(Vec3Normalize, ResultsStayWithinTheTableBound) {
    TestFloats floats(12345);
    for (int k = 0; k < 20000; ++k) {
        const float scale = std::ldexp(1.0f, static_cast<int>(floats.next(-40.0f, 40.0f)));
        const D3DXVECTOR3 in(floats.next(-1, 1) * scale, floats.next(-1, 1) * scale, floats.next(-1, 1) * scale);
        D3DXVECTOR3 out;
        D3DXVec3Normalize(&out, &in);
        const double len = std::sqrt(static_cast<double>(in.x) * in.x + static_cast<double>(in.y) * in.y +
                                     static_cast<double>(in.z) * in.z);
        const double components[3][2] = {{in.x, out.x}, {in.y, out.y}, {in.z, out.z}};
        for (const auto& c : components) {
            const double exact = c[0] / len;
            // The table's bound plus the rounding of the stored float.
            ASSERT_LE(std::fabs(c[1] - exact), kTableBound * std::fabs(exact) + std::ldexp(1.0, -24) * std::fabs(exact))
                << "input (" << in.x << ", " << in.y << ", " << in.z << ")";
        }
    }
    D3DXVECTOR3 hundred(0, 0, 100);
    D3DXVec3Normalize(&hundred, &hundred);
    EXPECT_NEAR(1.0, hundred.z, 1.5e-6);
}

TEST(Vec3Normalize, OutputMayBeTheInput) {
    D3DXVECTOR3 separate;
    const D3DXVECTOR3 in(3.0f, -7.0f, 11.0f);
    D3DXVec3Normalize(&separate, &in);
    D3DXVECTOR3 same = in;
    EXPECT_EQ(&same, D3DXVec3Normalize(&same, &same));
    expectSameVector(separate, same);
}

// The table's exponent arithmetic only holds for normal squared lengths; outside that range
// the result must still be a unit vector.
TEST(Vec3Normalize, SubnormalAndOverflowingSquaredLengthsStillGiveUnitVectors) {
    const D3DXVECTOR3 kInputs[] = {
        D3DXVECTOR3(1e-22f, 0, 0),           // squared length 1e-44: subnormal in float
        D3DXVECTOR3(0, 3e-21f, -4e-21f),     // 2.5e-41
        D3DXVECTOR3(1e20f, 1e20f, 0),        // 2e40: overflows float
        D3DXVECTOR3(-3e30f, 0, 4e30f),
    };
    for (const D3DXVECTOR3& in : kInputs) {
        SCOPED_TRACE(testing::Message() << in.x << ", " << in.y << ", " << in.z);
        D3DXVECTOR3 out;
        ASSERT_EQ(&out, D3DXVec3Normalize(&out, &in));
        const double len = std::sqrt(static_cast<double>(out.x) * out.x + static_cast<double>(out.y) * out.y +
                                     static_cast<double>(out.z) * out.z);
        EXPECT_NEAR(1.0, len, 1e-6);
        EXPECT_EQ(std::signbit(in.x), std::signbit(out.x));
        EXPECT_EQ(std::signbit(in.z), std::signbit(out.z));
    }
}

TEST(Vec3Normalize, NullPointersAreRefused) {
    D3DXVECTOR3 v(1, 2, 3);
    EXPECT_EQ(nullptr, D3DXVec3Normalize(nullptr, &v));
    EXPECT_EQ(nullptr, D3DXVec3Normalize(&v, nullptr));
    expectSameVector(D3DXVECTOR3(1, 2, 3), v);
}

}  // namespace
}  // namespace gfxutil::math::test

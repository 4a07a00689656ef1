#include <cmath>
#include <cstring>
#include <new>

#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

TEST(ValueTypes, LayoutsArePackedInTheListedOrder) {
    D3DXPLANE plane(1.0f, 2.0f, 3.0f, 4.0f);
    const float* p = plane;
    EXPECT_EQ(p, &plane.a);
    EXPECT_EQ(p[1], 2.0f);
    EXPECT_EQ(p[3], 4.0f);

    D3DXCOLOR colour(0.1f, 0.2f, 0.3f, 0.4f);
    const float* c = colour;
    EXPECT_EQ(c, &colour.r);
    EXPECT_EQ(c[2], 0.3f);
    const D3DCOLORVALUE value = colour;
    EXPECT_EQ(0, std::memcmp(&value, &colour, sizeof value));

    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(m._14, 4.0f);
    EXPECT_EQ(m.m[2][1], 10.0f);
    EXPECT_EQ(m(3, 0), 13.0f);
    EXPECT_EQ(&m._41, &m.m[3][0]);

    D3DXVECTOR3 arr[2] = {D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6)};
    const float* f = &arr[0].x;
    EXPECT_EQ(f[3], 4.0f);  // packed: no padding between elements
}

TEST(ValueTypes, DefaultConstructionLeavesComponentsUnset) {
    alignas(D3DXMATRIX) unsigned char storage[sizeof(D3DXMATRIX)];
    std::memset(storage, 0xA5, sizeof storage);
    new (storage) D3DXMATRIX;
    for (unsigned char b : storage) ASSERT_EQ(b, 0xA5);

    alignas(D3DXVECTOR3) unsigned char vec[sizeof(D3DXVECTOR3)];
    std::memset(vec, 0x5A, sizeof vec);
    new (vec) D3DXVECTOR3;
    for (unsigned char b : vec) ASSERT_EQ(b, 0x5A);
}

struct OpCase {
    const char* name;
    D3DXVECTOR3 u;
    D3DXVECTOR3 v;
    float s;
};

constexpr OpCase kOpCases[] = {
    {"small integers", D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6), 4.0f},
    {"inexact tenths", D3DXVECTOR3(0.1f, 0.2f, 0.3f), D3DXVECTOR3(0.7f, -0.3f, 1e-3f), 3.0f},
    {"mixed magnitudes", D3DXVECTOR3(1e20f, -1e-20f, 3.5f), D3DXVECTOR3(-1e20f, 7.25f, 1e-7f), 0.03f},
    {"signed zeros", D3DXVECTOR3(0.0f, -0.0f, 0.0f), D3DXVECTOR3(-0.0f, -0.0f, 0.0f), -2.0f},
};

TEST(ValueTypes, OperatorsAreComponentwiseSinglePrecision) {
    for (const OpCase& c : kOpCases) {
        SCOPED_TRACE(c.name);
        const float ux = c.u.x, uy = c.u.y, uz = c.u.z;
        const float vx = c.v.x, vy = c.v.y, vz = c.v.z;
        expectSameVector(D3DXVECTOR3(ux + vx, uy + vy, uz + vz), c.u + c.v);
        expectSameVector(D3DXVECTOR3(ux - vx, uy - vy, uz - vz), c.u - c.v);
        expectSameVector(D3DXVECTOR3(-ux, -uy, -uz), -c.u);
        expectSameVector(D3DXVECTOR3(c.s * ux, c.s * uy, c.s * uz), c.u * c.s);
        expectSameVector(D3DXVECTOR3(c.s * ux, c.s * uy, c.s * uz), c.s * c.u);
        const float r = 1.0f / c.s;
        expectSameVector(D3DXVECTOR3(ux * r, uy * r, uz * r), c.u / c.s);
    }
}

TEST(ValueTypes, DivisionMultipliesByTheReciprocal) {
    expectSameVector(D3DXVECTOR3(0.25f, 0.5f, 0.75f), D3DXVECTOR3(1, 2, 3) / 4.0f);
    const float third = 1.0f / 3.0f;
    expectSameVector(D3DXVECTOR3(third, third, third), D3DXVECTOR3(1, 1, 1) / 3.0f);
    // 0.3 / 3 rounds differently from 0.3 * (1/3): the operator must give the latter.
    const float x = 0.3f;
    const float three = 3.0f;
    ASSERT_NE(x / three, x * third);
    EXPECT_SAME_FLOAT(x * third, (D3DXVECTOR3(x, 0, 0) / 3.0f).x);
}

TEST(ValueTypes, DivisionByZeroGivesInfinities) {
    const D3DXVECTOR3 q = D3DXVECTOR3(1.0f, -1.0f, 0.0f) / 0.0f;
    EXPECT_TRUE(std::isinf(q.x) && q.x > 0);
    EXPECT_TRUE(std::isinf(q.y) && q.y < 0);
    EXPECT_TRUE(std::isnan(q.z));
}

TEST(ValueTypes, NegatingZeroGivesNegativeZeros) {
    const D3DXVECTOR3 n = -D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(std::signbit(n.x) && std::signbit(n.y) && std::signbit(n.z));
    EXPECT_EQ(n.x, 0.0f);
}

TEST(ValueTypes, ChainsRoundEachTemporary) {
    const D3DXVECTOR3 p(3.1f, 79.7f, 0.3f), q(3.0f, 80.0f, 0.1f), a(0.0013f, -0.0047f, 1e-9f);
    const D3DXVECTOR3 result = 2.0f * p - q + a;
    const float tx = 2.0f * p.x, ty = 2.0f * p.y, tz = 2.0f * p.z;
    const float dx = tx - q.x, dy = ty - q.y, dz = tz - q.z;
    expectSameVector(D3DXVECTOR3(dx + a.x, dy + a.y, dz + a.z), result);
}

struct LengthCase {
    const char* name;
    D3DXVECTOR3 v;
    double expected;
};

TEST(ValueTypes, LengthSumsInFloatAndRootsInDouble) {
    const LengthCase cases[] = {
        {"3-4-5", D3DXVECTOR3(3, 4, 0), 5.0},
        {"zero", D3DXVECTOR3(0, 0, 0), 0.0},
        // The root stays double: sqrt(2) is not rounded to float.
        {"diagonal", D3DXVECTOR3(1, 1, 0), std::sqrt(2.0)},
        // 1 + 1e-8 is 1 in float, so the length is exactly 1; a double sum would not be.
        {"small addend lost in the float sum", D3DXVECTOR3(1.0f, 1e-4f, 0.0f), 1.0},
        {"rest length of the demo spring", D3DXVECTOR3(2, 30, 0), std::sqrt(904.0)},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, gfxutil::math::length(c.v));
    }
}

TEST(ValueTypes, IdentityOverwritesEveryElement) {
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = std::nanf("");
    m._23 = -0.0f;
    EXPECT_EQ(&m, D3DXMatrixIdentity(&m));
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_SAME_FLOAT(i == j ? 1.0f : 0.0f, m.m[i][j]);
    }
    EXPECT_EQ(nullptr, D3DXMatrixIdentity(nullptr));
}

}  // namespace
}  // namespace gfxutil::math::test

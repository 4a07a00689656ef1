#include <cmath>

#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

void expectSamePlane(const D3DXPLANE& expected, const D3DXPLANE& actual) {
    EXPECT_SAME_FLOAT(expected.a, actual.a);
    EXPECT_SAME_FLOAT(expected.b, actual.b);
    EXPECT_SAME_FLOAT(expected.c, actual.c);
    EXPECT_SAME_FLOAT(expected.d, actual.d);
}

struct NormalizeCase {
    const char* name;
    D3DXPLANE in;
    D3DXPLANE expected;
};

const NormalizeCase kNormalizeCases[] = {
    {"unit normal is kept", D3DXPLANE(0, 0, -1, 20), D3DXPLANE(0, 0, -1, 20)},
    // 1 + 2^-23 is nearly 1: copied as it is, d included.
    {"nearly unit normal is kept", D3DXPLANE(1.0f + 0x1p-24f, 0, 0, 3.3f), D3DXPLANE(1.0f + 0x1p-24f, 0, 0, 3.3f)},
    {"scaled normal", D3DXPLANE(0, 0, 2, 4), D3DXPLANE(0, 0, 1, 2)},
    {"3-4-0 normal", D3DXPLANE(3, 4, 0, -10), D3DXPLANE(0.6f, 0.8f, 0, -2)},
    {"zero normal", D3DXPLANE(0, 0, 0, 5), D3DXPLANE(0, 0, 0, 0)},
    // The squared length 1e-40 is below 2^-126: treated as zero.
    {"vanishing normal", D3DXPLANE(1e-20f, 0, 0, 1), D3DXPLANE(0, 0, 0, 0)},
    // The squared length 2e40 overflows a float; the plane still gets its proper scale.
    {"huge normal", D3DXPLANE(1e20f, 0, 0, -2e20f), D3DXPLANE(1, 0, 0, -2)},
};

TEST(PlaneNormalize, Cases) {
    for (const NormalizeCase& c : kNormalizeCases) {
        SCOPED_TRACE(c.name);
        D3DXPLANE out(9, 9, 9, 9);
        ASSERT_EQ(&out, D3DXPlaneNormalize(&out, &c.in));
        expectSamePlane(c.expected, out);
    }
}

TEST(PlaneNormalize, ScalesByTheReciprocalOfTheSingleLength) {
    const D3DXPLANE in(1.0f, 2.0f, 2.0f, 7.0f);  // length 3
    D3DXPLANE out;
    D3DXPlaneNormalize(&out, &in);
    const double r = 1.0 / std::sqrt(static_cast<double>(9.0f));
    expectSamePlane(D3DXPLANE(static_cast<float>(r), static_cast<float>(2 * r), static_cast<float>(2 * r),
                              static_cast<float>(7 * r)),
                    out);
    D3DXPLANE same = in;
    EXPECT_EQ(&same, D3DXPlaneNormalize(&same, &same));
    expectSamePlane(out, same);
    EXPECT_EQ(nullptr, D3DXPlaneNormalize(nullptr, &in));
    EXPECT_EQ(nullptr, D3DXPlaneNormalize(&same, nullptr));
}

double planeValue(const D3DXPLANE& p, const D3DXVECTOR3& v) {
    return static_cast<double>(p.a) * v.x + static_cast<double>(p.b) * v.y + static_cast<double>(p.c) * v.z + p.d;
}

TEST(PlaneFromPoints, MirrorOutlineGivesTheMirrorPlane) {
    const D3DXVECTOR3 p1(0, 80, 20), p2(80, 80, 20), p3(0, 0, 20);
    D3DXPLANE plane;
    ASSERT_EQ(&plane, D3DXPlaneFromPoints(&plane, &p1, &p2, &p3));
    // The normal's squared length 6400^2 falls mid-segment of the normalisation table, so c and d
    // carry the table's error (at most 1.5e-6 relative) rather than being exactly -1 and 20.
    EXPECT_SAME_FLOAT(0.0f, plane.a);
    EXPECT_SAME_FLOAT(0.0f, plane.b);
    EXPECT_NEAR(-1.0, plane.c, 1.5e-6);
    EXPECT_NEAR(20.0, plane.d, 20 * 1.5e-6 + 2e-6);
    // d puts p1 on the plane.
    EXPECT_SAME_FLOAT(static_cast<float>(-(static_cast<double>(plane.c) * 20.0)), plane.d);
    // The side from which p1, p2, p3 run clockwise (left-handed, looking along +z) is positive.
    EXPECT_GT(planeValue(plane, D3DXVECTOR3(40, 40, 10)), 0.0);
    EXPECT_LT(planeValue(plane, D3DXVECTOR3(40, 40, 30)), 0.0);

    // Reflecting in it renormalises, which gives the exact mirror z -> 40 - z.
    D3DXMATRIX mirror;
    D3DXMatrixReflect(&mirror, &plane);
    const D3DXMATRIX expected(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 40, 1);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_EQ(expected.m[i][j], mirror.m[i][j]) << i << "," << j;
    }
}

struct FromPointsCase {
    const char* name;
    D3DXVECTOR3 p1, p2, p3;
};

const FromPointsCase kFromPoints[] = {
    {"floor", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 80), D3DXVECTOR3(80, 0, 0)},
    {"side wall", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 80, 0), D3DXVECTOR3(0, 0, 80)},
    {"oblique", D3DXVECTOR3(1.5f, -2, 3), D3DXVECTOR3(4, 0.25f, -1), D3DXVECTOR3(-3, 7, 2)},
};

TEST(PlaneFromPoints, PassesThroughAllThreePointsWithAUnitNormal) {
    for (const FromPointsCase& c : kFromPoints) {
        SCOPED_TRACE(c.name);
        D3DXPLANE plane;
        ASSERT_EQ(&plane, D3DXPlaneFromPoints(&plane, &c.p1, &c.p2, &c.p3));
        const double len = std::sqrt(static_cast<double>(plane.a) * plane.a + static_cast<double>(plane.b) * plane.b +
                                     static_cast<double>(plane.c) * plane.c);
        EXPECT_NEAR(1.0, len, 2e-6);
        EXPECT_NEAR(0.0, planeValue(plane, c.p1), 1e-5);
        EXPECT_NEAR(0.0, planeValue(plane, c.p2), 1e-4);
        EXPECT_NEAR(0.0, planeValue(plane, c.p3), 1e-4);
        // Normal along (p1 - p2) x (p1 - p3).
        const D3DXVECTOR3 u = c.p1 - c.p2, w = c.p1 - c.p3;
        const double nx = static_cast<double>(u.y) * w.z - static_cast<double>(u.z) * w.y;
        const double ny = static_cast<double>(u.z) * w.x - static_cast<double>(u.x) * w.z;
        const double nz = static_cast<double>(u.x) * w.y - static_cast<double>(u.y) * w.x;
        EXPECT_GT(nx * plane.a + ny * plane.b + nz * plane.c, 0.0);
    }
}

TEST(PlaneFromPoints, CollinearPointsGiveTheZeroPlane) {
    const D3DXVECTOR3 p1(1, 2, 3), p2(2, 4, 6), p3(3, 6, 9);
    D3DXPLANE plane(5, 5, 5, 5);
    ASSERT_EQ(&plane, D3DXPlaneFromPoints(&plane, &p1, &p2, &p3));
    expectSamePlane(D3DXPLANE(0.0f, 0.0f, 0.0f, -0.0f), plane);
}

TEST(PlaneFromPoints, NullPointersAreRefused) {
    const D3DXVECTOR3 p(1, 2, 3);
    D3DXPLANE plane(5, 5, 5, 5);
    EXPECT_EQ(nullptr, D3DXPlaneFromPoints(nullptr, &p, &p, &p));
    EXPECT_EQ(nullptr, D3DXPlaneFromPoints(&plane, nullptr, &p, &p));
    EXPECT_EQ(nullptr, D3DXPlaneFromPoints(&plane, &p, nullptr, &p));
    EXPECT_EQ(nullptr, D3DXPlaneFromPoints(&plane, &p, &p, nullptr));
    expectSamePlane(D3DXPLANE(5, 5, 5, 5), plane);
}

}  // namespace
}  // namespace gfxutil::math::test

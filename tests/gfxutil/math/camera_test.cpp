#include <cmath>

#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

struct PerspectiveRefusal {
    const char* name;
    float fovy, aspect, zn, zf;
};

constexpr PerspectiveRefusal kRefusals[] = {
    {"zero field of view", 0.0f, 1.333f, 1.0f, 1000.0f},
    {"negative zero field of view", -0.0f, 1.333f, 1.0f, 1000.0f},
    {"zero aspect", 0.785f, 0.0f, 1.0f, 1000.0f},
    {"equal near and far", 0.785f, 1.333f, 5.0f, 5.0f},
    {"both planes at zero", 0.785f, 1.333f, 0.0f, 0.0f},
};

TEST(MatrixPerspectiveFovLH, RefusalsLeaveThePreviousMatrix) {
    for (const PerspectiveRefusal& c : kRefusals) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX m;
        D3DXMatrixTranslation(&m, 1, 2, 3);
        const D3DXMATRIX before = m;
        EXPECT_EQ(nullptr, D3DXMatrixPerspectiveFovLH(&m, c.fovy, c.aspect, c.zn, c.zf));
        expectSameMatrix(before, m);
    }
    EXPECT_EQ(nullptr, D3DXMatrixPerspectiveFovLH(nullptr, 0.785f, 1.333f, 1.0f, 100.0f));
}

struct PerspectiveCase {
    const char* name;
    float fovy, aspect, zn, zf;
};

constexpr PerspectiveCase kPerspective[] = {
    {"demo camera", 3.14159265f / 4, 800.0f / 600.0f, 1.0f, 1000.0f},
    {"wide and near", 1.5f, 2.0f, 0.1f, 50.0f},
    {"reversed depth", 0.5f, 1.0f, 100.0f, 1.0f},
};

TEST(MatrixPerspectiveFovLH, ElementsFollowTheProjectionFormula) {
    for (const PerspectiveCase& c : kPerspective) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX m;
        ASSERT_EQ(&m, D3DXMatrixPerspectiveFovLH(&m, c.fovy, c.aspect, c.zn, c.zf));
        const float half = c.fovy * 0.5f;
        const float cosHalf = static_cast<float>(std::cos(static_cast<double>(half)));
        const float sinHalf = static_cast<float>(std::sin(static_cast<double>(half)));
        const float yScale = cosHalf / sinHalf;
        const float depth = c.zf - c.zn;
        const D3DXMATRIX expected(yScale / c.aspect, 0, 0, 0,
                                  0, yScale, 0, 0,
                                  0, 0, c.zf / depth, 1,
                                  0, 0, static_cast<float>(-static_cast<double>(c.zn) * c.zf / depth), 0);
        expectSameMatrix(expected, m);
    }
}

TEST(MatrixPerspectiveFovLH, NearAndFarPlanesMapToDepthZeroAndOne) {
    D3DXMATRIX m;
    ASSERT_NE(nullptr, D3DXMatrixPerspectiveFovLH(&m, 0.785398f, 1.333333f, 1.0f, 1000.0f));
    const D3DXVECTOR3 nearPoint(0.0f, 0.0f, 1.0f), farPoint(0.0f, 0.0f, 1000.0f);
    D3DXVECTOR3 n, f;
    D3DXVec3TransformCoord(&n, &nearPoint, &m);
    D3DXVec3TransformCoord(&f, &farPoint, &m);
    EXPECT_NEAR(0.0, n.z, 1e-6);
    EXPECT_NEAR(1.0, f.z, 1e-6);
}

double dot3(const float* u, const float* w) {
    return static_cast<double>(u[0]) * w[0] + static_cast<double>(u[1]) * w[1] + static_cast<double>(u[2]) * w[2];
}

TEST(MatrixLookAtLH, DemoCameraIsOrthonormalAndLooksAlongZ) {
    const D3DXVECTOR3 eye(-40, 40, -120), at(20, 40, 0), up(0, 1, 0);
    D3DXMATRIX view;
    ASSERT_EQ(&view, D3DXMatrixLookAtLH(&view, &eye, &at, &up));
    const float xAxis[3] = {view._11, view._21, view._31};
    const float yAxis[3] = {view._12, view._22, view._32};
    const float zAxis[3] = {view._13, view._23, view._33};
    EXPECT_NEAR(1.0, dot3(xAxis, xAxis), 4e-6);
    EXPECT_NEAR(1.0, dot3(yAxis, yAxis), 4e-6);
    EXPECT_NEAR(1.0, dot3(zAxis, zAxis), 4e-6);
    EXPECT_NEAR(0.0, dot3(xAxis, yAxis), 1e-6);
    EXPECT_NEAR(0.0, dot3(xAxis, zAxis), 1e-6);
    EXPECT_NEAR(0.0, dot3(yAxis, zAxis), 1e-6);
    EXPECT_EQ(0.0f, view._14);
    EXPECT_EQ(0.0f, view._24);
    EXPECT_EQ(0.0f, view._34);
    EXPECT_EQ(1.0f, view._44);
    // The level camera keeps the world's up as its y axis.
    EXPECT_EQ(0.0f, view._21);
    EXPECT_NEAR(1.0, view._22, 2e-6);

    D3DXVECTOR3 e, t;
    D3DXVec3TransformCoord(&e, &eye, &view);
    D3DXVec3TransformCoord(&t, &at, &view);
    EXPECT_NEAR(0.0, e.x, 2e-4);
    EXPECT_NEAR(0.0, e.y, 2e-4);
    EXPECT_NEAR(0.0, e.z, 2e-4);
    EXPECT_NEAR(0.0, t.x, 2e-4);
    EXPECT_NEAR(0.0, t.y, 2e-4);
    EXPECT_NEAR(std::sqrt(60.0 * 60.0 + 120.0 * 120.0), t.z, 4e-4);
}

TEST(MatrixLookAtLH, EyeAtTargetZeroesTheAxes) {
    const D3DXVECTOR3 eye(5, 6, 7), up(0, 1, 0);
    D3DXMATRIX view;
    ASSERT_EQ(&view, D3DXMatrixLookAtLH(&view, &eye, &eye, &up));
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_EQ(0.0f, view.m[i][j]) << i << "," << j;
    }
    EXPECT_EQ(1.0f, view._44);
}

TEST(MatrixLookAtLH, NullPointersAreRefused) {
    const D3DXVECTOR3 v(1, 2, 3);
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    EXPECT_EQ(nullptr, D3DXMatrixLookAtLH(nullptr, &v, &v, &v));
    EXPECT_EQ(nullptr, D3DXMatrixLookAtLH(&m, nullptr, &v, &v));
    EXPECT_EQ(nullptr, D3DXMatrixLookAtLH(&m, &v, nullptr, &v));
    EXPECT_EQ(nullptr, D3DXMatrixLookAtLH(&m, &v, &v, nullptr));
    EXPECT_EQ(1.0f, m._11);
}

}  // namespace
}  // namespace gfxutil::math::test

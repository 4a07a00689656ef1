#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

D3DXMATRIX randomMatrix(TestFloats& floats) {
    D3DXMATRIX m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) m.m[i][j] = floats.next(-10.0f, 10.0f);
    }
    return m;
}

// Row-times-column in double, one rounding per element.
D3DXMATRIX referenceProduct(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += static_cast<double>(a.m[i][k]) * b.m[k][j];
            r.m[i][j] = static_cast<float>(sum);
        }
    }
    return r;
}

TEST(MatrixMultiply, MatchesTheDoublePrecisionProduct) {
    TestFloats floats(2024);
    for (int k = 0; k < 100; ++k) {
        const D3DXMATRIX a = randomMatrix(floats);
        const D3DXMATRIX b = randomMatrix(floats);
        D3DXMATRIX out;
        ASSERT_EQ(&out, D3DXMatrixMultiply(&out, &a, &b));
        expectSameMatrix(referenceProduct(a, b), out);
    }
}

// A sum of four products rounded once differs from a float running sum; this case shows it.
TEST(MatrixMultiply, ElementsAreRoundedOnce) {
    D3DXMATRIX a, b;
    D3DXMatrixIdentity(&a);
    D3DXMatrixIdentity(&b);
    a._11 = 1.0f;
    a._12 = 0x1p-24f;
    a._13 = 0x1p-24f;
    a._14 = 0.0f;
    b._11 = 1.0f;
    b._21 = 1.0f;
    b._31 = 1.0f;
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, &a, &b);
    // 1 + 2^-24 + 2^-24 = 1 + 2^-23 exactly; adding in float would lose both halves.
    EXPECT_SAME_FLOAT(1.0f + 0x1p-23f, out._11);
}

enum class Alias { kFirst, kSecond, kBoth };

struct AliasCase {
    const char* name;
    Alias alias;
};

constexpr AliasCase kAliasCases[] = {
    {"out is the first operand", Alias::kFirst},
    {"out is the second operand", Alias::kSecond},
    {"out is both operands", Alias::kBoth},
};

TEST(MatrixMultiply, OutputMayAliasEitherOperand) {
    TestFloats floats(77);
    const D3DXMATRIX a = randomMatrix(floats);
    const D3DXMATRIX b = randomMatrix(floats);
    for (const AliasCase& c : kAliasCases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX separate;
        D3DXMATRIX shared;
        const D3DXMATRIX* result = nullptr;
        switch (c.alias) {
        case Alias::kFirst:
            D3DXMatrixMultiply(&separate, &a, &b);
            shared = a;
            result = D3DXMatrixMultiply(&shared, &shared, &b);
            break;
        case Alias::kSecond:
            D3DXMatrixMultiply(&separate, &a, &b);
            shared = b;
            result = D3DXMatrixMultiply(&shared, &a, &shared);
            break;
        case Alias::kBoth:
            D3DXMatrixMultiply(&separate, &a, &a);
            shared = a;
            result = D3DXMatrixMultiply(&shared, &shared, &shared);
            break;
        }
        EXPECT_EQ(&shared, result);
        expectSameMatrix(separate, shared);
    }
}

TEST(MatrixMultiply, ProductAppliesTheFirstMatrixFirst) {
    D3DXMATRIX translate, scale, product;
    D3DXMatrixTranslation(&translate, 1.0f, 2.0f, 3.0f);
    D3DXMatrixIdentity(&scale);
    scale._11 = 2.0f;
    scale._22 = 3.0f;
    scale._33 = 4.0f;
    D3DXMatrixMultiply(&product, &translate, &scale);
    const D3DXVECTOR3 p(1.0f, 1.0f, 1.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &product);
    // Translate to (2, 3, 4), then scale.
    expectSameVector(D3DXVECTOR3(4.0f, 9.0f, 16.0f), out);
}

TEST(MatrixMultiply, NullPointersAreRefused) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    const D3DXMATRIX before = m;
    EXPECT_EQ(nullptr, D3DXMatrixMultiply(nullptr, &m, &m));
    EXPECT_EQ(nullptr, D3DXMatrixMultiply(&m, nullptr, &m));
    EXPECT_EQ(nullptr, D3DXMatrixMultiply(&m, &m, nullptr));
    expectSameMatrix(before, m);
}

TEST(MatrixTranslation, IsTheIdentityWithTheFourthRowSet) {
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = 99.0f;
    ASSERT_EQ(&m, D3DXMatrixTranslation(&m, -3.5f, 0.0f, 1e-7f));
    const D3DXMATRIX expected(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -3.5f, 0.0f, 1e-7f, 1);
    expectSameMatrix(expected, m);
    EXPECT_EQ(nullptr, D3DXMatrixTranslation(nullptr, 1, 2, 3));
}

struct ReflectCase {
    const char* name;
    D3DXPLANE plane;
};

// The mirror plane z = 20 in three spellings: normalised, scaled, and flipped.
constexpr ReflectCase kMirrorPlanes[] = {
    {"unit normal", D3DXPLANE(0.0f, 0.0f, -1.0f, 20.0f)},
    {"scaled by 2", D3DXPLANE(0.0f, 0.0f, -2.0f, 40.0f)},
    {"flipped and scaled by 0.5", D3DXPLANE(0.0f, 0.0f, 0.5f, -10.0f)},
};

TEST(MatrixReflect, MirrorPlaneMapsZToFortyMinusZ) {
    const D3DXMATRIX expected(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 40, 1);
    for (const ReflectCase& c : kMirrorPlanes) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX m;
        ASSERT_EQ(&m, D3DXMatrixReflect(&m, &c.plane));
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) EXPECT_EQ(expected.m[i][j], m.m[i][j]) << i << "," << j;
        }
        const D3DXVECTOR3 p(12.5f, -3.0f, 7.0f);
        D3DXVECTOR3 mirrored;
        D3DXVec3TransformCoord(&mirrored, &p, &m);
        expectSameVector(D3DXVECTOR3(12.5f, -3.0f, 33.0f), mirrored);
    }
}

TEST(MatrixReflect, ObliquePlaneMirrorsPointsAcrossIt) {
    const D3DXPLANE plane(1.0f, 2.0f, -2.0f, 6.0f);  // |n| = 3
    D3DXMATRIX m;
    D3DXMatrixReflect(&m, &plane);
    TestFloats floats(5);
    for (int k = 0; k < 50; ++k) {
        const D3DXVECTOR3 p(floats.next(-20, 20), floats.next(-20, 20), floats.next(-20, 20));
        D3DXVECTOR3 q;
        D3DXVec3TransformCoord(&q, &p, &m);
        const double dp = (p.x + 2.0 * p.y - 2.0 * p.z + 6.0) / 3.0;
        const double dq = (q.x + 2.0 * q.y - 2.0 * q.z + 6.0) / 3.0;
        EXPECT_NEAR(-dp, dq, 1e-4);                                       // opposite side, same distance
        EXPECT_NEAR(p.x - 2.0 * dp * (1.0 / 3.0), q.x, 1e-4);            // moved along the normal only
    }
}

TEST(MatrixReflect, ZeroPlaneGivesTheIdentity) {
    const D3DXPLANE zero(0.0f, 0.0f, 0.0f, 0.0f);
    D3DXMATRIX m, identity;
    D3DXMatrixReflect(&m, &zero);
    D3DXMatrixIdentity(&identity);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_EQ(identity.m[i][j], m.m[i][j]);
    }
    EXPECT_EQ(nullptr, D3DXMatrixReflect(nullptr, &zero));
    EXPECT_EQ(nullptr, D3DXMatrixReflect(&m, nullptr));
}

}  // namespace
}  // namespace gfxutil::math::test

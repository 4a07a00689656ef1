#include <cstring>
#include <vector>

#include "tests/gfxutil/math/math_test_util.h"

namespace gfxutil::math::test {
namespace {

// The transform written out in double, as the reference.
D3DXVECTOR3 referenceTransformCoord(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    double r[4];
    for (int j = 0; j < 4; ++j) {
        r[j] = static_cast<double>(v.x) * m.m[0][j] + static_cast<double>(v.y) * m.m[1][j] +
               static_cast<double>(v.z) * m.m[2][j] + m.m[3][j];
    }
    float x = static_cast<float>(r[0]), y = static_cast<float>(r[1]), z = static_cast<float>(r[2]);
    const float w = static_cast<float>(r[3]);
    // The divide is defined on the rounded sums; the empty asm keeps the optimiser from using the
    // unrounded doubles instead, which GCC 12's vectoriser does here.
    asm("" : "+x"(x), "+x"(y), "+x"(z));
    if (w >= 1.0f - 0x1p-23f && w <= 1.0f + 0x1p-23f) return D3DXVECTOR3(x, y, z);
    const double rw = 1.0 / static_cast<double>(w);
    return D3DXVECTOR3(static_cast<float>(x * rw), static_cast<float>(y * rw), static_cast<float>(z * rw));
}

const D3DXMATRIX kAffine(2.0f, 0.5f, 0.0f, 0.0f,
                         -1.0f, 3.0f, 0.25f, 0.0f,
                         0.0f, 0.1f, 1.5f, 0.0f,
                         10.0f, -20.0f, 30.0f, 1.0f);

struct WCase {
    const char* name;
    float w44;
    bool divides;
};

// The fourth column is (0, 0, 0, w44), so w = w44 for every point.
constexpr WCase kWCases[] = {
    {"w exactly 1", 1.0f, false},
    {"w one ulp above 1 counts as 1", 1.0f + 0x1p-23f, false},
    {"w one ulp below 1 counts as 1", 1.0f - 0x1p-24f, false},
    {"w two ulps below 1 still counts as 1", 1.0f - 0x1p-23f, false},
    {"w three ulps below 1 divides", 1.0f - 3 * 0x1p-24f, true},
    {"w two ulps above 1 divides", 1.0f + 0x1p-22f, true},
    {"w 2 divides", 2.0f, true},
    {"w -0.5 divides", -0.5f, true},
};

TEST(Vec3TransformCoord, DividesOnlyWhenWIsNotNearlyOne) {
    const D3DXVECTOR3 p(1.1f, -2.3f, 4.7f);
    for (const WCase& c : kWCases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX m = kAffine;
        m._44 = c.w44;
        D3DXVECTOR3 undivided;
        {
            D3DXMATRIX affine = m;
            affine._44 = 1.0f;
            D3DXVec3TransformCoord(&undivided, &p, &affine);
        }
        D3DXVECTOR3 out;
        ASSERT_EQ(&out, D3DXVec3TransformCoord(&out, &p, &m));
        if (c.divides) {
            EXPECT_NE(bitsOf(undivided.x), bitsOf(out.x));
            EXPECT_NEAR(undivided.x / c.w44, out.x, 1e-5);
        } else {
            expectSameVector(undivided, out);
        }
        expectSameVector(referenceTransformCoord(p, m), out);
    }
}

TEST(Vec3TransformCoord, AffineTransformIsExactWhereTheArithmeticIs) {
    const D3DXVECTOR3 p(1.0f, 2.0f, 4.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &kAffine);
    // x = 2 - 2 + 0 + 10, y = 0.5 + 6 + 0.4 - 20, z = 0 + 0.5 + 6 + 30
    EXPECT_SAME_FLOAT(10.0f, out.x);
    EXPECT_SAME_FLOAT(static_cast<float>(0.5 + 6.0 + 4.0 * static_cast<double>(0.1f) - 20.0), out.y);
    EXPECT_SAME_FLOAT(36.5f, out.z);
}

TEST(Vec3TransformCoord, PerspectiveMatrixDividesByW) {
    D3DXMATRIX proj;
    ASSERT_NE(nullptr, D3DXMatrixPerspectiveFovLH(&proj, 0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f));
    TestFloats floats(99);
    for (int k = 0; k < 200; ++k) {
        const D3DXVECTOR3 p(floats.next(-50, 50), floats.next(-50, 50), floats.next(2, 900));
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &p, &proj);
        expectSameVector(referenceTransformCoord(p, proj), out);
        EXPECT_GE(out.z, 0.0f);
        EXPECT_LE(out.z, 1.0f);
    }
}

TEST(Vec3TransformCoord, OutputMayBeTheInput) {
    D3DXMATRIX m = kAffine;
    m._14 = 0.01f;
    m._44 = 0.7f;
    const D3DXVECTOR3 p(3.5f, -1.25f, 8.0f);
    D3DXVECTOR3 separate;
    D3DXVec3TransformCoord(&separate, &p, &m);
    D3DXVECTOR3 same = p;
    EXPECT_EQ(&same, D3DXVec3TransformCoord(&same, &same, &m));
    expectSameVector(separate, same);
}

TEST(Vec3TransformCoord, NullPointersAreRefused) {
    D3DXVECTOR3 v(1, 2, 3);
    EXPECT_EQ(nullptr, D3DXVec3TransformCoord(nullptr, &v, &kAffine));
    EXPECT_EQ(nullptr, D3DXVec3TransformCoord(&v, nullptr, &kAffine));
    EXPECT_EQ(nullptr, D3DXVec3TransformCoord(&v, &v, nullptr));
    expectSameVector(D3DXVECTOR3(1, 2, 3), v);
}

struct ArrayRefusal {
    const char* name;
    bool nullOut;
    bool nullIn;
    bool nullMatrix;
    UINT outStride;
    UINT inStride;
    UINT count;
};

constexpr ArrayRefusal kRefusals[] = {
    {"output stride 8", false, false, false, 8, 12, 4},
    {"input stride 8", false, false, false, 12, 8, 4},
    {"output stride 11", false, false, false, 11, 16, 4},
    {"input stride 0", false, false, false, 16, 0, 4},
    {"count 0", false, false, false, 12, 12, 0},
    {"null output", true, false, false, 12, 12, 4},
    {"null input", false, true, false, 12, 12, 4},
    {"null matrix", false, false, true, 12, 12, 4},
};

TEST(Vec3TransformCoordArray, RefusalsWriteNothing) {
    for (const ArrayRefusal& c : kRefusals) {
        SCOPED_TRACE(c.name);
        std::vector<D3DXVECTOR3> in(8, D3DXVECTOR3(1, 2, 3));
        std::vector<unsigned char> out(8 * 16, 0xEE);
        const std::vector<unsigned char> before = out;
        auto* outPtr = c.nullOut ? nullptr : reinterpret_cast<D3DXVECTOR3*>(out.data());
        const D3DXVECTOR3* inPtr = c.nullIn ? nullptr : in.data();
        const D3DXMATRIX* m = c.nullMatrix ? nullptr : &kAffine;
        EXPECT_EQ(nullptr, D3DXVec3TransformCoordArray(outPtr, c.outStride, inPtr, c.inStride, m, c.count));
        EXPECT_EQ(before, out);
    }
}

struct Interleaved {
    D3DXVECTOR3 position;
    float extra[2];  // 20-byte records: the gaps must stay as they are
};

TEST(Vec3TransformCoordArray, StridesSelectTheElementsAndLeaveTheGaps) {
    D3DXMATRIX m = kAffine;
    m._24 = 0.02f;  // a projective matrix, so every element divides
    constexpr UINT kCount = 5;
    std::vector<Interleaved> in(kCount);
    TestFloats floats(7);
    for (Interleaved& e : in) {
        e.position = D3DXVECTOR3(floats.next(-9, 9), floats.next(-9, 9), floats.next(-9, 9));
        e.extra[0] = -1.0f;
        e.extra[1] = -2.0f;
    }
    std::vector<Interleaved> out(kCount);
    for (Interleaved& e : out) e = Interleaved{D3DXVECTOR3(0, 0, 0), {5.0f, 6.0f}};

    ASSERT_EQ(&out[0].position, D3DXVec3TransformCoordArray(&out[0].position, sizeof(Interleaved),
                                                             &in[0].position, sizeof(Interleaved), &m, kCount));
    for (UINT k = 0; k < kCount; ++k) {
        SCOPED_TRACE(testing::Message() << "element " << k);
        // The selected array form may work in float lanes: within their bound of the single form.
        D3DXVECTOR3 single;
        D3DXVec3TransformCoord(&single, &in[k].position, &m);
        CoordTally tally;
        expectCoordWithinBound(in[k].position, m, single, out[k].position, tally);
        EXPECT_EQ(1, tally.compared);
        EXPECT_EQ(5.0f, out[k].extra[0]);
        EXPECT_EQ(6.0f, out[k].extra[1]);
    }
}

TEST(Vec3TransformCoordArray, PackedArrayInPlace) {
    const std::vector<D3DXVECTOR3> original = {D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(-4, 5, -6),
                                               D3DXVECTOR3(0.5f, 0.25f, 8)};
    std::vector<D3DXVECTOR3> points = original;
    std::vector<D3DXVECTOR3> expected(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) D3DXVec3TransformCoord(&expected[k], &points[k], &kAffine);
    ASSERT_EQ(points.data(), D3DXVec3TransformCoordArray(points.data(), 12, points.data(), 12, &kAffine, 3));
    // The selected array form may work in float lanes: within their bound of the single form.
    CoordTally tally;
    for (std::size_t k = 0; k < points.size(); ++k) {
        expectCoordWithinBound(original[k], kAffine, expected[k], points[k], tally);
    }
    EXPECT_EQ(3, tally.compared);
}

}  // namespace
}  // namespace gfxutil::math::test

// Every processor form of every replacement set against the portable form of its slot, on random
// and edge inputs. The forms repeat the portable order of operations, so they must give the same
// bits; the table-driven normalisation is the reference for slot 7. D3DXVec3TransformCoordArray's
// forms work in float lanes and are held to an error bound instead (coordAccuracyChecker).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "gfxutil/math/dispatch.h"
#include "gfxutil/math/sse2_forms.h"
#include "tests/gfxutil/math/math_test_util.h"

namespace {

using namespace gfxutil::math;
using gfxutil::math::test::CoordTally;
using gfxutil::math::test::expectCoordWithinBound;
using gfxutil::math::test::expectSameVector;
using gfxutil::math::test::TestFloats;

template <class F>
F* as(AnyFunction f) {
    return reinterpret_cast<F*>(f);
}

template <class T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Edge and random matrices: zero, identity-like, huge, subnormal, singular without NaN,
// perspective, and random ones.
std::vector<D3DXMATRIX> matrices() {
    std::vector<D3DXMATRIX> out;
    D3DXMATRIX m;
    std::memset(&m, 0, sizeof m);
    out.push_back(m);
    D3DXMatrixIdentity(&m);
    out.push_back(m);
    TestFloats f(7);
    for (float scale : {1.0f, 1e30f, 1e-40f, 3e-39f}) {
        for (int k = 0; k < 40; ++k) {
            for (int i = 0; i < 16; ++i) (&m._11)[i] = f.next(-2, 2) * scale;
            out.push_back(m);
            D3DXMATRIX singular = m;  // the last row repeats the first: determinant 0
            for (int j = 0; j < 4; ++j) singular.m[3][j] = singular.m[0][j];
            out.push_back(singular);
        }
    }
    D3DXMatrixPerspectiveFovLH(&m, 0.785398f, 1.333333f, 1.0f, 1000.0f);
    out.push_back(m);
    return out;
}

std::vector<D3DXVECTOR4> vectors() {
    std::vector<D3DXVECTOR4> out = {{0, 0, 0, 0}, {1e-40f, -2e-41f, 3e-39f, 1}, {1e30f, -3e30f, 2e30f, 1e30f},
                                    {0, 0, 2, 1}, {0.6f, 0.8f, 0, 1}};
    TestFloats f(11);
    for (int k = 0; k < 60; ++k) out.emplace_back(f.next(-100, 100), f.next(-100, 100), f.next(-100, 100), f.next(-2, 2));
    return out;
}

const std::vector<D3DXMATRIX> kMatrices = matrices();
const std::vector<D3DXVECTOR4> kVectors = vectors();

// Checks `form` against `reference` for one slot; returns the number of comparisons made.
using Checker = std::function<int(AnyFunction form, AnyFunction reference)>;

template <class Fn, class Out, class In>
Checker vectorChecker() {
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        for (const D3DXMATRIX& m : kMatrices) {
            for (const D3DXVECTOR4& v4 : kVectors) {
                In in;
                std::memcpy(&in, &v4, sizeof in);
                Out expected, actual, aliased;
                as<Fn>(reference)(&expected, &in, &m);
                as<Fn>(form)(&actual, &in, &m);
                EXPECT_TRUE(sameBits(expected, actual)) << "input " << v4.x << " " << v4.y << " " << v4.z;
                if constexpr (sizeof(Out) == sizeof(In)) {
                    std::memcpy(&aliased, &in, sizeof in);
                    as<Fn>(form)(&aliased, reinterpret_cast<const In*>(&aliased), &m);
                    EXPECT_TRUE(sameBits(expected, aliased));
                }
                ++n;
            }
        }
        return n;
    };
}

template <class Fn, class Out, class In>
Checker arrayChecker() {
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        std::vector<In> in(kVectors.size());
        for (std::size_t k = 0; k < in.size(); ++k) std::memcpy(&in[k], &kVectors[k], sizeof(In));
        const UINT count = static_cast<UINT>(in.size());
        for (const D3DXMATRIX& m : kMatrices) {
            std::vector<Out> expected(count), actual(count);
            as<Fn>(reference)(expected.data(), sizeof(Out), in.data(), sizeof(In), &m, count);
            EXPECT_EQ(actual.data(), as<Fn>(form)(actual.data(), sizeof(Out), in.data(), sizeof(In), &m, count));
            EXPECT_EQ(0, std::memcmp(expected.data(), actual.data(), count * sizeof(Out)));
            // Wider strides, and in place where the element types agree.
            std::vector<unsigned char> wide(count * (sizeof(Out) + 4), 0xAB);
            as<Fn>(form)(reinterpret_cast<Out*>(wide.data()), sizeof(Out) + 4, in.data(), sizeof(In), &m, count);
            for (UINT k = 0; k < count; ++k) {
                EXPECT_EQ(0, std::memcmp(&expected[k], wide.data() + k * (sizeof(Out) + 4), sizeof(Out)));
            }
            if constexpr (sizeof(Out) == sizeof(In)) {
                std::vector<In> inPlace = in;
                as<Fn>(form)(reinterpret_cast<Out*>(inPlace.data()), sizeof(Out), inPlace.data(), sizeof(In), &m, count);
                EXPECT_EQ(0, std::memcmp(expected.data(), inPlace.data(), count * sizeof(Out)));
            }
            EXPECT_EQ(nullptr, as<Fn>(form)(actual.data(), sizeof(Out) - 4, in.data(), sizeof(In), &m, count));
            EXPECT_EQ(nullptr, as<Fn>(form)(actual.data(), sizeof(Out), in.data(), sizeof(In), &m, 0));
            EXPECT_EQ(nullptr, as<Fn>(form)(actual.data(), sizeof(Out), in.data(), sizeof(In), nullptr, count));
            n += static_cast<int>(count);
        }
        return n;
    };
}

// The float-lane forms of slot 63 against the portable form, within coordBound: packed, with wider
// strides on both sides, in place, for every count up to 40 (whole blocks and every kind of short
// last block), and refused as the portable form refuses.
Checker coordAccuracyChecker() {
    using Fn = D3DXVECTOR3*(D3DXVECTOR3*, UINT, const D3DXVECTOR3*, UINT, const D3DXMATRIX*, UINT);
    return [](AnyFunction form, AnyFunction reference) {
        std::vector<D3DXVECTOR3> in(kVectors.size());
        for (std::size_t k = 0; k < in.size(); ++k) in[k] = D3DXVECTOR3(kVectors[k].x, kVectors[k].y, kVectors[k].z);
        CoordTally tally;
        for (const D3DXMATRIX& m : kMatrices) {
            for (UINT count : {static_cast<UINT>(in.size()), 1u, 3u, 7u, 9u, 15u, 17u, 31u, 40u}) {
                std::vector<D3DXVECTOR3> expected(count), actual(count);
                as<Fn>(reference)(expected.data(), 12, in.data(), 12, &m, count);
                EXPECT_EQ(actual.data(), as<Fn>(form)(actual.data(), 12, in.data(), 12, &m, count));
                for (UINT k = 0; k < count; ++k) expectCoordWithinBound(in[k], m, expected[k], actual[k], tally);

                // Strides of 16 in and 20 out, and in place; every form must agree with its own
                // packed results there, bit for bit.
                std::vector<unsigned char> wideIn(count * 16, 0xCD), wideOut(count * 20, 0xAB);
                for (UINT k = 0; k < count; ++k) std::memcpy(wideIn.data() + k * 16, &in[k], 12);
                as<Fn>(form)(reinterpret_cast<D3DXVECTOR3*>(wideOut.data()), 20,
                             reinterpret_cast<const D3DXVECTOR3*>(wideIn.data()), 16, &m, count);
                std::vector<D3DXVECTOR3> inPlace(in.begin(), in.begin() + count);
                as<Fn>(form)(inPlace.data(), 12, inPlace.data(), 12, &m, count);
                for (UINT k = 0; k < count; ++k) {
                    EXPECT_EQ(0, std::memcmp(&actual[k], wideOut.data() + k * 20, 12)) << "point " << k;
                    EXPECT_EQ(0xAB, wideOut[k * 20 + 12]) << "the gap between outputs is not written";
                    EXPECT_EQ(0, std::memcmp(&actual[k], &inPlace[k], 12)) << "point " << k;
                }
            }
            D3DXVECTOR3 out[4];
            EXPECT_EQ(nullptr, as<Fn>(form)(out, 8, in.data(), 12, &m, 4));
            EXPECT_EQ(nullptr, as<Fn>(form)(out, 12, in.data(), 12, &m, 0));
            EXPECT_EQ(nullptr, as<Fn>(form)(out, 12, in.data(), 12, nullptr, 4));
        }
        // The bound is meant for the well-conditioned points, which must be nearly all of them.
        EXPECT_LT(tally.illConditioned * 50, tally.compared);
        return tally.compared;
    };
}

Checker matrixPairChecker() {
    using Fn = D3DXMATRIX*(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        for (std::size_t i = 0; i < kMatrices.size(); i += 3) {
            for (std::size_t j = 0; j < kMatrices.size(); j += 7) {
                const D3DXMATRIX& a = kMatrices[i];
                const D3DXMATRIX& b = kMatrices[j];
                D3DXMATRIX expected, actual, outIsA = a, outIsB = b, outIsBoth = a, both;
                as<Fn>(reference)(&expected, &a, &b);
                as<Fn>(form)(&actual, &a, &b);
                as<Fn>(form)(&outIsA, &outIsA, &b);
                as<Fn>(form)(&outIsB, &a, &outIsB);
                as<Fn>(reference)(&both, &a, &a);
                as<Fn>(form)(&outIsBoth, &outIsBoth, &outIsBoth);
                EXPECT_TRUE(sameBits(expected, actual));
                EXPECT_TRUE(sameBits(expected, outIsA));
                EXPECT_TRUE(sameBits(expected, outIsB));
                EXPECT_TRUE(sameBits(both, outIsBoth));
                ++n;
            }
        }
        return n;
    };
}

Checker inverseChecker() {
    using Fn = D3DXMATRIX*(D3DXMATRIX*, FLOAT*, const D3DXMATRIX*);
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        for (const D3DXMATRIX& m : kMatrices) {
            D3DXMATRIX expected, actual, aliased = m;
            FLOAT detE = -1, detA = -2;
            D3DXMatrixIdentity(&expected);
            D3DXMatrixIdentity(&actual);
            const bool okE = as<Fn>(reference)(&expected, &detE, &m) != nullptr;
            const bool okA = as<Fn>(form)(&actual, &detA, &m) != nullptr;
            EXPECT_EQ(okE, okA);
            EXPECT_TRUE(sameBits(detE, detA));
            EXPECT_TRUE(sameBits(expected, actual));
            if (okE) {
                as<Fn>(form)(&aliased, nullptr, &aliased);
                EXPECT_TRUE(sameBits(expected, aliased));
            }
            ++n;
        }
        return n;
    };
}

Checker determinantChecker() {
    using Fn = FLOAT(const D3DXMATRIX*);
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        for (const D3DXMATRIX& m : kMatrices) {
            EXPECT_TRUE(sameBits(as<Fn>(reference)(&m), as<Fn>(form)(&m)));
            ++n;
        }
        return n;
    };
}

template <class T>
Checker unaryChecker() {
    using Fn = T*(T*, const T*);
    return [](AnyFunction form, AnyFunction reference) {
        int n = 0;
        for (const D3DXVECTOR4& v4 : kVectors) {
            T in, expected, actual;
            std::memcpy(&in, &v4, sizeof in);
            as<Fn>(reference)(&expected, &in);
            as<Fn>(form)(&actual, &in);
            EXPECT_TRUE(sameBits(expected, actual)) << v4.x << " " << v4.y << " " << v4.z << " " << v4.w;
            T aliased = in;
            as<Fn>(form)(&aliased, &aliased);
            EXPECT_TRUE(sameBits(expected, aliased));
            ++n;
        }
        return n;
    };
}

// The checker of each slot that has processor forms, and the reference the forms must match.
struct SlotCheck {
    Checker check;
    AnyFunction reference;
};

std::map<int, SlotCheck> slotChecks() {
    using V3 = D3DXVECTOR3;
    using V4 = D3DXVECTOR4;
    using P = D3DXPLANE;
    using M = D3DXMATRIX;
    const AnyFunction* t = portableTable().data();
    return {
        {1, {vectorChecker<V4*(V4*, const V3*, const M*), V4, V3>(), t[1]}},
        {2, {vectorChecker<V4*(V4*, const V4*, const M*), V4, V4>(), t[2]}},
        {3, {matrixPairChecker(), t[3]}},
        {4, {matrixPairChecker(), t[4]}},
        {6, {vectorChecker<V3*(V3*, const V3*, const M*), V3, V3>(), t[6]}},
        {7, {unaryChecker<V3>(), anyFunction(&fast::vec3Normalize)}},
        {10, {vectorChecker<V3*(V3*, const V3*, const M*), V3, V3>(), t[10]}},
        {11, {determinantChecker(), t[11]}},
        {18, {inverseChecker(), t[18]}},
        {21, {unaryChecker<P>(), t[21]}},
        {34, {vectorChecker<P*(P*, const P*, const M*), P, P>(), t[34]}},
        {62, {arrayChecker<V4*(V4*, UINT, const V3*, UINT, const M*, UINT), V4, V3>(), t[62]}},
        {63, {coordAccuracyChecker(), t[63]}},
        {64, {arrayChecker<V3*(V3*, UINT, const V3*, UINT, const M*, UINT), V3, V3>(), t[64]}},
        {65, {arrayChecker<V4*(V4*, UINT, const V4*, UINT, const M*, UINT), V4, V4>(), t[65]}},
        {68, {arrayChecker<P*(P*, UINT, const P*, UINT, const M*, UINT), P, P>(), t[68]}},
    };
}

struct SetCase {
    const char* name;
    std::span<const SlotForm> (*set)();
    std::set<int> allowed;  // the slots this set may replace
};

std::set<int> range(int first, int last) {
    std::set<int> s;
    for (int i = first; i <= last; ++i) s.insert(i);
    return s;
}

std::set<int> sseSlots() {
    std::set<int> s = range(0, 11);
    for (int i : {13, 16, 17, 18, 19, 20, 21, 22, 24, 25, 27, 28, 34, 44, 68, 69, 70}) s.insert(i);
    for (int i : range(47, 54)) s.insert(i);
    for (int i : range(58, 65)) s.insert(i);
    return s;
}

TEST(ProcessorForms, EveryFormGivesThePortableResults) {
    const std::map<int, SlotCheck> checks = slotChecks();
    std::set<int> threeDNow = range(0, 38);
    for (int i : range(40, 58)) threeDNow.insert(i);
    std::set<int> sse2 = sseSlots();
    sse2.erase(44);
    std::set<int> arrays = range(59, 65);
    arrays.insert(68);
    const SetCase cases[] = {
        {"SSE", &sseSet, sseSlots()},
        {"SSE2", &sse2Set, sse2},
        {"3DNow!", &threeDNowSet, threeDNow},
        {"3DNow! with the extensions", &threeDNowExtendedSet, {15, 18, 24, 38}},
        {"3DNow! with SSE", &threeDNowSseArraySet, arrays},
        {"AVX2", &avx2Set, sse2},
        {"AVX-512", &avx512Set, sse2},
    };
    int compared = 0;
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const SlotForm& f : c.set()) {
            SCOPED_TRACE(testing::Message() << "slot " << f.slot);
            EXPECT_TRUE(c.allowed.count(f.slot)) << "the set may not replace this slot";
            const auto check = checks.find(f.slot);
            ASSERT_NE(checks.end(), check) << "no check for this slot";
            if (std::string(c.name) == "AVX2" && !avx2::available()) continue;
            if (std::string(c.name) == "AVX-512" && !avx512::available()) continue;
            compared += check->second.check(f.form, check->second.reference);
        }
    }
    EXPECT_GT(compared, 10000);
}

// Slots 2 and 34 share their processor form's code: the same results for the same four floats.
TEST(ProcessorForms, VectorAndPlaneTransformAgree) {
    for (const D3DXMATRIX& m : kMatrices) {
        for (const D3DXVECTOR4& v : kVectors) {
            D3DXVECTOR4 a;
            D3DXPLANE p(v.x, v.y, v.z, v.w), b;
            sse2::vec4Transform(&a, &v, &m);
            sse2::planeTransform(&b, &p, &m);
            ASSERT_EQ(0, std::memcmp(&a, &b, 16));
        }
    }
}

// The portable fast set's forms against the portable table's: the product exactly, the
// table-driven normalisation within the table's accuracy (and 1e-5 where it keeps a vector whose
// squared length is already within 1e-5 of 1).
TEST(ProcessorForms, PortableFastSetMatchesThePortableTable) {
    ASSERT_EQ(2u, portableFastSet().size());
    matrixPairChecker()(anyFunction(&fast::matrixMultiply), portableTable()[3]);
    for (const D3DXVECTOR4& v4 : kVectors) {
        const D3DXVECTOR3 v(v4.x, v4.y, v4.z);
        D3DXVECTOR3 exact, table;
        portable::vec3Normalize(&exact, &v);
        fast::vec3Normalize(&table, &v);
        const double sum = static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                           static_cast<double>(v.z) * v.z;
        if (static_cast<float>(sum) == 0.0f) {
            // A squared length that rounds to zero counts as the zero vector in the table form.
            expectSameVector(D3DXVECTOR3(0, 0, 0), table);
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            const float e = (&exact.x)[i], t = (&table.x)[i];
            EXPECT_LE(std::fabs(e - t), 1e-5f * std::fabs(e) + 1e-45f) << v.x << " " << v.y << " " << v.z;
        }
    }
}

}  // namespace

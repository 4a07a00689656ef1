#include "sim/particle.h"

#include "tests/sim/sim_test_util.h"

namespace sim::test {
namespace {

TEST(Particle, ConstructionDrawsTheMassAndSetsTheForce) {
    platform::kernel::srand(0);
    ReferenceRand ref(0);
    for (int n = 0; n < 60; ++n) {
        SCOPED_TRACE(n);
        const int k = ref.next() % 50;
        const Particle p;
        const float mass = 5.0f + 0.1f * static_cast<float>(k);
        EXPECT_SAME_FLOAT(mass, p.mass);
        expectSameVector(D3DXVECTOR3(10.0f, mass - 35.0f, 0.0f), p.force);
        EXPECT_GE(p.force.y, -30.0f);
        EXPECT_LE(p.force.y, -25.1f);
        EXPECT_GE(p.mass, 5.0f);
        EXPECT_LE(p.mass, 9.9f + 1e-6f);
        EXPECT_EQ(nullptr, p.links.get());
        EXPECT_EQ(0, p.numLinks);
    }
    EXPECT_EQ(60, drawsSinceSeed(0));
}

TEST(Particle, FirstParticleAfterSeedZero) {
    platform::kernel::srand(0);
    const Particle p;
    // The first output after seeding with 0 is 38 (state 2531011): k = 38 mod 50.
    ReferenceRand ref(0);
    EXPECT_EQ(38, ref.next());
    EXPECT_SAME_FLOAT(5.0f + 0.1f * 38.0f, p.mass);
}

TEST(Particle, MovingDoesNotDraw) {
    platform::kernel::srand(7);
    Particle a;
    a.SetNumLinks(2);
    a.SetLink(1, 4, 5);
    Particle b(std::move(a));
    Particle c;
    c = std::move(b);
    EXPECT_EQ(2, c.numLinks);
    EXPECT_EQ(4, c.links[1].spring);
    EXPECT_EQ(5, c.links[1].other);
    EXPECT_EQ(2, drawsSinceSeed(7));  // a and c only
}

struct LinkCase {
    const char* name;
    int index;
    bool changes;
};

constexpr LinkCase kLinkCases[] = {
    {"first", 0, true},
    {"last", 2, true},
    {"equal to numLinks", 3, false},
    {"far beyond", 1000, false},
    {"negative", -1, false},
};

TEST(Particle, SetLinkIgnoresIndicesOutsideTheList) {
    platform::kernel::srand(1);
    for (const LinkCase& c : kLinkCases) {
        SCOPED_TRACE(c.name);
        Particle p;
        p.SetNumLinks(3);
        for (int i = 0; i < 3; ++i) p.SetLink(i, 10 + i, 20 + i);
        p.SetLink(c.index, 99, 98);
        for (int i = 0; i < 3; ++i) {
            const bool changed = c.changes && i == c.index;
            EXPECT_EQ(changed ? 99 : 10 + i, p.links[i].spring);
            EXPECT_EQ(changed ? 98 : 20 + i, p.links[i].other);
        }
    }
}

TEST(Particle, SetNumLinksReplacesTheList) {
    platform::kernel::srand(1);
    Particle p;
    p.SetNumLinks(1);
    p.SetLink(0, 1, 2);
    p.SetNumLinks(4);
    EXPECT_EQ(4, p.numLinks);
    ASSERT_NE(nullptr, p.links.get());
    p.SetLink(3, 7, 8);
    EXPECT_EQ(7, p.links[3].spring);
    p.SetNumLinks(-2);
    EXPECT_EQ(0, p.numLinks);
    p.SetLink(0, 1, 1);  // nothing to write into
}

}  // namespace
}  // namespace sim::test

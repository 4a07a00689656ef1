#include <cmath>

#include "sim/spring_system.h"
#include "tests/sim/sim_test_util.h"

namespace sim::test {
namespace {

TEST(SpringSystem, ConstructedEmptyWithWallsAtEighty) {
    platform::kernel::srand(3);
    SpringSystem s;
    EXPECT_EQ(nullptr, s.particles.get());
    EXPECT_EQ(nullptr, s.springs.get());
    EXPECT_EQ(0, s.numParticles);
    EXPECT_EQ(0, s.numSprings);
    EXPECT_EQ(80.0f, s.wallX);
    EXPECT_EQ(80.0f, s.wallY);
    EXPECT_EQ(0, drawsSinceSeed(3));
}

TEST(SpringSystem, DeletingAnUninitialisedSystemFreesNothing) {
    auto* systems = new SpringSystem[3];
    systems[1].Step();  // no particles: nothing to move, nothing to read
    delete[] systems;
    SUCCEED() << "the sanitizer build checks the frees";
}

TEST(SpringSystem, InitDrawsOneMassPerParticleInIndexOrder) {
    platform::kernel::srand(42);
    ReferenceRand ref(42);
    SpringSystem s;
    s.Init(0.25f, 5, 3);
    ASSERT_EQ(5, s.numParticles);
    ASSERT_EQ(3, s.numSprings);
    EXPECT_EQ(0.25f, s.dt);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_SAME_FLOAT(5.0f + 0.1f * static_cast<float>(ref.next() % 50), s.particles[i].mass);
        EXPECT_EQ(nullptr, s.particles[i].links.get());
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(30.0f, s.springs[k].ks);
        EXPECT_EQ(5.0f, s.springs[k].kd);
    }
    EXPECT_EQ(5, drawsSinceSeed(42));
}

TEST(SpringSystem, SecondInitReplacesTheArrays) {
    platform::kernel::srand(5);
    SpringSystem s;
    s.Init(0.03f, 2, 1);
    s.SetParticle(0, 1, D3DXVECTOR3(1, 2, 3));
    s.SetParticle(1, 1, D3DXVECTOR3(4, 5, 6));
    s.SetLink(0, 0, 0, 1);
    s.SetSpring(0, 0, 1);
    s.Init(0.5f, 4, 2);
    EXPECT_EQ(4, s.numParticles);
    EXPECT_EQ(2, s.numSprings);
    EXPECT_EQ(0.5f, s.dt);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nullptr, s.particles[i].links.get());
        EXPECT_EQ(0, s.particles[i].numLinks);
    }
    EXPECT_EQ(6, drawsSinceSeed(5));  // 2 + 4 particle constructions
}

TEST(SpringSystem, SetParticlePlacesItAtRest) {
    platform::kernel::srand(0);
    SpringSystem s;
    s.Init(0.03f, 2, 1);
    s.SetParticle(1, 3, D3DXVECTOR3(-0.0f, 50.5f, 1e-3f));
    const Particle& p = s.particles[1];
    expectSameVector(D3DXVECTOR3(-0.0f, 50.5f, 1e-3f), p.pos);
    expectSameVector(p.pos, p.oldPos);
    EXPECT_EQ(3, p.numLinks);
    EXPECT_NE(nullptr, p.links.get());
}

struct IndexCase {
    const char* name;
    int index;
};

constexpr IndexCase kOutOfRange[] = {{"equal to the count", 2}, {"beyond", 17}, {"negative", -1}};

TEST(SpringSystem, SettersIgnoreIndicesOutsideTheArrays) {
    for (const IndexCase& c : kOutOfRange) {
        SCOPED_TRACE(c.name);
        platform::kernel::srand(0);
        SpringSystem s;
        s.Init(0.03f, 2, 2);
        s.SetParticle(0, 1, D3DXVECTOR3(3, 80, 0));
        s.SetParticle(1, 1, D3DXVECTOR3(1, 50, 0));
        s.SetLink(0, 0, 0, 1);
        s.SetLink(1, 0, 0, 0);
        s.SetSpring(0, 0, 1);
        s.SetSpring(1, 1, 0);
        const float rest = s.springs[0].restLength;

        s.SetParticle(c.index, 1, D3DXVECTOR3(9, 9, 9));
        s.SetLink(c.index, 0, 1, 1);
        s.SetLink(0, c.index, 1, 1);
        s.SetSpring(c.index, 1, 0);
        s.SetSpring(0, c.index, 1);  // a spring end that names no particle
        s.SetSpring(0, 0, c.index);

        expectSameVector(D3DXVECTOR3(3, 80, 0), s.particles[0].pos);
        expectSameVector(D3DXVECTOR3(1, 50, 0), s.particles[1].pos);
        EXPECT_EQ(0, s.particles[0].links[0].spring);
        EXPECT_EQ(1, s.particles[0].links[0].other);
        EXPECT_EQ(0, s.springs[0].a);
        EXPECT_EQ(1, s.springs[0].b);
        EXPECT_SAME_FLOAT(rest, s.springs[0].restLength);
    }
}

TEST(SpringSystem, SetSpringTakesTheRestLengthFromThePositions) {
    platform::kernel::srand(0);
    SpringSystem s;
    s.Init(0.03f, 2, 1);
    s.SetParticle(0, 1, D3DXVECTOR3(3, 80, 0));
    s.SetParticle(1, 1, D3DXVECTOR3(1, 50, 0));
    s.SetSpring(0, 0, 1);
    EXPECT_EQ(0, s.springs[0].a);
    EXPECT_EQ(1, s.springs[0].b);
    EXPECT_SAME_FLOAT(static_cast<float>(std::sqrt(904.0)), s.springs[0].restLength);
    EXPECT_EQ(30.0f, s.springs[0].ks);
    EXPECT_EQ(5.0f, s.springs[0].kd);
}

}  // namespace
}  // namespace sim::test

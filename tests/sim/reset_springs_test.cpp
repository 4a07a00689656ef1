#include <cmath>

#include "sim/spring_systems.h"
#include "tests/sim/array_allocations.h"
#include "tests/sim/reference_sim.h"

namespace sim::test {
namespace {

class ResetSprings : public testing::Test {
protected:
    void SetUp() override { springSystems = new SpringSystem[kNumSpringSystems]; }
    void TearDown() override {
        delete[] springSystems;
        springSystems = nullptr;
    }
};

TEST_F(ResetSprings, FirstPopulationAfterSeedZero) {
    platform::kernel::srand(0);
    resetSprings();
    ReferenceRand ref(0);
    for (int i = 0; i < kNumSpringSystems; ++i) {
        SCOPED_TRACE(testing::Message() << "system " << i);
        const SpringSystem& s = springSystems[i];
        // Draw order: mass 0, mass 1, blue, green, red.
        const int k0 = ref.next() % 50, k1 = ref.next() % 50;
        const int blue = ref.next() % 200 + 56, green = ref.next() % 200 + 56, red = ref.next() % 200 + 56;
        EXPECT_SAME_FLOAT(5.0f + 0.1f * static_cast<float>(k0), s.particles[0].mass);
        EXPECT_SAME_FLOAT(5.0f + 0.1f * static_cast<float>(k1), s.particles[1].mass);
        expectSameVector(D3DXVECTOR3(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue)),
                         s.colour);
        EXPECT_GE(s.colour.x, 56.0f);
        EXPECT_LE(s.colour.x, 255.0f);

        EXPECT_EQ(0.03f, s.dt);
        ASSERT_EQ(2, s.numParticles);
        ASSERT_EQ(1, s.numSprings);
        expectSameVector(D3DXVECTOR3(3, 80, 0), s.particles[0].pos);
        expectSameVector(D3DXVECTOR3(3, 80, 0), s.particles[0].oldPos);
        expectSameVector(D3DXVECTOR3(1, 50, 0), s.particles[1].pos);
        expectSameVector(D3DXVECTOR3(1, 50, 0), s.particles[1].oldPos);
        ASSERT_EQ(1, s.particles[0].numLinks);
        ASSERT_EQ(1, s.particles[1].numLinks);
        EXPECT_EQ(0, s.particles[0].links[0].spring);
        EXPECT_EQ(1, s.particles[0].links[0].other);
        EXPECT_EQ(0, s.particles[1].links[0].spring);
        EXPECT_EQ(0, s.particles[1].links[0].other);
        EXPECT_EQ(0, s.springs[0].a);
        EXPECT_EQ(1, s.springs[0].b);
        EXPECT_SAME_FLOAT(static_cast<float>(std::sqrt(904.0)), s.springs[0].restLength);
        EXPECT_SAME_FLOAT(10.0f, s.particles[0].force.x);
    }
    EXPECT_EQ(200, drawsSinceSeed(0));
}

TEST_F(ResetSprings, SameSeedSamePopulation) {
    platform::kernel::srand(0);
    resetSprings();
    float masses[kNumSpringSystems][2];
    D3DXVECTOR3 colours[kNumSpringSystems];
    for (int i = 0; i < kNumSpringSystems; ++i) {
        masses[i][0] = springSystems[i].particles[0].mass;
        masses[i][1] = springSystems[i].particles[1].mass;
        colours[i] = springSystems[i].colour;
    }
    platform::kernel::srand(0);
    resetSprings();
    bool allSameMass = true;
    for (int i = 0; i < kNumSpringSystems; ++i) {
        EXPECT_SAME_FLOAT(masses[i][0], springSystems[i].particles[0].mass);
        EXPECT_SAME_FLOAT(masses[i][1], springSystems[i].particles[1].mass);
        expectSameVector(colours[i], springSystems[i].colour);
        allSameMass = allSameMass && masses[i][0] == masses[0][0];
    }
    EXPECT_FALSE(allSameMass);  // the systems do differ from each other
}

TEST_F(ResetSprings, RestartRepopulatesWithFreshDrawsAndNoOldState) {
    platform::kernel::srand(0);
    resetSprings();
    constexpr int kFrames = 400;
    for (int frame = 0; frame < kFrames; ++frame) {
        for (int i = 0; i < kNumSpringSystems; ++i) springSystems[i].Step();
    }
    // Some particles have come to rest by now and lost their sideways force.
    int rested = 0;
    for (int i = 0; i < kNumSpringSystems; ++i) {
        rested += springSystems[i].particles[0].force.x == 0.0f;
        rested += springSystems[i].particles[1].force.x == 0.0f;
    }
    EXPECT_GT(rested, 0);

    const long arraysBefore = liveArrayAllocations();
    resetSprings();  // no reseed: the population continues the sequence
    ReferenceRand ref(0);
    for (long n = 0; n < 200 + kFrames * 160L; ++n) ref.next();
    for (int i = 0; i < kNumSpringSystems; ++i) {
        SCOPED_TRACE(testing::Message() << "system " << i);
        const SpringSystem& s = springSystems[i];
        EXPECT_SAME_FLOAT(5.0f + 0.1f * static_cast<float>(ref.next() % 50), s.particles[0].mass);
        EXPECT_SAME_FLOAT(5.0f + 0.1f * static_cast<float>(ref.next() % 50), s.particles[1].mass);
        const float blue = static_cast<float>(ref.next() % 200 + 56);
        const float green = static_cast<float>(ref.next() % 200 + 56);
        const float red = static_cast<float>(ref.next() % 200 + 56);
        expectSameVector(D3DXVECTOR3(red, green, blue), s.colour);
        for (int k = 0; k < 2; ++k) {
            expectSameVector(s.particles[k].pos, s.particles[k].oldPos);
            EXPECT_SAME_FLOAT(10.0f, s.particles[k].force.x);
        }
    }
    // The old particle, link and spring arrays were all freed: as many arrays live as before.
    EXPECT_EQ(arraysBefore, liveArrayAllocations());
}

TEST_F(ResetSprings, RestartsFreeEveryOldArray) {
    platform::kernel::srand(0);
    resetSprings();
    const long afterFirst = liveArrayAllocations();
    // Per system: the particle array, the spring array, and one link array per particle.
    for (int restart = 0; restart < 10; ++restart) {
        for (int i = 0; i < kNumSpringSystems; ++i) springSystems[i].Step();
        resetSprings();
        EXPECT_EQ(afterFirst, liveArrayAllocations());
    }
    delete[] springSystems;
    springSystems = nullptr;
    // Deleting the whole array frees all four arrays of each system, and the array itself.
    EXPECT_EQ(afterFirst - 4L * kNumSpringSystems - 1, liveArrayAllocations());
}

TEST_F(ResetSprings, FirstStepAfterARestartNeedsNoWallResponse) {
    platform::kernel::srand(0);
    for (int restart = 0; restart < 5; ++restart) {
        resetSprings();
        for (int i = 0; i < kNumSpringSystems; ++i) {
            const SpringSystem& s = springSystems[i];
            for (int k = 0; k < 2; ++k) {
                const Particle& p = s.particles[k];
                const D3DXVECTOR3 n = ((2.0f * p.pos) - p.oldPos) + ((p.force * s.dt) * s.dt) / p.mass;
                EXPECT_GT(n.y, 0.0f);
                EXPECT_LT(n.y, s.wallY);
                EXPECT_GT(n.x, 0.0f);
                EXPECT_LT(n.x, s.wallX);
            }
        }
        for (int i = 0; i < kNumSpringSystems; ++i) springSystems[i].Step();
    }
}

TEST(ResetSpringsWithoutSystems, DoesNothingWhileTheArrayIsMissing) {
    ASSERT_EQ(nullptr, springSystems);
    platform::kernel::srand(4);
    resetSprings();
    EXPECT_EQ(0, drawsSinceSeed(4));
}

}  // namespace
}  // namespace sim::test

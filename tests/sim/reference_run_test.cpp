// Thousands of frames of the forty systems, compared bit for bit with the independent model.
#include <memory>

#include "sim/spring_systems.h"
#include "tests/sim/reference_sim.h"

namespace sim::test {
namespace {

constexpr int kFrames = 5000;
constexpr int kRestartEvery = 1000;

// Owns the global array for one test, like the application does for the whole run.
class SystemsFixture : public testing::Test {
protected:
    void SetUp() override { springSystems = new SpringSystem[kNumSpringSystems]; }
    void TearDown() override {
        delete[] springSystems;
        springSystems = nullptr;
    }
};

void expectSameState(const RefSystem& ref, const SpringSystem& sys) {
    ASSERT_EQ(2, sys.numParticles);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(testing::Message() << "particle " << k);
        const RefParticle& r = ref.p[k];
        const Particle& p = sys.particles[k];
        ASSERT_EQ(bitsOf(r.mass), bitsOf(p.mass));
        ASSERT_EQ(bitsOf(r.cur.x), bitsOf(p.pos.x)) << r.cur.x << " vs " << p.pos.x;
        ASSERT_EQ(bitsOf(r.cur.y), bitsOf(p.pos.y)) << r.cur.y << " vs " << p.pos.y;
        ASSERT_EQ(bitsOf(r.cur.z), bitsOf(p.pos.z)) << r.cur.z << " vs " << p.pos.z;
        ASSERT_EQ(bitsOf(r.old.x), bitsOf(p.oldPos.x)) << r.old.x << " vs " << p.oldPos.x;
        ASSERT_EQ(bitsOf(r.old.y), bitsOf(p.oldPos.y)) << r.old.y << " vs " << p.oldPos.y;
        ASSERT_EQ(bitsOf(r.old.z), bitsOf(p.oldPos.z)) << r.old.z << " vs " << p.oldPos.z;
        ASSERT_EQ(bitsOf(r.force.x), bitsOf(p.force.x));
        ASSERT_EQ(bitsOf(r.force.y), bitsOf(p.force.y));
        ASSERT_EQ(bitsOf(r.force.z), bitsOf(p.force.z));
    }
    ASSERT_EQ(bitsOf(ref.red), bitsOf(sys.colour.x));
    ASSERT_EQ(bitsOf(ref.green), bitsOf(sys.colour.y));
    ASSERT_EQ(bitsOf(ref.blue), bitsOf(sys.colour.z));
    ASSERT_EQ(bitsOf(ref.restLength), bitsOf(sys.springs[0].restLength));
}

TEST_F(SystemsFixture, FiveThousandFramesWithRestartsMatchTheIndependentModel) {
    platform::kernel::srand(0);
    ReferenceRand rng(0);
    RefCounters counters;
    auto model = std::make_unique<RefSystem[]>(kNumSpringSystems);

    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame % kRestartEvery == 0) {
            resetSprings();
            for (int i = 0; i < kNumSpringSystems; ++i) refPopulate(model[i], rng);
            for (int i = 0; i < kNumSpringSystems; ++i) {
                SCOPED_TRACE(testing::Message() << "population at frame " << frame << ", system " << i);
                expectSameState(model[i], springSystems[i]);
                if (HasFatalFailure()) return;
            }
        }
        for (int i = 0; i < kNumSpringSystems; ++i) {
            springSystems[i].Step();
            refStep(model[i], rng, counters);
        }
        for (int i = 0; i < kNumSpringSystems; ++i) {
            SCOPED_TRACE(testing::Message() << "frame " << frame << ", system " << i);
            expectSameState(model[i], springSystems[i]);
            if (HasFatalFailure()) return;
        }
    }

    // 5 populations of 200 draws, 5000 frames of 160.
    EXPECT_EQ(5 * 200 + kFrames * 160, rng.draws());
    EXPECT_EQ(rng.draws(), drawsSinceSeed(0));

    // The run went through every path of the step, so the comparison covered them all.
    EXPECT_GT(counters.floor, 0);
    EXPECT_GT(counters.ceiling, 0);
    EXPECT_GT(counters.left, 0);
    EXPECT_GT(counters.right, 0);
    EXPECT_GT(counters.free, 0);
    EXPECT_GT(counters.clamp, 0);
    EXPECT_GT(counters.rest, 0);
    RecordProperty("floor", static_cast<int>(counters.floor));
    RecordProperty("ceiling", static_cast<int>(counters.ceiling));
    RecordProperty("left", static_cast<int>(counters.left));
    RecordProperty("right", static_cast<int>(counters.right));
    RecordProperty("clamp", static_cast<int>(counters.clamp));
    RecordProperty("rest", static_cast<int>(counters.rest));
}

TEST_F(SystemsFixture, OneFrameDrawsOneHundredSixtyAndOnePopulationTwoHundred) {
    platform::kernel::srand(0);
    resetSprings();
    EXPECT_EQ(200, drawsSinceSeed(0));

    platform::kernel::srand(12345);
    for (int i = 0; i < kNumSpringSystems; ++i) springSystems[i].Step();
    EXPECT_EQ(160, drawsSinceSeed(12345));

    platform::kernel::srand(99);
    springSystems[7].Step();
    EXPECT_EQ(4, drawsSinceSeed(99));
}

}  // namespace
}  // namespace sim::test

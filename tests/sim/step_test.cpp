#include <cmath>
#include <limits>

#include "sim/spring_system.h"
#include "tests/sim/reference_sim.h"

namespace sim::test {
namespace {

constexpr float kDt = 0.03f;
constexpr float kNearWall = 0.01f;

// Two linked particles like the demo's; particle 0 gets the state under test, particle 1 waits
// far inside the box. Returns the system and its independent model with the same state.
struct Scene {
    SpringSystem sys;
    RefSystem ref;

    Scene(const D3DXVECTOR3& pos, const D3DXVECTOR3& oldPos, const D3DXVECTOR3& force) {
        platform::kernel::srand(0);
        ReferenceRand rng(0);
        sys.Init(kDt, 2, 1);
        sys.SetParticle(0, 1, pos);
        sys.SetParticle(1, 1, D3DXVECTOR3(40, 40, 0));
        sys.SetLink(0, 0, 0, 1);
        sys.SetLink(1, 0, 0, 0);
        sys.SetSpring(0, 0, 1);
        sys.particles[0].oldPos = oldPos;
        sys.particles[0].force = force;
        sys.particles[1].force = D3DXVECTOR3(0, 0, 0);

        ref.dt = kDt;
        for (int k = 0; k < 2; ++k) {
            const Particle& p = sys.particles[k];
            ref.p[k] = RefParticle{p.mass, Vec{p.oldPos.x, p.oldPos.y, p.oldPos.z}, Vec{p.pos.x, p.pos.y, p.pos.z},
                                   Vec{p.force.x, p.force.y, p.force.z}, 1 - k};
        }
        ref.restLength = sys.springs[0].restLength;
    }

    // Phase one alone: the library's Step leaves the phase-one position in oldPos.
    void stepBoth(RefCounters& counters) {
        sys.Step();
        ReferenceRand rng(0);
        refStep(ref, rng, counters);
    }
};

TEST(Step, ParticleReleasedAtRestFallsFreely) {
    platform::kernel::srand(0);
    SpringSystem s;
    s.Init(kDt, 2, 1);
    s.SetParticle(0, 1, D3DXVECTOR3(3, 80, 0));
    s.SetParticle(1, 1, D3DXVECTOR3(1, 50, 0));
    s.SetLink(0, 0, 0, 1);
    s.SetLink(1, 0, 0, 0);
    s.SetSpring(0, 0, 1);
    const float m = s.particles[0].mass;
    s.Step();
    // Phase one's result is particle 0's history after the step.
    const float dt2 = kDt * kDt;
    const D3DXVECTOR3 expected(3.0f + 10.0f * dt2 / m, 80.0f + (m - 35.0f) * dt2 / m, 0.0f);
    EXPECT_NEAR(expected.x, s.particles[0].oldPos.x, 1e-5);
    EXPECT_NEAR(expected.y, s.particles[0].oldPos.y, 1e-5);
    EXPECT_EQ(0.0f, s.particles[0].oldPos.z);
    // Exactly, in the library's operation order.
    const float inv = 1.0f / m;
    EXPECT_SAME_FLOAT((2.0f * 3.0f - 3.0f) + ((10.0f * kDt) * kDt) * inv, s.particles[0].oldPos.x);
    EXPECT_SAME_FLOAT((2.0f * 80.0f - 80.0f) + (((m - 35.0f) * kDt) * kDt) * inv, s.particles[0].oldPos.y);
    EXPECT_LT(s.particles[0].oldPos.y, 80.0f);
}

enum class Response { kFree, kFloor, kCeiling, kLeft, kRight };

struct BoundaryCase {
    const char* name;
    D3DXVECTOR3 pos;
    D3DXVECTOR3 oldPos;  // with zero force the tentative position is 2 pos - oldPos
    Response expected;
};

const BoundaryCase kBoundaryCases[] = {
    {"tentative y exactly 0", D3DXVECTOR3(40, 1, 0), D3DXVECTOR3(40, 2, 0), Response::kFloor},
    {"tentative y just above 0", D3DXVECTOR3(40, 1, 0), D3DXVECTOR3(40, 1.9999999f, 0), Response::kFree},
    {"tentative y exactly wallY", D3DXVECTOR3(40, 79, 0), D3DXVECTOR3(40, 78, 0), Response::kCeiling},
    {"tentative x exactly 0", D3DXVECTOR3(1, 40, 0), D3DXVECTOR3(2, 40, 0), Response::kLeft},
    {"tentative x exactly wallX", D3DXVECTOR3(79, 40, 0), D3DXVECTOR3(78, 40, 0), Response::kRight},
    {"beyond floor and right wall: floor only", D3DXVECTOR3(79.5f, 0.5f, 0), D3DXVECTOR3(78.5f, 1.5f, 0), Response::kFloor},
    {"beyond floor and left wall: floor only", D3DXVECTOR3(0.5f, 0.5f, 0), D3DXVECTOR3(1.5f, 1.5f, 0), Response::kFloor},
    {"beyond ceiling and left wall: ceiling only", D3DXVECTOR3(0.5f, 79.5f, 0), D3DXVECTOR3(1.5f, 78.5f, 0), Response::kCeiling},
    {"inside, moving in z only", D3DXVECTOR3(40, 40, 100), D3DXVECTOR3(40, 40, -100), Response::kFree},
    {"at rest on the floor line", D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(5, 0, 0), Response::kFloor},
};

Response observed(const RefCounters& c) {
    if (c.floor) return Response::kFloor;
    if (c.ceiling) return Response::kCeiling;
    if (c.left) return Response::kLeft;
    if (c.right) return Response::kRight;
    return Response::kFree;
}

TEST(Step, BoundariesTakeTheFirstResponseThatApplies) {
    for (const BoundaryCase& c : kBoundaryCases) {
        SCOPED_TRACE(c.name);
        Scene scene(c.pos, c.oldPos, D3DXVECTOR3(0, 0, 0));
        RefCounters counters;
        scene.stepBoth(counters);
        counters.free -= 1;  // particle 1 always moves freely
        EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(observed(counters)));
        EXPECT_LE(counters.floor + counters.ceiling + counters.left + counters.right + counters.free, 1);

        // The library agrees with the model bit for bit.
        const Particle& p = scene.sys.particles[0];
        EXPECT_SAME_FLOAT(scene.ref.p[0].old.x, p.oldPos.x);
        EXPECT_SAME_FLOAT(scene.ref.p[0].old.y, p.oldPos.y);
        EXPECT_SAME_FLOAT(scene.ref.p[0].old.z, p.oldPos.z);
        EXPECT_SAME_FLOAT(scene.ref.p[0].cur.x, p.pos.x);
        EXPECT_SAME_FLOAT(scene.ref.p[0].cur.y, p.pos.y);
        EXPECT_SAME_FLOAT(scene.ref.p[0].cur.z, p.pos.z);

        // What each response does to the phase-one position (left in oldPos by the step).
        const D3DXVECTOR3 n = (2.0f * c.pos) - c.oldPos;
        switch (c.expected) {
        case Response::kFree:
            expectSameVector(n, p.oldPos);
            break;
        case Response::kFloor:
            // Mirrored about 0.01: start and tentative both reflected, x from the contact point.
            EXPECT_SAME_FLOAT(n.x, p.oldPos.x);
            EXPECT_SAME_FLOAT((2.0f * (kNearWall - (n.y - kNearWall))) - (kNearWall - (c.pos.y - kNearWall)),
                              p.oldPos.y);
            break;
        case Response::kCeiling:
            EXPECT_SAME_FLOAT(n.x, p.oldPos.x);
            EXPECT_SAME_FLOAT((2.0f * (80.0f - (n.y - 80.0f))) - (80.0f - (c.pos.y - 80.0f)), p.oldPos.y);
            break;
        case Response::kLeft:
            EXPECT_SAME_FLOAT((2.0f * (kNearWall - (n.x - kNearWall))) - (kNearWall - (c.pos.x - kNearWall)),
                              p.oldPos.x);
            EXPECT_SAME_FLOAT((2.0f * n.y) - c.pos.y, p.oldPos.y);
            break;
        case Response::kRight:
            EXPECT_SAME_FLOAT((2.0f * (80.0f - (n.x - 80.0f))) - (80.0f - (c.pos.x - 80.0f)), p.oldPos.x);
            EXPECT_SAME_FLOAT((2.0f * n.y) - c.pos.y, p.oldPos.y);
            break;
        }
    }
}

TEST(Step, NotANumberTakesTheFloorResponse) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Scene scene(D3DXVECTOR3(40, nan, 0), D3DXVECTOR3(40, 1, 0), D3DXVECTOR3(0, 0, 0));
    RefCounters counters;
    scene.stepBoth(counters);
    EXPECT_EQ(1, counters.floor);
    EXPECT_TRUE(std::isnan(scene.sys.particles[0].pos.y));
}

TEST(Step, FloorBounceKeepsOnlyTheForcesHorizontalOffset) {
    const D3DXVECTOR3 force(10.0f, -28.0f, 0.0f);
    Scene scene(D3DXVECTOR3(20, 0.05f, 0), D3DXVECTOR3(19, 0.5f, 0), force);
    const Particle& p = scene.sys.particles[0];
    const float m = p.mass;
    // Re-run phase one by hand through the public response to see its own result.
    SpringSystem& s = scene.sys;
    D3DXVECTOR3 start = p.pos;
    D3DXVECTOR3 tentative = ((2.0f * p.pos) - p.oldPos) + ((force * kDt) * kDt) / m;
    ASSERT_LE(tentative.y, 0.0f);
    s.RespondY(0, kNearWall, start, tentative);
    const D3DXVECTOR3 offset = ((force * kDt) * kDt) / m;
    // Horizontal displacement: the offset only, the sideways velocity of 1 per step is gone.
    EXPECT_SAME_FLOAT(((2.0f * p.oldPos.x) - p.oldPos.x) + offset.x, p.pos.x);
    EXPECT_NEAR(offset.x, p.pos.x - p.oldPos.x, 1e-6);
    // Vertical displacement reversed: now moving up.
    EXPECT_GT(p.pos.y - p.oldPos.y, 0.0f);
    // The responses hand back the mirrored pair.
    EXPECT_SAME_FLOAT(tentative.x, start.x);
}

TEST(Step, SideBounceKeepsTheVerticalDisplacement) {
    const D3DXVECTOR3 force(10.0f, -28.0f, 0.0f);
    Scene scene(D3DXVECTOR3(79.9f, 40, 0), D3DXVECTOR3(79.0f, 40.5f, 0), force);
    SpringSystem& s = scene.sys;
    const Particle& p = s.particles[0];
    const float m = p.mass;
    const D3DXVECTOR3 start0 = p.pos;
    const D3DXVECTOR3 old0 = p.oldPos;
    D3DXVECTOR3 start = start0;
    D3DXVECTOR3 tentative = ((2.0f * start0) - old0) + ((force * kDt) * kDt) / m;
    ASSERT_GE(tentative.x, 80.0f);
    s.RespondX(0, 80.0f, start, tentative);
    const D3DXVECTOR3 offset = ((force * kDt) * kDt) / m;
    // The mirrored start keeps its own y, so the step onward continues the vertical motion.
    EXPECT_SAME_FLOAT(start0.y, start.y);
    EXPECT_SAME_FLOAT(((2.0f * tentative.y) - start0.y) + offset.y, p.pos.y);
    EXPECT_LT(p.pos.y - p.oldPos.y, 0.0f);  // still moving down
    // Horizontal: reversed, now moving left, back inside the box.
    EXPECT_LT(p.pos.x - p.oldPos.x, 0.0f);
    EXPECT_LT(p.pos.x, 80.0f);
}

TEST(Step, ContactTimeOfAMoveAlongTheWallIsZero) {
    // Start and tentative y both exactly 0 (zero force, at rest on y = 0): the contact time would
    // be 0/0; it is taken as 0, so the response starts from the Verlet position itself.
    Scene scene(D3DXVECTOR3(30, 0, 0), D3DXVECTOR3(30, 0, 0), D3DXVECTOR3(0, 0, 0));
    SpringSystem& s = scene.sys;
    D3DXVECTOR3 start(30, 0, 0), tentative(30, 0, 0);
    s.RespondY(0, kNearWall, start, tentative);
    const Particle& p = s.particles[0];
    for (float c : {p.pos.x, p.pos.y, p.pos.z, p.oldPos.x, p.oldPos.y, p.oldPos.z}) EXPECT_TRUE(std::isfinite(c));
    expectSameVector(D3DXVECTOR3(30, 0.02f, 0), p.oldPos);
    EXPECT_SAME_FLOAT(2.0f * 0.02f - (kNearWall - (0.0f - kNearWall)), p.pos.y);
}

TEST(Step, RestingParticleLosesItsSidewaysForceForGood) {
    // Particle 0 sits still at the spring's rest length from a still particle 1, with no
    // external force: its spring move is 0, so its x and z force go to 0.
    Scene scene(D3DXVECTOR3(20, 40, 0), D3DXVECTOR3(20, 40, 0), D3DXVECTOR3(0, 0, 0));
    SpringSystem& s = scene.sys;
    s.springs[0].restLength = static_cast<float>(gfxutil::math::length(s.particles[1].pos - s.particles[0].pos));
    s.particles[0].force = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    s.particles[1].force = D3DXVECTOR3(10.0f, -30.0f, 4.0f);  // particle 1 keeps moving
    s.Step();
    EXPECT_SAME_FLOAT(0.0f, s.particles[0].force.x);
    EXPECT_SAME_FLOAT(10.0f, s.particles[1].force.x);
    EXPECT_SAME_FLOAT(4.0f, s.particles[1].force.z);
    EXPECT_SAME_FLOAT(-30.0f, s.particles[1].force.y);
}

struct RestCase {
    const char* name;
    float move;  // the particle's step along z, kept by a free move without spring
    bool rests;
};

constexpr RestCase kRestCases[] = {
    {"well below", 0.001f, true},
    {"just below", 0.00199f, true},
    {"float 0.002, a little above the double threshold", 0.002f, false},
    {"well above", 0.01f, false},
    {"still", 0.0f, true},
};

TEST(Step, RestThresholdCancelsTheSidewaysForce) {
    for (const RestCase& c : kRestCases) {
        SCOPED_TRACE(c.name);
        // A lone particle without a spring keeps its velocity through both phases. Its x and z
        // force are tiny, so they mark the rest without changing the move.
        platform::kernel::srand(0);
        SpringSystem s;
        s.Init(kDt, 1, 0);
        // Along z from 0, which no wall bounds, the step is represented exactly.
        s.SetParticle(0, 0, D3DXVECTOR3(40, 40, 0));
        Particle& p = s.particles[0];
        p.oldPos = D3DXVECTOR3(40, 40, -c.move);
        p.force = D3DXVECTOR3(1e-30f, 0.0f, 1e-30f);
        s.Step();
        const double move = gfxutil::math::length(p.pos - p.oldPos);
        EXPECT_EQ(c.rests, move < 0.002) << "move " << move;
        EXPECT_SAME_FLOAT(c.rests ? 0.0f : 1e-30f, p.force.x);
        EXPECT_SAME_FLOAT(c.rests ? 0.0f : 1e-30f, p.force.z);
        EXPECT_SAME_FLOAT(0.0f, p.force.y);
    }
}

}  // namespace
}  // namespace sim::test

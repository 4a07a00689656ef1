#include <cmath>

#include "sim/spring_system.h"
#include "tests/sim/reference_sim.h"

namespace sim::test {
namespace {

// Two linked particles with chosen positions and history; the spring's rest length is set from
// `restFrom` positions first.
struct Pair {
    SpringSystem s;
    Pair(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, float restLength) {
        platform::kernel::srand(0);
        s.Init(0.03f, 2, 1);
        s.SetParticle(0, 1, p0);
        s.SetParticle(1, 1, p1);
        s.SetLink(0, 0, 0, 1);
        s.SetLink(1, 0, 0, 0);
        s.SetSpring(0, 0, 1);
        s.springs[0].restLength = restLength;
    }
};

TEST(SpringMove, AtRestLengthWithoutRelativeMotionItJustContinues) {
    Pair pair(D3DXVECTOR3(10, 20, 0), D3DXVECTOR3(10, 25, 0), 5.0f);
    Particle& p = pair.s.particles[0];
    Particle& q = pair.s.particles[1];
    // Both moving the same way: no relative velocity, no stretch.
    p.oldPos = D3DXVECTOR3(9.5f, 20.25f, 0);
    q.oldPos = D3DXVECTOR3(9.5f, 25.25f, 0);
    const Particle w = pair.s.SpringMove(0);
    expectSameVector(D3DXVECTOR3(10, 20, 0), w.oldPos);
    expectSameVector((2.0f * p.pos) - p.oldPos, w.pos);
}

TEST(SpringMove, StretchedSpringPullsWithKsPerUnit) {
    // Stretched by exactly 1 along y: a force of 30 towards the other particle.
    Pair pair(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, 16, 0), 5.0f);
    Particle& p = pair.s.particles[0];
    const float dt = 0.03f;
    const Particle w = pair.s.SpringMove(0);
    const D3DXVECTOR3 force(0.0f, 30.0f, 0.0f);
    expectSameVector(((2.0f * p.pos) - p.oldPos) + ((force * dt) * dt) / p.mass, w.pos);
    EXPECT_GT(w.pos.y, p.pos.y);  // pulled towards q

    Pair compressed(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, 14, 0), 5.0f);
    const Particle v = compressed.s.SpringMove(0);
    EXPECT_LT(v.pos.y, 10.0f);  // pushed away
}

TEST(SpringMove, BelowTheFloorIsClampedAndIgnoresTheNeighbour) {
    Pair pair(D3DXVECTOR3(2, -0.5f, 0), D3DXVECTOR3(2, 4.5f, 0), 5.0f);
    Particle& p = pair.s.particles[0];
    Particle& q = pair.s.particles[1];
    p.oldPos = D3DXVECTOR3(2, 0.25f, 0);
    q.oldPos = D3DXVECTOR3(2, 9.0f, 0);  // the neighbour moves fast; the damping must not see it
    const Particle w = pair.s.SpringMove(0);
    EXPECT_SAME_FLOAT(0.0f, p.pos.y);  // clamped in place
    EXPECT_SAME_FLOAT(0.0f, w.oldPos.y);
    // Spring force taken before the clamp: length 5, at rest; damping from the own motion only.
    const float dt = 0.03f;
    const D3DXVECTOR3 own = D3DXVECTOR3(2, 0, 0) - D3DXVECTOR3(2, 0.25f, 0);
    const D3DXVECTOR3 damping = ((D3DXVECTOR3(0, 0, 0) - own) * 5.0f) / dt;
    const D3DXVECTOR3 total = D3DXVECTOR3(0, 0, 0) + damping;
    expectSameVector(((2.0f * D3DXVECTOR3(2, 0, 0)) - p.oldPos) + ((total * dt) * dt) / p.mass, w.pos);
}

TEST(SpringMove, ExactlyOnTheFloorIsNotClampedAndFeelsTheNeighbour) {
    Pair pair(D3DXVECTOR3(2, 0, 0), D3DXVECTOR3(2, 5, 0), 5.0f);
    Particle& p = pair.s.particles[0];
    Particle& q = pair.s.particles[1];
    p.oldPos = D3DXVECTOR3(2, 0, 0);
    q.oldPos = D3DXVECTOR3(2, 4.5f, 0);
    const Particle w = pair.s.SpringMove(0);
    // The neighbour moved up by 0.5: the damping pulls p along with it.
    const float dt = 0.03f;
    const D3DXVECTOR3 damping = ((D3DXVECTOR3(0, 0.5f, 0) - D3DXVECTOR3(0, 0, 0)) * 5.0f) / dt;
    const D3DXVECTOR3 total = D3DXVECTOR3(0, 0, 0) + damping;
    expectSameVector(((2.0f * p.pos) - p.oldPos) + ((total * dt) * dt) / p.mass, w.pos);
    EXPECT_GT(w.pos.y, 0.0f);
}

TEST(SpringMove, CoincidentParticlesFeelNoSpringForce) {
    Pair pair(D3DXVECTOR3(7, 7, 7), D3DXVECTOR3(7, 7, 7), 3.0f);
    const Particle w = pair.s.SpringMove(0);
    for (float c : {w.pos.x, w.pos.y, w.pos.z}) EXPECT_TRUE(std::isfinite(c));
    expectSameVector(D3DXVECTOR3(7, 7, 7), w.pos);
}

TEST(SpringMove, AParticleWithoutALinkFeelsNoSpring) {
    platform::kernel::srand(0);
    SpringSystem s;
    s.Init(0.03f, 2, 1);
    s.SetParticle(0, 0, D3DXVECTOR3(1, 2, 3));  // no links at all
    s.SetParticle(1, 1, D3DXVECTOR3(1, 9, 3));
    s.SetLink(1, 0, 5, 0);  // names a spring that does not exist
    s.particles[0].oldPos = D3DXVECTOR3(0.5f, 2, 3);
    const Particle w0 = s.SpringMove(0);
    expectSameVector(D3DXVECTOR3(1.5f, 2, 3), w0.pos);
    const Particle w1 = s.SpringMove(1);
    expectSameVector(D3DXVECTOR3(1, 9, 3), w1.pos);
}

TEST(SpringMove, DrawsOneNumber) {
    Pair pair(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, 16, 0), 5.0f);
    platform::kernel::srand(77);
    (void)pair.s.SpringMove(1);
    EXPECT_EQ(1, drawsSinceSeed(77));
}

}  // namespace
}  // namespace sim::test

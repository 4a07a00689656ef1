// The Verlet step of a spring system and its wall responses.
#include "sim/spring_system.h"

namespace {

// The floor and the left wall reflect about this line rather than about 0 itself, so a bounced
// particle comes to rest just above them.
constexpr float kNearWall = 0.01f;
// A spring move shorter than this (compared in double) means the particle has come to rest.
constexpr double kRestThreshold = 0.002;

// The time, within the step, at which the straight move from start reaches the wall. A move
// with no change across the wall has no such time; it uses 0, so the response starts from the
// particle's own Verlet position.
float contactTime(float wall, float start, float tentative, float dt) {
    const float change = tentative - start;
    if (change == 0.0f) return 0.0f;
    return ((wall - start) * dt) / change;
}

}  // namespace

D3DXVECTOR3 SpringSystem::externalOffset(const Particle& p, float tau) {
    return ((p.force * tau) * tau) / p.mass;
}

D3DXVECTOR3 SpringSystem::verletPosition(const Particle& p, float tau) {
    return ((2.0f * p.pos) - p.oldPos) + externalOffset(p, tau);
}

void SpringSystem::Step() {
    // One working record per particle; building them draws from the generator like every
    // particle construction, which the sequence of later populations depends on.
    std::unique_ptr<Particle[]> moved(new Particle[static_cast<unsigned>(numParticles)]);

    for (int i = 0; i < numParticles; ++i) {
        Particle& p = particles[i];
        D3DXVECTOR3 start = p.pos;
        D3DXVECTOR3 tentative = verletPosition(p, dt);
        // Written as negated comparisons so that a NaN coordinate takes the first response.
        if (!(tentative.y > 0.0f)) {
            RespondY(i, kNearWall, start, tentative);
        } else if (!(tentative.y < wallY)) {
            RespondY(i, wallY, start, tentative);
        } else if (!(tentative.x > 0.0f)) {
            RespondX(i, kNearWall, start, tentative);
        } else if (!(tentative.x < wallX)) {
            RespondX(i, wallX, start, tentative);
        } else {
            p.oldPos = start;
            p.pos = tentative;
        }
    }

    // Each result is written back before the next particle is evaluated, so particle i + 1
    // already feels particle i's new state.
    for (int i = 0; i < numParticles; ++i) {
        moved[i] = SpringMove(i);
        Particle& p = particles[i];
        p.oldPos = moved[i].oldPos;
        p.pos = moved[i].pos;
        if (gfxutil::math::length(moved[i].pos - moved[i].oldPos) < kRestThreshold) {
            p.force = D3DXVECTOR3(0.0f, p.force.y, 0.0f);
        }
    }
}

void SpringSystem::RespondY(int i, float wall, D3DXVECTOR3& start, D3DXVECTOR3& tentative) {
    Particle& p = particles[i];
    const float t = contactTime(wall, start.y, tentative.y, dt);
    tentative = verletPosition(p, t);
    tentative = D3DXVECTOR3(tentative.x, wall - (tentative.y - wall), tentative.z);
    // The start's x is replaced by the contact point's, which cancels the horizontal velocity
    // on a floor or ceiling bounce.
    start = D3DXVECTOR3(tentative.x, wall - (start.y - wall), start.z);
    p.oldPos = tentative;
    p.pos = ((2.0f * tentative) - start) + externalOffset(p, dt);
}

void SpringSystem::RespondX(int i, float wall, D3DXVECTOR3& start, D3DXVECTOR3& tentative) {
    Particle& p = particles[i];
    const float t = contactTime(wall, start.x, tentative.x, dt);
    tentative = verletPosition(p, t);
    tentative = D3DXVECTOR3(wall - (tentative.x - wall), tentative.y, tentative.z);
    // Along a side wall the vertical velocity is kept: y and z come from the start itself.
    start = D3DXVECTOR3(wall - (start.x - wall), start.y, start.z);
    p.oldPos = tentative;
    p.pos = ((2.0f * tentative) - start) + externalOffset(p, dt);
}

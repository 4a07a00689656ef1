// Phase two of a step: the move of one particle under its first link's damped spring.
#include "sim/spring_system.h"

Particle SpringSystem::SpringMove(int i) {
    Particle w;  // draws one number, like every particle construction
    Particle& p = particles[i];
    const NeighbourLink* link = firstLink(i);

    D3DXVECTOR3 total(0.0f, 0.0f, 0.0f);
    if (link != nullptr) {
        const Spring& s = springs[link->spring];
        const Particle& q = particles[link->other];

        const D3DXVECTOR3 d = q.pos - p.pos;
        const float length = static_cast<float>(gfxutil::math::length(d));
        // Coincident particles give no direction to pull along: no spring force.
        D3DXVECTOR3 springForce(0.0f, 0.0f, 0.0f);
        if (length != 0.0f) {
            const float scale = (length - s.restLength) * s.ks;
            springForce = scale * d;
            springForce = springForce / length;
        }

        // A particle found below the floor is put back on it, and its damping ignores the
        // neighbour's motion for this step. The spring force above was taken before the clamp.
        D3DXVECTOR3 neighbourVelocity(0.0f, 0.0f, 0.0f);
        if (p.pos.y < 0.0f) {
            p.pos.y = 0.0f;
        } else {
            neighbourVelocity = q.pos - q.oldPos;
        }
        const D3DXVECTOR3 ownVelocity = p.pos - p.oldPos;
        const D3DXVECTOR3 damping = ((neighbourVelocity - ownVelocity) * s.kd) / dt;
        total = springForce + damping;
    } else if (p.pos.y < 0.0f) {
        p.pos.y = 0.0f;
    }

    w.oldPos = p.pos;
    w.pos = ((2.0f * p.pos) - p.oldPos) + ((total * dt) * dt) / p.mass;
    return w;
}

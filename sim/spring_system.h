// One mass-spring system: particles moved by position Verlet integration inside an open-ended
// box (floor y = 0, left wall x = 0, ceiling wallY, right wall wallX, no bound in z), each pulled
// by the damped spring of its first neighbour link.
//
// Everything is single precision and evaluated in the written operation order, one rounded
// temporary per vector operator, so that runs are reproducible bit for bit.
//
// Choices made where nothing else fixes them:
// - A wall response whose tentative coordinate equals the start coordinate (the contact time
//   would be 0/0 or x/0) uses a contact time of 0.
// - Coincident particles (spring length 0) feel no spring force; the damping still acts.
// - A particle with no links, or whose first link names no valid spring or particle, feels no
//   spring force at all (damping included); the floor clamp still applies.
// - Counts start at 0 and negative counts or indices are ignored like those past the end, so a
//   system that was never initialised, or a bad index, never touches memory it does not own.
#pragma once

#include <memory>

#include "gfxutil/math/math_types.h"
#include "sim/particle.h"
#include "sim/spring.h"

class SpringSystem {
public:
    // Empty: no arrays, walls at 80. dt and colour stay unset until Init and resetSprings.
    SpringSystem() = default;
    SpringSystem(const SpringSystem&) = delete;
    SpringSystem& operator=(const SpringSystem&) = delete;
    ~SpringSystem();

    // Frees the old arrays, then makes numParticles particles (one generator draw each, in index
    // order) and numSprings springs.
    void Init(float timeStep, int particleCount, int springCount);
    // Places particle i at rest at position and gives it numLinks (unset) links.
    void SetParticle(int i, int linkCount, const D3DXVECTOR3& position);
    void SetLink(int particle, int i, int spring, int other);
    // Joins particles a and b; the rest length is their current distance, so positions first.
    void SetSpring(int s, int a, int b);

    // One integration step: the external-force move with wall responses, then the spring move.
    void Step();

    // The bounces of particle i off a horizontal (floor, ceiling) or vertical (side) boundary at
    // wall; start and tentative are the phase-one positions, and are mirrored in place. These and
    // SpringMove are the steps of Step: i must name a particle.
    void RespondY(int i, float wall, D3DXVECTOR3& start, D3DXVECTOR3& tentative);
    void RespondX(int i, float wall, D3DXVECTOR3& start, D3DXVECTOR3& tentative);

    // Phase two for particle i: the next position under the first link's damped spring alone,
    // as a working record (oldPos, pos). Clamps particle i's y to the floor in place.
    Particle SpringMove(int i);

    int numParticles = 0;
    int numSprings = 0;
    float dt;
    std::unique_ptr<Particle[]> particles;
    std::unique_ptr<Spring[]> springs;
    float wallX = 80.0f;
    float wallY = 80.0f;
    D3DXVECTOR3 colour;  // red, green, blue on a 0-255 scale; set by resetSprings

private:
    // ((force * tau) * tau) / mass: the external force's offset over a time tau.
    static D3DXVECTOR3 externalOffset(const Particle& p, float tau);
    // ((2 * pos) - oldPos) + externalOffset(tau): the Verlet position after a time tau.
    static D3DXVECTOR3 verletPosition(const Particle& p, float tau);
    // The first link of particle i when it names a valid spring and particle, else null.
    const NeighbourLink* firstLink(int i) const;
};

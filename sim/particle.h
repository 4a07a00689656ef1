// A point mass of the spring simulation and its neighbour list.
//
// Every construction of a Particle draws one number from the runtime generator: the masses of a
// population come from it, and so do the working records each step makes (two per particle and
// step). The populations after a restart depend on that exact count, so moves and copies never
// draw; only the constructor does.
#pragma once

#include <memory>

#include "gfxutil/math/math_types.h"

// Which spring pulls a particle, and towards which other particle; both are indices into the
// owning system's arrays.
struct NeighbourLink {
    int spring;
    int other;
};

struct Particle {
    // Draws k = rand() mod 50: mass 5.0 + 0.1 k, force (10, mass - 35, 0), no links. The
    // positions are left unset; numLinks starts at 0 so that a particle whose links were never
    // set cannot be written through a null list.
    Particle();

    Particle(Particle&&) noexcept = default;
    Particle& operator=(Particle&&) noexcept = default;
    Particle(const Particle&) = delete;
    Particle& operator=(const Particle&) = delete;
    ~Particle() = default;

    // Replaces the neighbour list with n uninitialised entries (a negative n counts as 0).
    void SetNumLinks(int n);
    // Entry i becomes (spring, other); an index outside 0 ... numLinks - 1 changes nothing.
    void SetLink(int i, int spring, int other);

    float mass;
    D3DXVECTOR3 oldPos;  // position at the previous step: the Verlet history
    D3DXVECTOR3 pos;
    D3DXVECTOR3 force;  // constant external force; its x and z drop to 0 once the particle rests
    int numLinks = 0;
    std::unique_ptr<NeighbourLink[]> links;
};

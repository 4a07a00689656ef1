#include "sim/spring_system.h"

SpringSystem::~SpringSystem() {
    particles.reset();  // each particle frees its own links
    springs.reset();
}

void SpringSystem::Init(float timeStep, int particleCount, int springCount) {
    particles.reset();
    springs.reset();
    dt = timeStep;
    numParticles = particleCount > 0 ? particleCount : 0;
    particles.reset(new Particle[static_cast<unsigned>(numParticles)]);
    numSprings = springCount > 0 ? springCount : 0;
    springs.reset(new Spring[static_cast<unsigned>(numSprings)]);
}

void SpringSystem::SetParticle(int i, int linkCount, const D3DXVECTOR3& position) {
    if (i < 0 || i >= numParticles) return;
    Particle& p = particles[i];
    // Every particle starts at rest; the history is written as position - velocity * dt so
    // that a starting velocity would only need a different constant here.
    const D3DXVECTOR3 velocity(0.0f, 0.0f, 0.0f);
    p.pos = position;
    p.oldPos = position - velocity * dt;
    p.SetNumLinks(linkCount);
}

void SpringSystem::SetLink(int particle, int i, int spring, int other) {
    if (particle < 0 || particle >= numParticles) return;
    particles[particle].SetLink(i, spring, other);
}

void SpringSystem::SetSpring(int s, int a, int b) {
    if (s < 0 || s >= numSprings) return;
    if (a < 0 || a >= numParticles || b < 0 || b >= numParticles) return;
    Spring& spring = springs[s];
    spring.a = a;
    spring.b = b;
    spring.restLength = static_cast<float>(gfxutil::math::length(particles[a].pos - particles[b].pos));
}

const NeighbourLink* SpringSystem::firstLink(int i) const {
    const Particle& p = particles[i];
    if (p.numLinks < 1 || !p.links) return nullptr;
    const NeighbourLink& link = p.links[0];
    if (link.spring < 0 || link.spring >= numSprings) return nullptr;
    if (link.other < 0 || link.other >= numParticles) return nullptr;
    return &link;
}

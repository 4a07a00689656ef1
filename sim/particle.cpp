#include "sim/particle.h"

#include "platform/kernel/crt_rand.h"

Particle::Particle() {
    const int k = platform::kernel::rand() % 50;
    mass = 5.0f + 0.1f * static_cast<float>(k);
    force = D3DXVECTOR3(10.0f, mass - 35.0f, 0.0f);
}

void Particle::SetNumLinks(int n) {
    numLinks = n > 0 ? n : 0;
    links.reset(new NeighbourLink[static_cast<unsigned>(numLinks)]);
}

void Particle::SetLink(int i, int spring, int other) {
    if (i < 0 || i >= numLinks) return;
    links[i] = NeighbourLink{spring, other};
}

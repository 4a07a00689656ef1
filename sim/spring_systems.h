// The forty spring systems of the demo and their (re)population.
//
// The array itself is defined by the application, beside its other globals, so that the static
// initialisers run in their fixed order: `springSystems = new SpringSystem[kNumSpringSystems]`.
// resetSprings acts on whatever that global holds and does nothing while it is null.
#pragma once

#include "sim/spring_system.h"

inline constexpr int kNumSpringSystems = 40;

extern SpringSystem* springSystems;

// Gives every system its starting state: two particles at rest at (3, 80, 0) and (1, 50, 0),
// one spring between them, a link each, and a random colour. Five generator draws per system
// (the two masses, then blue, green, red): 200 per population. Does not reseed.
void resetSprings();

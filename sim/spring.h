// A damped spring between two particles of one system, by index.
#pragma once

struct Spring {
    // Stiffness and damping are fixed at construction; the ends and the rest length are set by
    // SpringSystem::SetSpring.
    Spring() = default;

    int a;
    int b;
    float restLength;
    float ks = 30.0f;
    float kd = 5.0f;
};

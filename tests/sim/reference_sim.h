// An independent model of the spring systems, for bit-for-bit comparison with the library.
//
// It shares no code with sim/: plain float fields instead of vectors, free functions instead of
// members, its own generator. Each float operation is written in the same order as the library's
// vector chains, one rounding per operation, so any reordering on either side shows up as a
// difference in the last bit. Built for the demo's shape: two particles, one spring.
#pragma once

#include <cmath>

#include "tests/sim/sim_test_util.h"

namespace sim::test {

struct Vec {
    float x, y, z;
};

struct RefParticle {
    float mass;
    Vec old;
    Vec cur;
    Vec force;
    int other;  // the far end of the particle's one spring
};

struct RefSystem {
    float dt;
    float wallX = 80.0f;
    float wallY = 80.0f;
    RefParticle p[2];
    float restLength;
    float ks = 30.0f;
    float kd = 5.0f;
    float red, green, blue;
};

// How often each path ran, so a comparison can show that it covered them.
struct RefCounters {
    long floor = 0, ceiling = 0, left = 0, right = 0, free = 0, clamp = 0, rest = 0;
};

inline float refLength(float x, float y, float z) {
    const float s = x * x + y * y + z * z;
    return static_cast<float>(std::sqrt(static_cast<double>(s)));
}

inline double refLengthDouble(float x, float y, float z) {
    const float s = x * x + y * y + z * z;
    return std::sqrt(static_cast<double>(s));
}

inline float refMass(ReferenceRand& rng) { return 5.0f + 0.1f * static_cast<float>(rng.next() % 50); }

inline void refPopulate(RefSystem& s, ReferenceRand& rng) {
    s.dt = 0.03f;
    const Vec starts[2] = {{3.0f, 80.0f, 0.0f}, {1.0f, 50.0f, 0.0f}};
    for (int k = 0; k < 2; ++k) {
        RefParticle& q = s.p[k];
        q.mass = refMass(rng);
        q.force = Vec{10.0f, q.mass - 35.0f, 0.0f};
        q.cur = starts[k];
        q.old = starts[k];
        q.other = 1 - k;
    }
    s.restLength = refLength(s.p[0].cur.x - s.p[1].cur.x, s.p[0].cur.y - s.p[1].cur.y, s.p[0].cur.z - s.p[1].cur.z);
    s.blue = static_cast<float>(rng.next() % 200 + 56);
    s.green = static_cast<float>(rng.next() % 200 + 56);
    s.red = static_cast<float>(rng.next() % 200 + 56);
}

// ((force * tau) * tau) * (1 / mass), component by component.
inline float refOffset(float force, float tau, float mass) {
    const float inv = 1.0f / mass;
    return ((force * tau) * tau) * inv;
}

// (2 * cur - old) + offset
inline float refVerlet(float cur, float old, float force, float tau, float mass) {
    return (2.0f * cur - old) + refOffset(force, tau, mass);
}

enum class Axis { kX, kY };

inline void refBounce(RefSystem& s, RefParticle& q, Axis axis, float wall, Vec start, Vec tentative) {
    const float across0 = axis == Axis::kY ? start.y : start.x;
    const float across1 = axis == Axis::kY ? tentative.y : tentative.x;
    const float change = across1 - across0;
    const float t = change == 0.0f ? 0.0f : ((wall - across0) * s.dt) / change;
    Vec n{refVerlet(q.cur.x, q.old.x, q.force.x, t, q.mass), refVerlet(q.cur.y, q.old.y, q.force.y, t, q.mass),
          refVerlet(q.cur.z, q.old.z, q.force.z, t, q.mass)};
    Vec c = start;
    if (axis == Axis::kY) {
        n.y = wall - (n.y - wall);
        c.x = n.x;
        c.y = wall - (start.y - wall);
    } else {
        n.x = wall - (n.x - wall);
        c.x = wall - (start.x - wall);
    }
    q.old = n;
    q.cur = Vec{(2.0f * n.x - c.x) + refOffset(q.force.x, s.dt, q.mass),
                (2.0f * n.y - c.y) + refOffset(q.force.y, s.dt, q.mass),
                (2.0f * n.z - c.z) + refOffset(q.force.z, s.dt, q.mass)};
}

inline void refPhaseOne(RefSystem& s, RefParticle& q, RefCounters& counters) {
    const Vec start = q.cur;
    const Vec n{refVerlet(q.cur.x, q.old.x, q.force.x, s.dt, q.mass), refVerlet(q.cur.y, q.old.y, q.force.y, s.dt, q.mass),
                refVerlet(q.cur.z, q.old.z, q.force.z, s.dt, q.mass)};
    if (n.y <= 0.0f || std::isnan(n.y)) {
        ++counters.floor;
        refBounce(s, q, Axis::kY, 0.01f, start, n);
    } else if (n.y >= s.wallY) {
        ++counters.ceiling;
        refBounce(s, q, Axis::kY, s.wallY, start, n);
    } else if (n.x <= 0.0f || std::isnan(n.x)) {
        ++counters.left;
        refBounce(s, q, Axis::kX, 0.01f, start, n);
    } else if (n.x >= s.wallX) {
        ++counters.right;
        refBounce(s, q, Axis::kX, s.wallX, start, n);
    } else {
        ++counters.free;
        q.old = start;
        q.cur = n;
    }
}

inline void refPhaseTwo(RefSystem& s, int i, RefCounters& counters) {
    RefParticle& q = s.p[i];
    const RefParticle& o = s.p[q.other];
    const float dx = o.cur.x - q.cur.x, dy = o.cur.y - q.cur.y, dz = o.cur.z - q.cur.z;
    const float len = refLength(dx, dy, dz);
    float fx = 0.0f, fy = 0.0f, fz = 0.0f;
    if (len != 0.0f) {
        const float k = (len - s.restLength) * s.ks;
        const float inv = 1.0f / len;
        fx = (k * dx) * inv;
        fy = (k * dy) * inv;
        fz = (k * dz) * inv;
    }
    float vqx = 0.0f, vqy = 0.0f, vqz = 0.0f;
    if (q.cur.y < 0.0f) {
        ++counters.clamp;
        q.cur.y = 0.0f;
    } else {
        vqx = o.cur.x - o.old.x;
        vqy = o.cur.y - o.old.y;
        vqz = o.cur.z - o.old.z;
    }
    const float vpx = q.cur.x - q.old.x, vpy = q.cur.y - q.old.y, vpz = q.cur.z - q.old.z;
    const float invDt = 1.0f / s.dt;
    const float tx = fx + ((vqx - vpx) * s.kd) * invDt;
    const float ty = fy + ((vqy - vpy) * s.kd) * invDt;
    const float tz = fz + ((vqz - vpz) * s.kd) * invDt;
    const float invMass = 1.0f / q.mass;
    const Vec next{(2.0f * q.cur.x - q.old.x) + ((tx * s.dt) * s.dt) * invMass,
                   (2.0f * q.cur.y - q.old.y) + ((ty * s.dt) * s.dt) * invMass,
                   (2.0f * q.cur.z - q.old.z) + ((tz * s.dt) * s.dt) * invMass};
    const Vec before = q.cur;
    q.old = before;
    q.cur = next;
    if (refLengthDouble(next.x - before.x, next.y - before.y, next.z - before.z) < 0.002) {
        ++counters.rest;
        q.force.x = 0.0f;
        q.force.z = 0.0f;
    }
}

inline void refStep(RefSystem& s, ReferenceRand& rng, RefCounters& counters) {
    rng.next();  // the library builds one working record per particle before it moves them
    rng.next();
    refPhaseOne(s, s.p[0], counters);
    refPhaseOne(s, s.p[1], counters);
    for (int i = 0; i < 2; ++i) {
        rng.next();  // and one more inside each spring move
        refPhaseTwo(s, i, counters);
    }
}

}  // namespace sim::test

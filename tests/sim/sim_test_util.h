// Helpers for the simulation tests: an independent copy of the runtime generator, used to know
// which numbers the library's generator will produce and to count how many it has produced.
#pragma once

#include <bit>
#include <cstdint>

#include <gtest/gtest.h>

#include "platform/kernel/crt_rand.h"
#include "sim/spring_system.h"

namespace sim::test {

// state * 214013 + 2531011, bits 16..30.
class ReferenceRand {
public:
    explicit ReferenceRand(std::uint32_t seed) : m_state(seed) {}
    int next() {
        m_state = m_state * 214013u + 2531011u;
        ++m_draws;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }
    long draws() const { return m_draws; }

private:
    std::uint32_t m_state;
    long m_draws = 0;
};

// How many numbers the library's generator has drawn since it was seeded with `seed`: its next
// three outputs are located in the reference sequence (45 bits, so the match is unambiguous over
// the ranges tested). Consumes those three outputs. -1 when not found within `limit`.
inline long drawsSinceSeed(std::uint32_t seed, long limit = 2000000) {
    const int a = platform::kernel::rand();
    const int b = platform::kernel::rand();
    const int c = platform::kernel::rand();
    ReferenceRand ref(seed);
    int x = ref.next(), y = ref.next(), z = ref.next();
    for (long n = 0; n < limit; ++n) {
        if (x == a && y == b && z == c) return n;
        x = y;
        y = z;
        z = ref.next();
    }
    return -1;
}

inline std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

#define EXPECT_SAME_FLOAT(expected, actual) \
    EXPECT_EQ(::sim::test::bitsOf(expected), ::sim::test::bitsOf(actual)) << "expected " << (expected) << ", got " << (actual)

inline void expectSameVector(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual) {
    EXPECT_SAME_FLOAT(expected.x, actual.x);
    EXPECT_SAME_FLOAT(expected.y, actual.y);
    EXPECT_SAME_FLOAT(expected.z, actual.z);
}

}  // namespace sim::test

#include "platform/kernel/crt_rand.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// An independent model of the runtime's generator in 64-bit arithmetic, reduced explicitly.
struct ReferenceGenerator {
    std::uint64_t state;
    int next() {
        state = (state * 214013u + 2531011u) % (std::uint64_t{1} << 32);
        return static_cast<int>((state >> 16) % 32768u);
    }
};

TEST(CrtRand, FirstOutputsAfterSeedZeroAreTheRuntimesKnownSequence) {
    // The populations of the demo start from exactly these numbers.
    platform::kernel::srand(0);
    constexpr int kKnown[] = {38, 7719, 21238, 2437, 8855};
    for (int expected : kKnown) {
        EXPECT_EQ(platform::kernel::rand(), expected);
    }
}

TEST(CrtRand, MatchesReferenceModelForSeveralSeeds) {
    constexpr std::uint32_t kSeeds[] = {0, 1, 42, 0x7FFFFFFF, 0xFFFFFFFF};
    for (std::uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        platform::kernel::srand(seed);
        ReferenceGenerator reference{seed};
        for (int i = 0; i < 1000; ++i) {
            int value = platform::kernel::rand();
            ASSERT_EQ(value, reference.next()) << "draw " << i;
            ASSERT_GE(value, 0);
            ASSERT_LE(value, platform::kernel::RAND_MAX_VALUE);
        }
    }
}

TEST(CrtRand, ReseedingRestartsTheSequence) {
    platform::kernel::srand(7);
    int first = platform::kernel::rand();
    int second = platform::kernel::rand();
    platform::kernel::srand(7);
    EXPECT_EQ(platform::kernel::rand(), first);
    EXPECT_EQ(platform::kernel::rand(), second);
}

}  // namespace

// The C runtime's pseudo-random generator, reproduced exactly: the state advances as
// state * 214013 + 2531011 (mod 2^32) and rand() returns bits 16 to 30 of the new state.
// The populations of the simulation depend on this exact sequence, so the C library's own
// rand() is never used. One state per process, like the runtime it stands in for; not
// thread-safe. Code inside its own namespace may say `using platform::kernel::rand;` and then
// read `rand()` like the original program.
#pragma once

#include <cstdint>

namespace platform::kernel {

inline constexpr int RAND_MAX_VALUE = 0x7FFF;

void srand(std::uint32_t seed);
int rand();  // 0 ... 32767

}  // namespace platform::kernel

// Replaces the global array new and delete of the test program with counting forms. Only the
// array forms: the simulation's own storage is all arrays, while the test framework's is mostly
// not, which keeps the count readable.
#include "tests/sim/array_allocations.h"

#include <cstdlib>
#include <new>

namespace {
long g_liveArrays = 0;
}

namespace sim::test {
long liveArrayAllocations() { return g_liveArrays; }
}  // namespace sim::test

void* operator new[](std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++g_liveArrays;
    return p;
}

void operator delete[](void* p) noexcept {
    if (p == nullptr) return;
    --g_liveArrays;
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

#include "platform/d3d9/raster/lanes.h"

#include <atomic>

#include "platform/d3d9/raster/raster.h"

namespace platform::d3d9::raster {
namespace {

bool processorHasAvx2() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool processorHasAvx512() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

const bool g_hasAvx2 = processorHasAvx2();
const bool g_hasAvx512 = processorHasAvx512();
std::atomic<bool> g_allowWide{true};
std::atomic<bool> g_allowWidest{true};

}  // namespace

bool wideLanes() {
    return g_hasAvx2 && g_allowWide.load(std::memory_order_relaxed);
}

void setWideLanes(bool on) {
    g_allowWide.store(on, std::memory_order_relaxed);
}

bool widestLanes() {
    return g_hasAvx512 && wideLanes() && g_allowWidest.load(std::memory_order_relaxed);
}

void setWidestLanes(bool on) {
    g_allowWidest.store(on, std::memory_order_relaxed);
}

}  // namespace platform::d3d9::raster

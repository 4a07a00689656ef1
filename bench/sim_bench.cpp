// Speed of the simulation: one Step of all forty systems, as each frame does.
#include <benchmark/benchmark.h>

#include "platform/kernel/crt_rand.h"
#include "sim/spring_systems.h"

SpringSystem* springSystems = nullptr;  // the application's global, defined here for the program

namespace {

void BM_Sim_StepFortySystems(benchmark::State& state) {
    springSystems = new SpringSystem[kNumSpringSystems];
    platform::kernel::srand(0);
    resetSprings();
    long frames = 0;
    for (auto _ : state) {
        for (int i = 0; i < kNumSpringSystems; ++i) springSystems[i].Step();
        benchmark::ClobberMemory();
        // Restart now and then, as a click would, so the run keeps a mix of flying, bouncing and
        // resting systems instead of settling into rest.
        if (++frames % 1000 == 0) {
            state.PauseTiming();
            resetSprings();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * kNumSpringSystems);
    delete[] springSystems;
    springSystems = nullptr;
}
BENCHMARK(BM_Sim_StepFortySystems);

}  // namespace

BENCHMARK_MAIN();

// Whole demo frames, headless at 800 x 600: render() as the message loop calls it, including the
// simulation step of the forty systems and the presentation of the frame.
#include <benchmark/benchmark.h>

#include "app/app_context.h"
#include "app/shell.h"
#include "platform/win32/controls.h"
#include "render/scene.h"

namespace {

// The window and the scene are created once for the process, as the program does; the benchmark
// library calls the function several times while it calibrates.
bool sceneReady() {
    static const bool ready = [] {
        platform::win32::selectBackend(platform::win32::BackendKind::Headless);
        platform::win32::setInputSchedule(platform::win32::InputSchedule{});
        return registerWindowClass(platform::win32::processInstance()) != 0 &&
               createMainWindow(platform::win32::processInstance(), SW_SHOWDEFAULT) && device != nullptr;
    }();
    return ready;
}

void BM_Render_DemoFrame(benchmark::State& state) {
    if (!sceneReady()) {
        state.SkipWithError("the scene could not be set up");
        return;
    }
    // Argument 0 leaves the help text out (the frame skips it while helpFont is null), so the
    // text's share of a frame shows beside the whole frame in the same run.
    ID3DXFont* const font = helpFont;
    if (state.range(0) == 0) {
        helpFont = nullptr;
    }
    int frames = 0;
    for (auto _ : state) {
        render();
        // The systems settle after a few thousand frames; restart now and then so the benchmark
        // keeps measuring moving scenes like the demo's.
        if (++frames % 2000 == 0) {
            resetSprings();
        }
    }
    helpFont = font;
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Render_DemoFrame)->ArgName("text")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// The helper threads that share the pixel work of large draws.
//
// A large draw is split by rows: worker i fills the rows whose band ((y >> kBandShift) % count)
// is i, walking every primitive in order. Each pixel is therefore touched by one thread only, in
// primitive order, with the same arithmetic, so the frame's bytes do not depend on the number of
// threads. Small draws (most of a frame's draw calls) stay on the caller's thread: waking a helper
// costs more than they do.
#pragma once

#include <functional>

namespace platform::d3d9::raster {

inline constexpr int kBandShift = 3;  // bands of 8 rows

// Runs job(0) .. job(count - 1), each once, in any order and on any of the calling thread and
// count - 1 helpers (whichever is free first), and returns when all have finished. count is at
// most threadCount().
void runParallel(int count, const std::function<void(int)>& job);

// How many threads large draws are split across (1: no helpers). Defaults to 2 on a machine
// with two or more hardware threads.
int threadCount();
void setThreadCount(int count);

}  // namespace platform::d3d9::raster

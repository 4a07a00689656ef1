// The helper threads that share the pixel work of draws.
//
// A large draw is split by rows: worker i fills the rows whose band ((y >> kBandShift) % count)
// is i or, for a draw of many triangles, the i-th of `count` runs of rows of about equal work,
// walking every primitive in order. Each pixel is therefore touched by one thread only, in
// primitive order, with the same arithmetic, so the frame's bytes do not depend on the number of
// threads. One small draw is not worth handing over on its own; DrawQueue (raster.h) hands runs
// of them to the helpers as background work instead.
#pragma once

#include <functional>
#include <memory>

namespace platform::d3d9::raster {

inline constexpr int kBandShift = 3;  // bands of 8 rows

// Runs job(0) .. job(count - 1), each once, in any order and on any of the calling thread and
// min(count, threadCount()) - 1 helpers (each part goes to whichever thread is free first; all
// on the calling thread when the helpers are busy with other work), and returns when all have
// finished. More parts than threads balance uneven parts.
void runParallel(int count, const std::function<void(int)>& job);

// Work that helpers start on while the caller goes on: start() hands the parts of `job` to
// count - 1 helpers (as runParallel does) and returns at once; join() lets the caller take every
// part no helper has taken yet and returns when all have finished. There is one pool: while it
// is busy, start() starts nothing and returns false, and runParallel() runs its parts on the
// calling thread instead of waiting (so a thread holding background work can still draw).
class BackgroundWork {
public:
    BackgroundWork();
    ~BackgroundWork();  // joins
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    bool start(int count, std::function<void(int)> job);
    void join();
    bool active() const { return m_state != nullptr; }

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// How many threads large draws are split across (1: no helpers). Defaults to 2 on a machine
// with two or more hardware threads.
int threadCount();
void setThreadCount(int count);

}  // namespace platform::d3d9::raster

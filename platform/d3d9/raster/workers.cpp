#include "platform/d3d9/raster/workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/d3d9/raster/raster.h"

namespace platform::d3d9::raster {
namespace {

constexpr int kMaxThreads = 8;

// How long an idle helper spins for the next job before it sleeps. A frame hands work over a few
// times, a few hundred microseconds apart, and waking a sleeping thread costs tens of
// microseconds on a virtual machine. The spin is bounded so that an idle device leaves the
// processor to other processes.
constexpr auto kSpinTime = std::chrono::microseconds(200);

void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// One parallel draw: parts [0, count) of `run`, claimed one at a time by whichever thread is
// free. The caller claims parts too, so a helper that is slow to wake (or has no processor of
// its own on a loaded machine) never holds the draw up: the caller simply draws that part too.
struct Job {
    const std::function<void(int)>* run;
    int count;
    std::atomic<int> next{0};
    std::atomic<int> finished{0};

    void work() {
        for (;;) {
            const int part = next.fetch_add(1, std::memory_order_acq_rel);
            if (part >= count) return;
            (*run)(part);
            finished.fetch_add(1, std::memory_order_acq_rel);
        }
    }
};

class Pool {
public:
    ~Pool() {
        m_quit.store(true);
        m_generation.fetch_add(1, std::memory_order_release);
        m_generation.notify_all();
        for (std::thread& t : m_threads) t.join();
    }

    void run(int count, const std::function<void(int)>& run) {
        Job job{&run, count};
        if (!begin(job)) {
            // The helpers are busy with other work (of this thread's, or another's): all parts
            // here, one after the other, rather than waiting.
            for (int part = 0; part < count; ++part) run(part);
            return;
        }
        end(job);
    }

    // Offers the job's parts to the helpers, or returns false when they are busy with another
    // job; until end(), no other job can begin (one parallel job at a time).
    bool begin(Job& job) {
        if (!m_mutex.try_lock()) return false;
        const int threads = std::min(job.count, threadCount());
        while (int(m_threads.size()) < threads - 1) m_threads.emplace_back([this] { helperLoop(); });
        m_current.store(&job);
        m_generation.fetch_add(1, std::memory_order_release);
        m_generation.notify_all();
        return true;
    }

    // Takes the parts no helper has taken and waits for the rest.
    void end(Job& job) {
        job.work();
        // No helper can pick the job up after this; one that already has it is counted in
        // m_inside (it counts itself in before it looks, so the two orders cannot cross).
        m_current.store(nullptr);
        for (int i = 0; job.finished.load(std::memory_order_acquire) < job.count || m_inside.load() != 0; ++i) {
            if (i < 4096) {
                cpuRelax();
            } else {
                std::this_thread::yield();  // the helper may be waiting for this very processor
            }
        }
        m_mutex.unlock();
    }

private:
    void helperLoop() {
        uint32_t seen = 0;
        for (;;) {
            seen = waitForJob(seen);
            if (m_quit.load()) return;
            m_inside.fetch_add(1);
            if (Job* job = m_current.load()) job->work();
            m_inside.fetch_sub(1);
        }
    }

    // Waits until the generation differs from `seen`: spins first, then sleeps on the atomic.
    uint32_t waitForJob(uint32_t seen) {
        const auto deadline = std::chrono::steady_clock::now() + kSpinTime;
        for (int i = 0;; ++i) {
            const uint32_t now = m_generation.load(std::memory_order_acquire);
            if (now != seen) return now;
            if ((i & 255) == 255 && std::chrono::steady_clock::now() > deadline) break;
            cpuRelax();
        }
        for (;;) {
            m_generation.wait(seen, std::memory_order_acquire);
            const uint32_t now = m_generation.load(std::memory_order_acquire);
            if (now != seen) return now;
        }
    }

    std::mutex m_mutex;
    std::atomic<Job*> m_current{nullptr};
    std::atomic<int> m_inside{0};  // helpers between counting themselves in and out
    std::atomic<uint32_t> m_generation{0};
    std::atomic<bool> m_quit{false};
    std::vector<std::thread> m_threads;
};

Pool& pool() {
    static Pool p;
    return p;
}

std::atomic<int> g_threads{std::thread::hardware_concurrency() >= 2 ? 2 : 1};

}  // namespace

struct BackgroundWork::State {
    std::function<void(int)> run;
    Job job;
};

BackgroundWork::BackgroundWork() = default;

BackgroundWork::~BackgroundWork() {
    join();
}

bool BackgroundWork::start(int count, std::function<void(int)> job) {
    join();
    m_state = std::make_unique<State>();
    m_state->run = std::move(job);
    m_state->job.run = &m_state->run;
    m_state->job.count = std::max(count, 1);
    if (!pool().begin(m_state->job)) m_state.reset();
    return active();
}

void BackgroundWork::join() {
    if (!m_state) return;
    pool().end(m_state->job);
    m_state.reset();
}

int threadCount() {
    return g_threads.load(std::memory_order_relaxed);
}

void setThreadCount(int count) {
    g_threads.store(std::clamp(count, 1, kMaxThreads), std::memory_order_relaxed);
}

void runParallel(int count, const std::function<void(int)>& job) {
    if (count <= 1) {
        job(0);
        return;
    }
    pool().run(count, job);
}

}  // namespace platform::d3d9::raster

#include "platform/d3d9/raster/workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <memory>
#include <vector>

#include "platform/d3d9/raster/raster.h"

namespace platform::d3d9::raster {
namespace {

constexpr int kMaxThreads = 8;

// One helper thread waiting for jobs. Jobs are handed over under a mutex and a condition
// variable: a spinning helper would steal the processor from the other engineers' processes on a
// loaded machine, and the hand-over happens only a few times per frame.
class Helper {
public:
    explicit Helper(int index) : m_index(index), m_thread([this] { loop(); }) {}
    ~Helper() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    void start(const std::function<void(int)>* job) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_job = job;
            m_done = false;
        }
        m_wake.notify_one();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_finished.wait(lock, [this] { return m_done; });
    }

private:
    void loop() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_job != nullptr; });
            if (m_quit) return;
            const std::function<void(int)>* job = m_job;
            lock.unlock();
            (*job)(m_index);
            lock.lock();
            m_job = nullptr;
            m_done = true;
            m_finished.notify_one();
        }
    }

    int m_index;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_finished;
    const std::function<void(int)>* m_job = nullptr;
    bool m_done = true;
    bool m_quit = false;
    std::thread m_thread;  // last: starts after the members it uses exist
};

struct Pool {
    std::mutex mutex;  // one parallel draw at a time
    std::vector<std::unique_ptr<Helper>> helpers;
};

Pool& pool() {
    static Pool p;
    return p;
}

std::atomic<int> g_threads{std::thread::hardware_concurrency() >= 2 ? 2 : 1};

}  // namespace

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
    Pool& p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    while (int(p.helpers.size()) < count - 1) p.helpers.push_back(std::make_unique<Helper>(int(p.helpers.size()) + 1));
    for (int i = 0; i < count - 1; ++i) p.helpers[size_t(i)]->start(&job);
    job(0);
    for (int i = 0; i < count - 1; ++i) p.helpers[size_t(i)]->wait();
}

}  // namespace platform::d3d9::raster

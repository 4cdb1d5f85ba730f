#include "base/worker_pool.h"

#include <algorithm>

namespace vn {
namespace {

// Set while the thread executes a task, so that a nested run does not wait
// for workers that are busy with the outer one.
thread_local bool insideTask = false;

}  // namespace

WorkerPool::WorkerPool(int threads) {
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    threads = std::max(threads, 1);
    workers_.reserve(static_cast<size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) workers_.emplace_back([this] { workerLoop(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void WorkerPool::drain() {
    const bool outer = insideTask;
    insideTask = true;
    for (int i = next_.fetch_add(1, std::memory_order_relaxed); i < count_;
         i = next_.fetch_add(1, std::memory_order_relaxed))
        function_(context_, i);
    insideTask = outer;
}

void WorkerPool::runTasks(int count, TaskFunction function, void* context) {
    if (count <= 0) return;
    if (workers_.empty() || insideTask || count == 1) {
        const bool outer = insideTask;
        insideTask = true;
        for (int i = 0; i < count; ++i) function(context, i);
        insideTask = outer;
        return;
    }
    std::lock_guard<std::mutex> runLock(runMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        function_ = function;
        context_ = context;
        count_ = count;
        next_.store(0, std::memory_order_relaxed);
        busyWorkers_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    drain();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return busyWorkers_ == 0; });
}

void WorkerPool::workerLoop() {
    unsigned long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
        }
        drain();
        bool last = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last = --busyWorkers_ == 0;
        }
        if (last) done_.notify_one();
    }
}

WorkerPool& sharedWorkerPool() {
    static WorkerPool pool;
    return pool;
}

}  // namespace vn

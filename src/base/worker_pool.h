// A small pool of worker threads for the spot and PSF computations.
//
// The computations split their work into numbered tasks that do not depend on
// one another; run() hands the task numbers out to the workers and to the
// calling thread, and returns when every task is done. The pool allocates
// nothing per run, so a computation that uses it stays free of allocations
// once its stores exist. Results must never depend on which thread ran which
// task: every task writes only its own part of the output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace vn {

class WorkerPool {
public:
    // A pool of `threads` participants, the calling thread included; 0 means
    // one per hardware thread.
    explicit WorkerPool(int threads = 0);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Number of threads that take part in a run, the caller included.
    int size() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls task(i) once for every i in [0, count), spread over the threads;
    // returns when all calls have returned. The task must not throw. A run
    // started from inside a task runs inline on that thread.
    template <typename Task>
    void run(int count, Task&& task) {
        using T = std::remove_reference_t<Task>;
        runTasks(
            count, [](void* context, int i) { (*static_cast<T*>(context))(i); },
            const_cast<void*>(static_cast<const void*>(&task)));
    }

private:
    using TaskFunction = void (*)(void*, int);

    void runTasks(int count, TaskFunction function, void* context);
    void workerLoop();
    void drain();

    std::vector<std::thread> workers_;
    std::mutex runMutex_;  // one run at a time

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    unsigned long generation_ = 0;
    int busyWorkers_ = 0;
    bool stop_ = false;

    TaskFunction function_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0};
};

// The pool the program's computations share, created on first use with one
// thread per hardware thread.
WorkerPool& sharedWorkerPool();

}  // namespace vn

#include "base/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace vn {
namespace {

TEST(WorkerPool, RunsEveryTaskOnceForAnyNumberOfThreads) {
    for (int threads : {1, 2, 5}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.size(), threads);
        for (int count : {0, 1, 3, 1000}) {
            std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
            pool.run(count, [&](int i) { ++runs[static_cast<size_t>(i)]; });
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(runs[static_cast<size_t>(i)].load(), 1) << threads << " " << count;
        }
    }
}

TEST(WorkerPool, RunFromInsideATaskRunsInline) {
    WorkerPool pool(3);
    std::atomic<int> inner{0};
    pool.run(4, [&](int) { pool.run(5, [&](int) { ++inner; }); });
    EXPECT_EQ(inner.load(), 20);
}

}  // namespace
}  // namespace vn

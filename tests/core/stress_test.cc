// Random valid but extreme systems through everything a user can start on
// them: the run cycle, the repaint (paraxial evaluation, zone rays, layout),
// the spot computation at point density 1 and the PSF at order 1 with its
// analysis. None may crash or hang, and no number that any of them leaves may
// be NaN or infinite.
//
// VARNISTRALE_STRESS_SYSTEMS sets the number of systems (default 10000, split
// over the shards below); VARNISTRALE_STRESS_FIRST the index of the first, so
// that a reported system can be run alone.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/glass_catalogue.h"
#include "model/system_file.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "spot/spot_computation.h"
#include "stress_systems.h"

namespace vn {
namespace {

constexpr int kShards = 10;

long environmentNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end && *end == '\0' && value >= 0 ? value : fallback;
}

std::string fileText(const SystemModel& model) {
    SystemModel m = model;
    prepareForWriting(m);
    std::string text;
    for (const std::string& line : formatSystemFile(m)) text += line + "\n";
    return text;
}

// Ends the process with the system's index when one system takes far longer
// than any system should: a hang, not a slow machine. The bound is generous
// so that only a loop without end can reach it.
class HangGuard {
public:
    explicit HangGuard(std::chrono::seconds bound) : bound_(bound), thread_([this] { watch(); }) {}
    ~HangGuard() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void start(long index) {
        std::lock_guard lock(mutex_);
        index_ = index;
        ++generation_;
        wake_.notify_all();
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!done_) {
            const long generation = generation_;
            if (wake_.wait_for(lock, bound_, [&] { return done_ || generation_ != generation; }))
                continue;
            std::fprintf(stderr, "stress system %ld has run for more than %lld s: a hang\n", index_,
                         static_cast<long long>(bound_.count()));
            std::abort();
        }
    }
    std::chrono::seconds bound_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    long index_ = -1, generation_ = 0;
    std::thread thread_;
};

class StressTest : public testing::TestWithParam<int> {};

TEST_P(StressTest, RandomSystemsComputeWithoutNonFiniteResults) {
    const long total = environmentNumber("VARNISTRALE_STRESS_SYSTEMS", 10000);
    const long first = environmentNumber("VARNISTRALE_STRESS_FIRST", 0);
    const std::vector<test::CatalogueGlass> glasses = test::catalogueGlasses();
    ASSERT_FALSE(glasses.empty());

    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    createSpotStore(*ws);
    HangGuard guard(std::chrono::seconds(120));
    int failures = 0, systems = 0, evaluated = 0, spots = 0, light = 0;
    for (long index = first + GetParam(); index < first + total; index += kShards) {
        guard.start(index);
        const SystemModel m = test::stressSystem(static_cast<std::uint64_t>(index), glasses);
        const test::StressOutcome outcome =
            test::runAndCheck(*ws, m, static_cast<std::uint64_t>(index));
        ++systems;
        evaluated += outcome.evaluated;
        spots += outcome.spots;
        light += outcome.light;
        if (outcome.problem.empty()) continue;
        ADD_FAILURE() << "stress system " << index << ": " << outcome.problem << "\n"
                      << fileText(m);
        if (++failures == 3) break;
    }
    // How far the systems got: a generator whose systems all fail early
    // would test little.
    std::printf("%d systems: %d evaluated, %d with spots and PSF, %d with light at the field\n",
                systems, evaluated, spots, light);
}

INSTANTIATE_TEST_SUITE_P(Shards, StressTest, testing::Range(0, kShards));

}  // namespace
}  // namespace vn

// Entry point of the benchmark program; the benchmarks register themselves from
// the other files of this folder.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();

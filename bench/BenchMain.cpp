// Runs the suite with the ratio reporter on the console; --benchmark_out
// writes the usual JSON beside it.
#include <benchmark/benchmark.h>

#include "RatioReporter.h"

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    VkNBench::RatioReporter reporter(VkNBench::suiteComparisons());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

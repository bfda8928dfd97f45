// Rendering one entry in the plain two-line layout, against one snprintf
// call that prints the same two lines.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchSupport.h"
#include "VkErrorHandling/VkCErrorList.h"

namespace {

using namespace VkNBench;

void renderOurs(benchmark::State& state) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    std::string out;
    out.reserve(1024);
    list.printError(out, 0);

    // Both sides must print the same text, or the ratio means nothing.
    char expected[1024];
    formatReferenceLines(expected, sizeof expected, list.getMainModuleNumber(0), list.getSubModuleNumber(0),
                         list.getTimeStampSeconds(0));
    if (out != expected) {
        state.SkipWithError(("render output differs from the reference: " + out).c_str());
        return;
    }
    for (auto _ : state) {
        out.clear();
        list.printError(out, 0);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void renderSnprintf(benchmark::State& state) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    std::string probe;
    list.printError(probe, 0);  // looks the module numbers up
    const uint32_t mainModule = list.getMainModuleNumber(0);
    const uint32_t subModule = list.getSubModuleNumber(0);
    const double seconds = list.getTimeStampSeconds(0);
    char buffer[1024];
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatReferenceLines(buffer, sizeof buffer, mainModule, subModule, seconds));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(renderOurs)->Name("render/ours");
BENCHMARK(renderSnprintf)->Name("render/snprintf");

}  // namespace

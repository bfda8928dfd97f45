// Recording one message into a list, against the least any recording can do:
// the two string copies and three typed stores (the floor), and against
// formatting the same three values as text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchSupport.h"
#include "VkErrorHandling/VkCErrorList.h"

namespace {

using namespace VkNBench;

void recordOurs(benchmark::State& state) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    for (auto _ : state) {
        list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
        list.reset();
    }
    state.SetItemsProcessed(state.iterations());
}

// A hand-written record: what storing this message needs at the least.
struct FloorRecord {
    char* functionName;
    char* formatString;
    uint32_t types[3];
    int64_t values[3];
    uint32_t count;
};

void recordFloor(benchmark::State& state) {
    FloorRecord record{};
    for (auto _ : state) {
        record.functionName = ::strdup(kFunction);
        record.formatString = ::strdup(kFormat);
        const int values[3] = {kValue1, kValue2, kValue3};
        for (uint32_t i = 0; i < 3; ++i) {
            record.types[i] = 2;
            record.values[i] = values[i];
        }
        record.count = 3;
        benchmark::DoNotOptimize(record);
        std::free(record.functionName);
        std::free(record.formatString);
        record.count = 0;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void recordSnprintf(benchmark::State& state) {
    char buffer[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, kFormat, kValue1, kValue2, kValue3));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(recordOurs)->Name("record/ours");
BENCHMARK(recordFloor)->Name("record/floor");
BENCHMARK(recordSnprintf)->Name("record/snprintf");

}  // namespace

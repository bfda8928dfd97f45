// Merging a 10,000-entry list into an empty one, against copying the same
// messages by hand: the string copies and typed stores a merge cannot avoid.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchSupport.h"
#include "VkErrorHandling/VkCErrorList.h"

namespace {

using namespace VkNBench;

constexpr uint32_t kMergedMessages = 10000;

void mergeOurs(benchmark::State& state) {
    VkCMessageListPool source(kMergedMessages, 5, 0, 1, nullptr);
    fillWireMessages(source, kMergedMessages);
    VkCMessageListPool target(kMergedMessages, 5, 0, 1, nullptr);
    for (auto _ : state) {
        target += source;
        benchmark::DoNotOptimize(target.getNumberOfUsedEntries());
        target.reset();
    }
    state.SetItemsProcessed(state.iterations() * kMergedMessages);
}

// One message copied by hand: its three strings, one string parameter and
// three typed values.
struct FloorMessage {
    uint32_t fields[8];
    uint64_t timeStamp;
    char* functionName;
    char* formatString;
    char* messageTemplate;
    char* text;
    int64_t values[3];
};

void mergeFloor(benchmark::State& state) {
    std::vector<FloorMessage> target(kMergedMessages);
    for (auto _ : state) {
        for (uint32_t i = 0; i < kMergedMessages; ++i) {
            FloorMessage& message = target[i];
            for (uint32_t k = 0; k < 8; ++k) message.fields[k] = i + k;
            message.timeStamp = 0x1010 + i;
            message.functionName = ::strdup(kFunction);
            message.formatString = ::strdup(kWireFormat);
            message.messageTemplate = ::strdup(kWireTemplate);
            message.text = ::strdup(kWireText);
            message.values[0] = i;
            message.values[1] = -17;
            std::memcpy(&message.values[2], &kWireDouble, sizeof kWireDouble);
        }
        benchmark::ClobberMemory();
        for (FloorMessage& message : target) {
            std::free(message.functionName);
            std::free(message.formatString);
            std::free(message.messageTemplate);
            std::free(message.text);
        }
    }
    state.SetItemsProcessed(state.iterations() * kMergedMessages);
}

BENCHMARK(mergeOurs)->Name("merge/ours");
BENCHMARK(mergeFloor)->Name("merge/floor");

}  // namespace

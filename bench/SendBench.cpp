// Sending one message in the default mode (printed to standard output, here
// /dev/null), against snprintf + fwrite + fflush of the same two lines under
// a mutex; alone, from several threads at once, and with many master error
// lists registered. The write floor is the part no library can shorten: the
// same two lines, composed once, written and flushed under the same mutex.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"

namespace {

using namespace VkNBench;

constexpr uint32_t kSendToStdout = 2;
constexpr int32_t kFirstExplicitSlot = 1000;
constexpr int32_t kRegisteredMasterLists = 10000;

std::unique_ptr<StdoutToDevNull> g_quietStdout;
std::mutex g_referenceMutex;

// Threads share one redirection: the first thread sets it up before the
// timed loop and removes it after; the loop's start and end are barriers.
void quietStdout(const benchmark::State& state) {
    if (state.thread_index() == 0) g_quietStdout = std::make_unique<StdoutToDevNull>();
}
void restoreStdout(const benchmark::State& state) {
    if (state.thread_index() == 0) g_quietStdout.reset();
}

void sendLoop(benchmark::State& state) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setSendMode(kSendToStdout);
    quietStdout(state);
    for (auto _ : state) manager.sendError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    restoreStdout(state);
    state.SetItemsProcessed(state.iterations());
}

void sendReferenceLoop(benchmark::State& state) {
    // The same two lines the library prints for this message.
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    std::string probe;
    list.printError(probe, 0);
    const uint32_t mainModule = list.getMainModuleNumber(0);
    const uint32_t subModule = list.getSubModuleNumber(0);
    const double seconds = list.getTimeStampSeconds(0);

    quietStdout(state);
    char buffer[1024];
    for (auto _ : state) {
        const int length = formatReferenceLines(buffer, sizeof buffer, mainModule, subModule, seconds);
        std::lock_guard<std::mutex> hold(g_referenceMutex);
        std::fwrite(buffer, 1, static_cast<size_t>(length), stdout);
        std::fflush(stdout);
    }
    restoreStdout(state);
    state.SetItemsProcessed(state.iterations());
}

// What every send pays for the stream and its system call: the lines are
// composed once, before the loop.
void writeFloorLoop(benchmark::State& state) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    std::string lines;
    list.printError(lines, 0);

    quietStdout(state);
    for (auto _ : state) {
        std::lock_guard<std::mutex> hold(g_referenceMutex);
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        std::fflush(stdout);
    }
    restoreStdout(state);
    state.SetItemsProcessed(state.iterations());
}

// The write floor plus the allocations every single-message send must make:
// the list object from the non-throwing general allocator, its cleared block
// of two entries, and the copies of the function name and format string.
// Not a target; it shows how much of a send's cost above the floor these
// allocations take by themselves.
void writeFloorAndAllocationsLoop(benchmark::State& state) {
    constexpr size_t kTwoEntries = 2 * 232;  // the list's entry block for a send
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    std::string lines;
    list.printError(lines, 0);

    quietStdout(state);
    for (auto _ : state) {
        void* object = ::operator new(sizeof(VkCMessageListPool), std::nothrow);
        void* entries = std::malloc(kTwoEntries);
        benchmark::DoNotOptimize(entries);
        std::memset(entries, 0, kTwoEntries);
        char* function = ::strdup(kFunction);
        char* format = ::strdup(kFormat);
        benchmark::DoNotOptimize(object);
        {
            std::lock_guard<std::mutex> hold(g_referenceMutex);
            std::fwrite(lines.data(), 1, lines.size(), stdout);
            std::fflush(stdout);
        }
        std::free(function);
        std::free(format);
        std::free(entries);
        ::operator delete(object);
    }
    restoreStdout(state);
    state.SetItemsProcessed(state.iterations());
}

// The same single-thread send after other threads' master error lists have
// filled 10,000 explicit slots: the send must not walk that table.
void sendWithMasterLists(benchmark::State& state) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    std::vector<VkCErrorListPool*> lists;
    lists.reserve(kRegisteredMasterLists);
    for (int32_t i = 0; i < kRegisteredMasterLists; ++i) {
        VkCErrorListPool& list = manager.createErrorList(0, 1, 2, 5, 0);
        manager.setMasterErrorList(list, kFirstExplicitSlot + i, false);
        lists.push_back(&list);
    }
    sendLoop(state);
    for (int32_t i = 0; i < kRegisteredMasterLists; ++i) {
        manager.clearMasterErrorList(kFirstExplicitSlot + i);
        manager.deleteErrorList(*lists[static_cast<size_t>(i)]);
    }
}

BENCHMARK(sendLoop)->Name("send/ours");
BENCHMARK(sendReferenceLoop)->Name("send/reference");
BENCHMARK(writeFloorLoop)->Name("send/write_floor");
BENCHMARK(writeFloorAndAllocationsLoop)->Name("send/write_floor_and_allocations");
BENCHMARK(sendLoop)->Name("send_threads/ours")->Threads(1)->Threads(2)->Threads(4)->UseRealTime();
BENCHMARK(sendReferenceLoop)
    ->Name("send_threads/reference")
    ->Threads(1)
    ->Threads(2)
    ->Threads(4)
    ->UseRealTime();
// Registered after the plain send, so that one runs before any slot exists.
BENCHMARK(sendWithMasterLists)->Name("send/10000_master_lists");

}  // namespace

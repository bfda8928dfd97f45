// The send peer: a synchronous spdlog logger writing to /dev/null and
// flushing every message, as a host would log the benchmark message instead.
#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <memory>

#include "BenchSupport.h"

namespace {

using namespace VkNBench;

void sendSpdlog(benchmark::State& state) {
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>("/dev/null");
    spdlog::logger logger("vkerr_bench", sink);
    logger.flush_on(spdlog::level::trace);
    for (auto _ : state) {
        logger.error("0x{:08X}, in {}():{}\nInvalid message data at {:08X}: expected {}, actual {}.", kCode,
                     kFunction, kLine, kValue1, kValue2, kValue3);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(sendSpdlog)->Name("send/spdlog");

}  // namespace

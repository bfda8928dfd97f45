// Writing and reading list images of 1, 100 and 10,000 messages, against
// copying an image of the same size with memcpy and with a byte swap of
// every 32-bit word (what any big-endian encoder has to do at the least).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchSupport.h"
#include "VkErrorHandling/VkCErrorList.h"

namespace {

using namespace VkNBench;

// A list of `count` serialized messages and its image, built once per size.
struct WireImage {
    explicit WireImage(uint32_t count) : list(count, 5, 0, 1, nullptr) {
        fillWireMessages(list, count);
        uint32_t size = 0;
        char* image = list.serialize(size);
        if (image != nullptr) bytes.assign(image, image + size);
        list.freeSerializedBuffer(&image);
    }
    VkCMessageListPool list;
    std::vector<unsigned char> bytes;
};

void reportThroughput(benchmark::State& state, size_t imageSize, int64_t messages) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(imageSize));
    state.SetItemsProcessed(state.iterations() * messages);
    state.counters["bytes_per_message"] = static_cast<double>(imageSize) / static_cast<double>(messages);
}

void serializeOurs(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    WireImage source(count);
    // Into reused caller memory, like the copies it is compared with.
    std::vector<char> target(source.bytes.size());
    uint32_t size = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            source.list.serialize(target.data(), static_cast<uint32_t>(target.size()), size));
        benchmark::ClobberMemory();
    }
    if (size != source.bytes.size()) state.SkipWithError("serialize wrote an image of another size");
    reportThroughput(state, source.bytes.size(), count);
}

void serializeAllocating(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    WireImage source(count);
    uint32_t size = 0;
    for (auto _ : state) {
        char* image = source.list.serialize(size);
        benchmark::DoNotOptimize(image);
        source.list.freeSerializedBuffer(&image);
    }
    reportThroughput(state, source.bytes.size(), count);
}

void deserializeOurs(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    WireImage source(count);
    VkCMessageListPool target(count, 5, 0, 0, nullptr);
    for (auto _ : state) {
        const int32_t read =
            target.deSerialize(source.bytes.data(), static_cast<uint32_t>(source.bytes.size()));
        if (read != static_cast<int32_t>(count)) {
            state.SkipWithError("deSerialize did not read every message");
            break;
        }
        target.reset();
    }
    reportThroughput(state, source.bytes.size(), count);
}

// What reading `count` messages into a list and resetting it must do at the
// least: copy each message's four strings (format string, function name,
// template, string parameter) with strdup and free them again, in the order
// a reset releases them. Not a target; it shows the part of a deserialize
// these copies take.
void deserializeFloor(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    WireImage source(count);
    std::vector<char*> copies(4 * static_cast<size_t>(count));
    for (auto _ : state) {
        for (size_t i = 0; i < copies.size(); i += 4) {
            copies[i] = ::strdup(kWireFormat);
            copies[i + 1] = ::strdup(kFunction);
            copies[i + 2] = ::strdup(kWireTemplate);
            copies[i + 3] = ::strdup(kWireText);
        }
        benchmark::ClobberMemory();
        for (size_t i = copies.size(); i > 0; --i) std::free(copies[i - 1]);
    }
    reportThroughput(state, source.bytes.size(), count);
}

void copyMemcpy(benchmark::State& state) {
    WireImage source(static_cast<uint32_t>(state.range(0)));
    std::vector<unsigned char> target(source.bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.bytes.data(), source.bytes.size());
        benchmark::ClobberMemory();
    }
    reportThroughput(state, source.bytes.size(), state.range(0));
}

void copyByteSwapped(benchmark::State& state) {
    WireImage source(static_cast<uint32_t>(state.range(0)));
    const size_t words = source.bytes.size() / 4;
    std::vector<unsigned char> target(source.bytes.size());
    for (auto _ : state) {
        const unsigned char* from = source.bytes.data();
        unsigned char* to = target.data();
        for (size_t i = 0; i < words; ++i) {
            uint32_t word;
            std::memcpy(&word, from + 4 * i, 4);
            word = __builtin_bswap32(word);
            std::memcpy(to + 4 * i, &word, 4);
        }
        benchmark::ClobberMemory();
    }
    reportThroughput(state, source.bytes.size(), state.range(0));
}

void messageCounts(benchmark::internal::Benchmark* benchmark) { benchmark->Arg(1)->Arg(100)->Arg(10000); }

BENCHMARK(serializeOurs)->Name("serialize/ours")->Apply(messageCounts);
BENCHMARK(serializeAllocating)->Name("serialize/ours_allocating")->Apply(messageCounts);
BENCHMARK(deserializeOurs)->Name("deserialize/ours")->Apply(messageCounts);
BENCHMARK(deserializeFloor)->Name("deserialize/floor")->Apply(messageCounts);
BENCHMARK(copyMemcpy)->Name("image_copy/memcpy")->Apply(messageCounts);
BENCHMARK(copyByteSwapped)->Name("image_copy/byteswap")->Apply(messageCounts);

}  // namespace

// The serialize peer: the same messages in an equivalent protobuf schema,
// written into reused memory and parsed into a reused object.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchSupport.h"
#include "PeerMessage.pb.h"

namespace {

using namespace VkNBench;

vkerr_bench::PeerList makePeerList(uint32_t count) {
    vkerr_bench::PeerList list;
    list.set_node_id(1);
    for (uint32_t i = 0; i < count; ++i) {
        vkerr_bench::PeerMessage* message = list.add_messages();
        message->set_origin_node(5);
        message->set_message_type(3);
        message->set_line_number(kLine + i);
        message->set_time_stamp(0x1010 + i);
        message->set_error_code(kCode + (i & 1));
        message->set_max_parameters(5);
        message->set_format_string(kWireFormat);
        message->set_function_name(kFunction);
        message->set_message_template(kWireTemplate);
        message->add_strings(kWireText);
        message->add_integers(static_cast<int32_t>(i));
        message->add_integers(-17);
        message->add_wides(kWireDouble);
    }
    return list;
}

void reportThroughput(benchmark::State& state, size_t imageSize, int64_t messages) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(imageSize));
    state.SetItemsProcessed(state.iterations() * messages);
    state.counters["bytes_per_message"] = static_cast<double>(imageSize) / static_cast<double>(messages);
}

void serializeProtobuf(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    const vkerr_bench::PeerList list = makePeerList(count);
    std::vector<char> target(list.ByteSizeLong());
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.SerializeToArray(target.data(), static_cast<int>(target.size())));
        benchmark::ClobberMemory();
    }
    reportThroughput(state, target.size(), count);
}

void deserializeProtobuf(benchmark::State& state) {
    const auto count = static_cast<uint32_t>(state.range(0));
    const std::string image = makePeerList(count).SerializeAsString();
    vkerr_bench::PeerList target;
    for (auto _ : state) {
        if (!target.ParseFromArray(image.data(), static_cast<int>(image.size()))) {
            state.SkipWithError("protobuf parse failed");
            break;
        }
        benchmark::DoNotOptimize(target.messages_size());
    }
    reportThroughput(state, image.size(), count);
}

BENCHMARK(serializeProtobuf)->Name("serialize/protobuf")->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK(deserializeProtobuf)->Name("deserialize/protobuf")->Arg(1)->Arg(100)->Arg(10000);

}  // namespace

// Which run is compared with which, and the ratio each comparison must meet.
#include <string>

#include "RatioReporter.h"

namespace VkNBench {

namespace {

constexpr bool kStrict = true;

void addWireRows(std::vector<Comparison>& rows, const std::string& count) {
    const std::string serialize = "serialize/ours/" + count;
    const std::string deserialize = "deserialize/ours/" + count;
    const double byteswapTarget = count == "10000" ? 2.0 : 0;
    rows.push_back({"serialize " + count, serialize, "image_copy/byteswap/" + count, byteswapTarget, false});
    rows.push_back({"serialize " + count, serialize, "image_copy/memcpy/" + count, 0, false});
    rows.push_back({"serialize " + count, serialize, "serialize/protobuf/" + count, 1.0, kStrict});
    rows.push_back({"serialize " + count + " (allocating)", "serialize/ours_allocating/" + count,
                    "image_copy/byteswap/" + count, 0, false});
    rows.push_back({"deserialize " + count, deserialize, "image_copy/byteswap/" + count, 5.0, false});
    rows.push_back({"deserialize " + count, deserialize, "deserialize/protobuf/" + count, 0.6, false});
    rows.push_back({"deserialize " + count + ", its four string copies alone", "deserialize/floor/" + count,
                    "deserialize/protobuf/" + count, 0, false});
}

}  // namespace

std::vector<Comparison> suiteComparisons() {
    // A send is mostly the stream's write system call, which no library
    // shortens; what a library decides is the work above that floor.
    const std::string writeFloor = "send/write_floor";
    std::vector<Comparison> rows = {
        {"record", "record/ours", "record/floor", 1.2, false},
        {"record", "record/ours", "record/snprintf", 0, false},
        {"render", "render/ours", "render/snprintf", 1.0, false},
        {"send", "send/ours", "send/reference", 1.0, false},
        {"send", "send/ours", "send/spdlog", 1.0, kStrict},
        {"send above the write floor", "send/ours", "send/reference", 0.75, false, writeFloor},
        {"send above the write floor", "send/ours", "send/spdlog", 0.6, false, writeFloor},
        {"send above the write floor, its allocations alone", "send/write_floor_and_allocations",
         "send/reference", 0, false, writeFloor},
        {"send, 10000 master lists", "send/10000_master_lists", "send/ours", 1.1, false},
    };
    for (const char* threads : {"1", "2", "4"}) {
        rows.push_back({std::string("send, ") + threads + " thread(s), per message of all",
                        std::string("send_threads/ours/threads:") + threads,
                        std::string("send_threads/reference/threads:") + threads, 0, false});
    }
    // Messages per second of all four threads over those of one: contention
    // may not make the library slower than a single sender.
    rows.push_back({"send, 4 threads vs 1 thread, messages per second", "send_threads/ours/threads:4",
                    "send_threads/ours/threads:1", 1.0, false, "", true});
    for (const char* count : {"1", "100", "10000"}) addWireRows(rows, count);
    rows.push_back({"merge 10000", "merge/ours", "merge/floor", 1.2, false});
    // Cost per message may not grow with the length of the list. The 10 %
    // allow for the cache: 10,000 messages and their image outgrow it, one
    // message does not.
    for (const char* operation : {"serialize", "deserialize"}) {
        const std::string base = std::string(operation) + "/ours/";
        for (const char* shorter : {"1", "100"}) {
            rows.push_back({std::string(operation) + " per message, 10000 vs " + shorter, base + "10000",
                            base + shorter, 1.1, false});
        }
    }
    return rows;
}

}  // namespace VkNBench

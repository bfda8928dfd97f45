// The delivery benchmarks: the file sink against spdlog's rotating file
// sink, and messages per second from publisher through a mosquitto broker to
// collector against bare libmosquitto clients moving the same images.
#include <VkErrorHandling/Delivery/FanOut.h>
#include <VkErrorHandling/Delivery/FileSink.h>
#include <VkErrorHandling/Delivery/MqttCollector.h>
#include <VkErrorHandling/Delivery/MqttPublisher.h>
#include <VkErrorHandling/VkCErrorManager.h>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "RatioReporter.h"

#ifdef VKERR_BENCH_SPDLOG
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>
#endif

extern char** environ;

namespace {

using namespace VkNBench;
using std::chrono::milliseconds;

constexpr int kBatch = 1000;  // messages per iteration of the broker benchmarks
// Both file sinks rotate every few thousand messages, so that each run
// includes rotations and neither file grows into a different state of the
// file system than the other's.
constexpr size_t kRotateBytes = 1 << 20;

std::string scratchFile(const char* name) { return std::string("/tmp/vkerr-bench-") + name; }

// The log files live in memory (/dev/shm) when it can be written: on disk,
// the kernel's write-back of dirty pages lands on whichever benchmark runs at
// the time and moved single runs by 30 %, more than the sinks differ.
std::string logFile(const char* name) {
    return access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm/vkerr-bench-") + name : scratchFile(name);
}

void removeLogs(const std::string& path) {
    for (const char* suffix : {"", ".1", ".2"}) std::remove((path + suffix).c_str());
}

void fileSinkOurs(benchmark::State& state) {
    const std::string path = logFile("ours.log");
    VkNDelivery::FileSinkOptions options;
    options.path = path;
    options.rotateBytes = kRotateBytes;
    options.keptFiles = 2;
    auto sink = std::make_shared<VkNDelivery::FileSink>(options);
    VkNDelivery::FanOut::process().attach(sink);
    VkNDelivery::FanOut::install();
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    for (auto _ : state)
        manager.sendMessage(1, 0, 3, kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
    VkNDelivery::FanOut::uninstall();
    VkNDelivery::FanOut::process().detach(sink.get());
    state.SetItemsProcessed(state.iterations());
    removeLogs(path);
}
BENCHMARK(fileSinkOurs)->Name("filesink/ours");

#ifdef VKERR_BENCH_SPDLOG
void fileSinkSpdlog(benchmark::State& state) {
    const std::string path = logFile("spdlog.log");
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kRotateBytes, 2);
    spdlog::logger logger("vkerr_bench_file", sink);
    logger.flush_on(spdlog::level::trace);
    for (auto _ : state) {
        logger.error("0x{:08X}, in {}():{}\nInvalid message data at {:08X}: expected {}, actual {}.", kCode,
                     kFunction, kLine, kValue1, kValue2, kValue3);
    }
    state.SetItemsProcessed(state.iterations());
    removeLogs(path);
}
BENCHMARK(fileSinkSpdlog)->Name("filesink/spdlog");
#endif

// A mosquitto broker of the benchmark's own on a free loopback port, stopped
// when the process ends. Port 0 when none could be started.
class Broker {
  public:
    static Broker& instance() {
        static Broker broker;
        return broker;
    }
    int port() const { return port_; }
    ~Broker() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::remove(config_.c_str());
    }

  private:
    Broker() {
        port_ = freePort();
        config_ = scratchFile("mosquitto.conf");
        std::FILE* file = std::fopen(config_.c_str(), "w");
        if (file == nullptr) return;
        std::fprintf(file, "listener %d 127.0.0.1\nallow_anonymous true\nmax_queued_messages 0\nuser root\n",
                     port_);
        std::fclose(file);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        for (const char* program : {"/usr/sbin/mosquitto", "mosquitto"}) {
            char* argv[] = {const_cast<char*>(program), const_cast<char*>("-c"), config_.data(), nullptr};
            if (posix_spawnp(&pid_, program, &actions, nullptr, argv, environ) == 0) break;
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 100 && pid_ > 0 && !accepts(port_); ++i) usleep(20000);
        if (pid_ <= 0 || !accepts(port_)) port_ = 0;
    }

    static int freePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        close(fd);
        return ntohs(address.sin_port);
    }

    static bool accepts(int port) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return connected;
    }

    pid_t pid_ = 0;
    int port_ = 0;
    std::string config_;
};

void awaitCount(const std::atomic<uint64_t>& count, uint64_t expected) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (count.load(std::memory_order_acquire) < expected && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Publisher (the fan-out's MQTT sink) -> broker -> collector that reads
// every payload back into a list with the library's reader.
void mqttOurs(benchmark::State& state) {
    const int port = Broker::instance().port();
    if (port == 0) return state.SkipWithError("mosquitto could not be started");
    std::atomic<uint64_t> received{0};
    std::atomic<bool> stop{false};
    bool subscribed = false;
    VkNDelivery::MqttCollectorOptions collectorOptions;
    collectorOptions.port = port;
    collectorOptions.topic = "bench/ours/#";
    VkCErrorList readBack(4, 5, 0, 0, nullptr);
    VkNDelivery::MqttCollector collector(collectorOptions,
                                         [&](const std::string&, const unsigned char* payload, size_t size) {
                                             readBack.deSerialize(payload, static_cast<uint32_t>(size));
                                             readBack.reset();
                                             received.fetch_add(1, std::memory_order_release);
                                         });
    collector.setSubscribedHandler([&] { subscribed = true; });
    std::thread collecting([&] { collector.run([&] { return stop.load(); }); });
    while (!subscribed) std::this_thread::sleep_for(milliseconds(10));

    VkNDelivery::MqttPublisherOptions options;
    options.port = port;
    options.topicPrefix = "bench/ours";
    auto publisher = std::make_shared<VkNDelivery::MqttPublisher>(options);
    VkNDelivery::FanOut::process().attach(publisher);
    VkNDelivery::FanOut::install();
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            manager.sendMessage(1, 0, 3, kCode, kLine, kFunction, kFormat, kValue1, kValue2, kValue3);
        sent += kBatch;
        awaitCount(received, sent);
    }
    VkNDelivery::FanOut::uninstall();
    VkNDelivery::FanOut::process().detach(publisher.get());
    publisher->close(std::chrono::seconds(5));
    stop = true;
    collecting.join();
    state.SetItemsProcessed(static_cast<int64_t>(sent));
}
BENCHMARK(mqttOurs)->Name("mqtt/ours")->UseRealTime();

void countMessage(struct mosquitto*, void* counter, const struct mosquitto_message*) {
    static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(1, std::memory_order_release);
}

// The same image, published with QoS 1 by a bare client and counted by a
// bare subscriber (both on libmosquitto's own network threads).
void mqttBare(benchmark::State& state) {
    const int port = Broker::instance().port();
    if (port == 0) return state.SkipWithError("mosquitto could not be started");
    mosquitto_lib_init();
    std::atomic<uint64_t> received{0};
    struct mosquitto* subscriber = mosquitto_new(nullptr, true, &received);
    mosquitto_int_option(subscriber, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_message_callback_set(subscriber, countMessage);
    mosquitto_connect(subscriber, "127.0.0.1", port, 30);
    mosquitto_subscribe(subscriber, nullptr, "bench/bare/#", 1);
    mosquitto_loop_start(subscriber);
    struct mosquitto* publisher = mosquitto_new(nullptr, true, nullptr);
    mosquitto_max_inflight_messages_set(publisher, 1000);
    mosquitto_connect(publisher, "127.0.0.1", port, 30);
    mosquitto_loop_start(publisher);
    std::this_thread::sleep_for(milliseconds(200));  // the subscription is in place

    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setMessage(3, 0, 0, 0, "", kCode, kLine, 0, 0x1010, kFunction, kFormat, kValue1, kValue2, kValue3);
    uint32_t size = 0;
    char* image = list.serialize(size);
    uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            mosquitto_publish(publisher, nullptr, "bench/bare/0/0", static_cast<int>(size), image, 1, false);
        sent += kBatch;
        awaitCount(received, sent);
    }
    list.freeSerializedBuffer(&image);
    for (struct mosquitto* client : {publisher, subscriber}) {
        mosquitto_disconnect(client);
        mosquitto_loop_stop(client, false);
        mosquitto_destroy(client);
    }
    state.SetItemsProcessed(static_cast<int64_t>(sent));
}
BENCHMARK(mqttBare)->Name("mqtt/bare")->UseRealTime();

}  // namespace

namespace VkNBench {

std::vector<Comparison> deliveryComparisons() {
    return {
        {"file sink, flushed per message", "filesink/ours", "filesink/spdlog", 1.0, false},
        // At least 0.8 of the bare clients' messages per second.
        {"publisher -> broker -> collector", "mqtt/ours", "mqtt/bare", 1.25, false},
    };
}

}  // namespace VkNBench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    VkNBench::RatioReporter reporter(VkNBench::deliveryComparisons());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// vkerr collect: receive the images that publishers send to an MQTT broker,
// read them with the library's own readers and write their messages through
// a file sink (standard output by default).
#include <VkErrorHandling/Delivery/FileSink.h>
#include <VkErrorHandling/Delivery/MqttCollector.h>
#include <VkErrorHandling/VkCErrorManager.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "Cli.h"
#include "ImageReader.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr collect --broker HOST:PORT [--topic FILTER] [--client-id ID]\n"
    "                     [--plain|--tabbed|--json] [--output FILE [--rotate BYTES:N]]\n"
    "                     [--count N] [--timeout S]\n"
    "\n"
    "Subscribe to FILTER (default 'vkerr/#') with QoS 1 over MQTT 5, read every payload\n"
    "with the library's readers and write its messages, plain (the default), as\n"
    "tab-separated rows or as JSON lines, to standard output or appended to FILE.\n"
    "  --client-id ID     keep a persistent session: the broker stores what arrives\n"
    "                     while the collector is away and delivers it on return\n"
    "  --topic '$share/GROUP/vkerr/#'\n"
    "                     share the load: each message reaches one collector of GROUP\n"
    "  --rotate BYTES:N   rotate FILE before it passes BYTES, keeping FILE.1 .. FILE.N\n"
    "  --count N          stop after N payloads\n"
    "  --timeout S        stop after S seconds\n"
    "\n"
    "A payload that is not a valid image is reported on standard error with its topic\n"
    "and the reader's reason, and counted. SIGINT and SIGTERM end the collector; it\n"
    "then prints 'received R, malformed M, written W' on standard error. The exit\n"
    "status is 69 when no subscription was ever made.\n";

struct CollectOptions {
    std::string broker = "127.0.0.1:1883";
    std::string topic = "vkerr/#";
    std::string clientId;
    bool plain = false;
    bool tabbed = false;
    bool json = false;
    std::string output;
    std::string rotate;
    uint64_t count = 0;
    double timeout = 0;
};

volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int) { g_signalled = 1; }

// No SA_RESTART: a signal cuts the network wait short.
void catchTerminationSignals() {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool parseRotation(const std::string& text, VkNDelivery::FileSinkOptions& sink) {
    unsigned long long bytes = 0;
    unsigned kept = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%llu:%u%c", &bytes, &kept, &end) != 2 || bytes == 0) return false;
    sink.rotateBytes = bytes;
    sink.keptFiles = kept;
    return true;
}

// What one collector run counts; the summary line reports it.
struct Tally {
    uint64_t received = 0;
    uint64_t malformed = 0;
    uint64_t written = 0;
};

void writePayload(const std::string& topic, const unsigned char* payload, size_t size, VkCErrorList& reports,
                  VkNDelivery::FileSink& sink, Tally& tally) {
    ++tally.received;
    reports.reset();
    const ReadImage read = readImage(payload, size);
    if (!read.accepted || !read.list) {
        ++tally.malformed;
        std::fprintf(stderr, "vkerr collect: malformed payload on '%s' (%zu bytes): %s\n", topic.c_str(),
                     size, rejectionReason(reports, payload, size).c_str());
        return;
    }
    const uint64_t failedBefore = sink.writeErrors();
    sink.deliver(*read.list, std::chrono::seconds(5));
    if (sink.writeErrors() == failedBefore) tally.written += read.list->getNumberOfUsedEntries();
}

int collect(const CollectOptions& options) {
    if (options.plain + options.tabbed + options.json > 1)
        return usageError("collect", "choose one of --plain, --tabbed and --json");
    VkNDelivery::MqttCollectorOptions connection;
    connection.topic = options.topic;
    connection.clientId = options.clientId;
    if (!parseBroker(options.broker, connection.host, connection.port))
        return usageError("collect", "'" + options.broker + "' is not HOST:PORT");
    VkNDelivery::FileSinkOptions file;
    file.path = options.output.empty() ? "-" : options.output;
    file.layout = options.json     ? VkNDelivery::Layout::kJson
                  : options.tabbed ? VkNDelivery::Layout::kTabbed
                                   : VkNDelivery::Layout::kPlain;
    if (!options.rotate.empty() && (options.output.empty() || !parseRotation(options.rotate, file)))
        return usageError("collect", "--rotate needs --output and the form BYTES:N");
    VkNDelivery::FileSink sink(file);

    // The readers report into this thread's own list, not the manager's.
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorListPool reports(8, 5, 0, 0, nullptr);
    manager.setMasterErrorList(reports, -1, false);
    Tally tally;
    bool subscribed = false;
    VkNDelivery::MqttCollector collector(
        connection, [&](const std::string& topic, const unsigned char* payload, size_t size) {
            writePayload(topic, payload, size, reports, sink, tally);
        });
    collector.setSubscribedHandler([&] {
        if (!subscribed)
            std::fprintf(stderr, "vkerr collect: subscribed to '%s' at %s\n", options.topic.c_str(),
                         options.broker.c_str());
        subscribed = true;
    });
    catchTerminationSignals();
    const auto start = std::chrono::steady_clock::now();
    collector.run([&] {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        return g_signalled != 0 || (options.count > 0 && tally.received >= options.count) ||
               (options.timeout > 0 && elapsed.count() >= options.timeout);
    });
    manager.clearMasterErrorList(-1);
    if (sink.writeErrors() > 0)
        std::fprintf(stderr, "vkerr collect: %llu write(s) to '%s' failed\n",
                     static_cast<unsigned long long>(sink.writeErrors()), file.path.c_str());
    std::fprintf(stderr, "vkerr collect: received %llu, malformed %llu, written %llu\n",
                 static_cast<unsigned long long>(tally.received),
                 static_cast<unsigned long long>(tally.malformed),
                 static_cast<unsigned long long>(tally.written));
    if (subscribed) return kExitOk;
    std::fprintf(stderr, "vkerr collect: no subscription at %s: %s\n", options.broker.c_str(),
                 collector.lastError().empty() ? "no answer" : collector.lastError().c_str());
    return kExitUnavailable;
}

}  // namespace

void addCollectCommand(CLI::App& vkerr) {
    CLI::App& command =
        addCommand(vkerr, "collect", "print or store the images published to a broker", kHelp);
    auto options = std::make_shared<CollectOptions>();
    command.add_option("--broker", options->broker);
    command.add_option("--topic", options->topic);
    command.add_option("--client-id", options->clientId);
    command.add_flag("--plain", options->plain);
    command.add_flag("--tabbed", options->tabbed);
    command.add_flag("--json", options->json);
    command.add_option("--output", options->output);
    command.add_option("--rotate", options->rotate);
    command.add_option("--count", options->count);
    command.add_option("--timeout", options->timeout);
    setAction(command, [options] { return collect(*options); });
}

}  // namespace VkNTool

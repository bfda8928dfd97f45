// vkerr publish: publish an image from a file to an MQTT broker, QoS 1.
#include <VkErrorHandling/Delivery/MqttPublisher.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr publish FILE|- --broker HOST:PORT --topic TOPIC [--timeout S]\n"
    "\n"
    "Publish the bytes of FILE (or standard input), as they are, to TOPIC with QoS 1\n"
    "and wait at most S seconds (default 10) for the broker's acknowledgement. The\n"
    "exit status is 69 when the broker did not acknowledge the image in time.\n";

struct PublishOptions {
    std::string path;
    std::string broker;
    std::string topic;
    double timeout = 10;
};

int publish(const PublishOptions& options) {
    VkNDelivery::MqttPublisherOptions connection;
    if (options.path.empty()) return usageError("publish", "no FILE given");
    if (options.topic.empty()) return usageError("publish", "no --topic given");
    if (!parseBroker(options.broker, connection.host, connection.port))
        return usageError("publish", "'" + options.broker + "' is not HOST:PORT");
    if (options.timeout <= 0) return usageError("publish", "--timeout must be positive");
    std::vector<unsigned char> image;
    if (!readInput("publish", options.path, image)) return kExitNoInput;
    connection.maxQueuedBytes = image.size() + 1;
    VkNDelivery::MqttPublisher publisher(connection);
    publisher.publish(options.topic, image.data(), image.size());
    const auto limit = std::chrono::milliseconds(static_cast<long long>(options.timeout * 1000));
    if (publisher.close(limit)) return kExitOk;
    std::fprintf(stderr, "vkerr publish: %s did not acknowledge the image within %g s\n",
                 options.broker.c_str(), options.timeout);
    return kExitUnavailable;
}

}  // namespace

void addPublishCommand(CLI::App& vkerr) {
    CLI::App& command = addCommand(vkerr, "publish", "publish an image from a file", kHelp);
    auto options = std::make_shared<PublishOptions>();
    command.add_option("FILE", options->path);
    command.add_option("--broker", options->broker);
    command.add_option("--topic", options->topic);
    command.add_option("--timeout", options->timeout);
    setAction(command, [options] { return publish(*options); });
}

}  // namespace VkNTool

// A publishing process for the broker tests: sends COUNT one-message lists
// through the installed fan-out to an MQTT publisher, each carrying its node
// and sequence number ("node N seq S", line number S), then closes.
//
//   delivery_test_publisher HOST PORT PREFIX NODE COUNT [PAUSE_MICROSECONDS]
#include <VkErrorHandling/Delivery/FanOut.h>
#include <VkErrorHandling/Delivery/MqttPublisher.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 6) return 64;
    VkNDelivery::MqttPublisherOptions options;
    options.host = argv[1];
    options.port = std::atoi(argv[2]);
    options.topicPrefix = argv[3];
    const unsigned node = static_cast<unsigned>(std::atoi(argv[4]));
    const unsigned count = static_cast<unsigned>(std::atoi(argv[5]));
    const useconds_t pause = argc > 6 ? static_cast<useconds_t>(std::atoi(argv[6])) : 0;

    auto publisher = std::make_shared<VkNDelivery::MqttPublisher>(options);
    VkNDelivery::FanOut::process().attach(publisher);
    VkNDelivery::FanOut::install();
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setMyNodeId(node);
    manager.setSendMode(1);
    for (unsigned seq = 0; seq < count; ++seq) {
        const std::string text = "node " + std::to_string(node) + " seq " + std::to_string(seq);
        manager.sendMessage(0, 0, 1, 0, seq, "publisher", "%s", text.c_str());
        if (pause > 0) usleep(pause);
    }
    VkNDelivery::FanOut::process().detach(publisher.get());
    const bool acknowledged = publisher->close(std::chrono::seconds(60));
    const VkNDelivery::MqttPublisherCounters c = publisher->counters();
    std::fprintf(stderr, "node %u: published %llu, acknowledged %llu, dropped %llu, reconnects %llu\n", node,
                 static_cast<unsigned long long>(c.published),
                 static_cast<unsigned long long>(c.acknowledged), static_cast<unsigned long long>(c.dropped),
                 static_cast<unsigned long long>(c.reconnects));
    return acknowledged && c.dropped == 0 ? 0 : 1;
}

#include <VkErrorHandling/Delivery/MqttPublisher.h>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace VkNDelivery {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A loopback port nobody listens on: bound once by us, then released.
int unusedPort() {
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

TEST(DeliveryMqttPublisher, WithoutBrokerTheQueueKeepsTheNewestWithinItsBounds) {
    struct Case {
        size_t maxMessages;
        size_t maxBytes;
    };
    VkCErrorList list(2, 5, 0, 3, nullptr);
    list.setMessage(1, 0, 1, "send", "%s", "queued while the broker is away");
    uint32_t imageSize = 0;
    char* image = list.serialize(imageSize);
    list.freeSerializedBuffer(&image);
    for (const Case& bound : {Case{100, 1 << 20}, Case{1000, 100 * size_t{imageSize}}}) {
        MqttPublisherOptions options;
        options.port = unusedPort();
        options.maxQueuedMessages = bound.maxMessages;
        options.maxQueuedBytes = bound.maxBytes;
        MqttPublisher publisher(options);
        for (int i = 0; i < 150; ++i) publisher.deliver(list, milliseconds(0));
        MqttPublisherCounters counters = publisher.counters();
        EXPECT_EQ(counters.queued, 100u);
        EXPECT_EQ(counters.dropped, 50u);
        EXPECT_EQ(counters.published, 0u);

        const Clock::time_point start = Clock::now();
        EXPECT_FALSE(publisher.close(milliseconds(300)));
        EXPECT_LT(Clock::now() - start, milliseconds(300 + 200));  // slack for a loaded machine
        counters = publisher.counters();
        EXPECT_EQ(counters.dropped, 150u);
        EXPECT_EQ(counters.queued, 0u);
        EXPECT_FALSE(publisher.publish("t", "x", 1));
    }
}

}  // namespace
}  // namespace VkNDelivery

// A sink that publishes every sent list to an MQTT broker.
//
// Each list is serialized with the library's own serialize() and published
// with QoS 1 to "<prefix>/<node>/<application>" (node and application id of
// the list, in decimal), e.g. "vkerr/7/66". A collector anywhere reads the
// images back with the library's readers (see MqttCollector, vkerr collect).
//
//     VkNDelivery::MqttPublisherOptions options;
//     options.host = "broker.example";
//     auto publisher = std::make_shared<VkNDelivery::MqttPublisher>(options);
//     FanOut::process().attach(publisher);
//     ...
//     FanOut::process().detach(publisher.get());
//     publisher->close(std::chrono::seconds(5));
#ifndef VKERRORHANDLING_DELIVERY_MQTTPUBLISHER_H_
#define VKERRORHANDLING_DELIVERY_MQTTPUBLISHER_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "VkErrorHandling/Delivery/DeliveryExport.h"
#include "VkErrorHandling/Delivery/Sink.h"

namespace VkNDelivery {

struct MqttPublisherOptions {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string topicPrefix = "vkerr";
    // Empty: the broker names the client. A fixed id must be unique among
    // the broker's clients, or two clients keep pushing each other off.
    std::string clientId;
    // Images waiting for the broker. When either bound is passed, the
    // oldest images are dropped (and counted) to make room.
    size_t maxQueuedMessages = 10000;
    size_t maxQueuedBytes = 16u << 20;
    // Images handed to the connection and not yet acknowledged. Must stay
    // below 65,535, the number of message ids a connection has.
    uint32_t maxInFlight = 1000;
    // Waits between connection attempts: doubling from min up to max.
    std::chrono::milliseconds reconnectMin{100};
    std::chrono::milliseconds reconnectMax{5000};
    int keepAliveSeconds = 30;
};

struct MqttPublisherCounters {
    uint64_t published = 0;     // handed to the broker connection
    uint64_t acknowledged = 0;  // confirmed by the broker (PUBACK)
    uint64_t queued = 0;        // waiting now
    uint64_t dropped = 0;       // never handed over: overflow, oversize, left at close
    uint64_t reconnects = 0;    // connections made again after one was lost
};

// Senders only queue: a background thread connects, reconnects with backoff
// and hands images to the connection while it is up, at most maxInFlight
// unacknowledged at a time. An image handed over stays with the connection
// until the broker acknowledges it, also across a reconnect (it is resent,
// so a collector may see it twice; it is never queued twice by us).
//
// Ownership: owns its thread and connection. Thread safety: every operation
// from any thread; write() (through deliver()) costs a serialize and a queue
// append, never network I/O.
class VK_DELIVERY_EXPORT MqttPublisher : public Sink {
  public:
    static constexpr std::chrono::milliseconds kDefaultCloseLimit{2000};

    explicit MqttPublisher(MqttPublisherOptions options);
    // Closes with kDefaultCloseLimit if close() was not called.
    ~MqttPublisher() override;

    // Queues an image as it is, for `topic`. False when it was dropped at
    // once: after close(), or larger than maxQueuedBytes.
    bool publish(const std::string& topic, const void* image, size_t size);

    // Hands over what is queued and waits for the broker's acknowledgements,
    // then disconnects. Returns within `limit` (give it at least a few tens
    // of milliseconds), whether the broker is there or not; what is then
    // still queued is dropped. True when every image ever given was
    // acknowledged: none dropped, none left unconfirmed.
    // Later sends are dropped.
    bool close(std::chrono::milliseconds limit);

    MqttPublisherCounters counters() const;
    bool connected() const;

  protected:
    void write(VkCErrorList& list) override;

  private:
    class Connection;
    const std::string topicPrefix_;
    std::unique_ptr<Connection> connection_;
};

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_MQTTPUBLISHER_H_

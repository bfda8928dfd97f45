// Receives the images that publishers send to an MQTT broker.
//
// Subscribes with QoS 1 over MQTT 5. With a client id the session is
// persistent: the broker keeps what arrives for the collector while it is
// away (for sessionExpirySeconds) and hands it over when it comes back. A
// topic "$share/GROUP/vkerr/#" joins a shared subscription: each message
// goes to one member of the group, so several collectors share the load.
#ifndef VKERRORHANDLING_DELIVERY_MQTTCOLLECTOR_H_
#define VKERRORHANDLING_DELIVERY_MQTTCOLLECTOR_H_

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "VkErrorHandling/Delivery/DeliveryExport.h"

struct mosquitto;

namespace VkNDelivery {

struct MqttCollectorOptions {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string topic = "vkerr/#";
    // Empty: a clean session that ends with the connection.
    std::string clientId;
    // How long the broker keeps a persistent session while nobody is
    // connected to it. MQTT 5 ends a session at once without this.
    uint32_t sessionExpirySeconds = 7 * 24 * 3600;
    std::chrono::milliseconds reconnectMin{100};
    std::chrono::milliseconds reconnectMax{5000};
    int keepAliveSeconds = 30;
};

// Ownership: owns its connection. Thread safety: run() on one thread; the
// handlers run on that thread; counters from any thread.
class VK_DELIVERY_EXPORT MqttCollector {
  public:
    // Gets each message's topic and payload, valid only during the call. The
    // broker has already been acknowledged when it is called.
    using MessageHandler =
        std::function<void(const std::string& topic, const unsigned char* payload, size_t size)>;

    MqttCollector(MqttCollectorOptions options, MessageHandler onMessage);
    ~MqttCollector();
    MqttCollector(const MqttCollector&) = delete;
    MqttCollector& operator=(const MqttCollector&) = delete;

    // Called each time the broker confirms the subscription.
    void setSubscribedHandler(std::function<void()> onSubscribed);

    // Connects, subscribes and receives on the calling thread, reconnecting
    // with backoff, until `stop` returns true; it is asked at least every
    // 100 ms. Then disconnects (a persistent session stays with the broker).
    void run(const std::function<bool()>& stop);

    uint64_t received() const { return received_.load(std::memory_order_relaxed); }
    uint64_t reconnects() const { return reconnects_.load(std::memory_order_relaxed); }
    // Why the last connection attempt failed, or "". Read it on the thread
    // that runs run(), or after run() returned.
    const std::string& lastError() const { return lastError_; }

  private:
    friend struct MqttCollectorCallbacks;  // libmosquitto's callbacks, in the source file
    bool connect();

    const MqttCollectorOptions options_;
    MessageHandler onMessage_;
    std::function<void()> onSubscribed_;
    struct mosquitto* client_ = nullptr;
    bool everConnected_ = false;
    std::string lastError_;
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> reconnects_{0};
};

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_MQTTCOLLECTOR_H_

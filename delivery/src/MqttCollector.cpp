#include "VkErrorHandling/Delivery/MqttCollector.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "MosquittoLibrary.h"

namespace VkNDelivery {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// libmosquitto's callbacks; they run inside run(), on its thread.
struct MqttCollectorCallbacks {
    static void onConnect(struct mosquitto* client, void* self, int result, int, const mosquitto_property*) {
        auto* collector = static_cast<MqttCollector*>(self);
        if (result != 0) {
            collector->lastError_ = mosquitto_reason_string(result);
            return;
        }
        if (collector->everConnected_) collector->reconnects_.fetch_add(1, std::memory_order_relaxed);
        collector->everConnected_ = true;
        // Subscribing again on every connection is harmless for a kept
        // session and needed for a clean one.
        mosquitto_subscribe_v5(client, nullptr, collector->options_.topic.c_str(), 1, 0, nullptr);
    }

    static void onSubscribe(struct mosquitto*, void* self, int, int count, const int* granted,
                            const mosquitto_property*) {
        auto* collector = static_cast<MqttCollector*>(self);
        if (count < 1 || granted[0] > 2) {
            collector->lastError_ =
                "the broker refused the subscription to '" + collector->options_.topic + "'";
            return;
        }
        if (collector->onSubscribed_) collector->onSubscribed_();
    }

    static void onMessage(struct mosquitto*, void* self, const struct mosquitto_message* message,
                          const mosquitto_property*) {
        auto* collector = static_cast<MqttCollector*>(self);
        collector->received_.fetch_add(1, std::memory_order_relaxed);
        const std::string topic = message->topic != nullptr ? message->topic : "";
        collector->onMessage_(topic, static_cast<const unsigned char*>(message->payload),
                              static_cast<size_t>(message->payloadlen));
    }
};

MqttCollector::MqttCollector(MqttCollectorOptions options, MessageHandler onMessage)
    : options_(std::move(options)), onMessage_(std::move(onMessage)) {
    initMosquittoLibrary();
    const bool persistent = !options_.clientId.empty();
    client_ = mosquitto_new(persistent ? options_.clientId.c_str() : nullptr, !persistent, this);
    if (client_ == nullptr) return;
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(client_, MqttCollectorCallbacks::onConnect);
    mosquitto_subscribe_v5_callback_set(client_, MqttCollectorCallbacks::onSubscribe);
    mosquitto_message_v5_callback_set(client_, MqttCollectorCallbacks::onMessage);
}

MqttCollector::~MqttCollector() {
    if (client_ != nullptr) mosquitto_destroy(client_);
}

void MqttCollector::setSubscribedHandler(std::function<void()> onSubscribed) {
    onSubscribed_ = std::move(onSubscribed);
}

// A persistent session needs a Session Expiry Interval: under MQTT 5 the
// broker ends a session without one as soon as the connection closes.
bool MqttCollector::connect() {
    mosquitto_property* properties = nullptr;
    if (!options_.clientId.empty()) {
        mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                     options_.sessionExpirySeconds);
    }
    const int result = mosquitto_connect_bind_v5(client_, options_.host.c_str(), options_.port,
                                                 options_.keepAliveSeconds, nullptr, properties);
    mosquitto_property_free_all(&properties);
    if (result != MOSQ_ERR_SUCCESS) {
        lastError_ = result == MOSQ_ERR_ERRNO
                         ? "cannot connect to " + options_.host + ":" + std::to_string(options_.port)
                         : mosquitto_strerror(result);
    }
    return result == MOSQ_ERR_SUCCESS;
}

void MqttCollector::run(const std::function<bool()>& stop) {
    if (client_ == nullptr) {
        lastError_ = "no MQTT client could be made";
        return;
    }
    milliseconds backoff = options_.reconnectMin;
    Clock::time_point nextAttempt = Clock::now();
    while (!stop()) {
        if (mosquitto_socket(client_) < 0) {
            if (Clock::now() < nextAttempt) {
                std::this_thread::sleep_for(std::min(
                    milliseconds(100), std::chrono::duration_cast<milliseconds>(nextAttempt - Clock::now())));
                continue;
            }
            if (!connect()) {
                nextAttempt = Clock::now() + backoff;
                backoff = std::min(backoff * 2, options_.reconnectMax);
                continue;
            }
            backoff = options_.reconnectMin;
        }
        // Closes the socket itself when the connection breaks.
        mosquitto_loop(client_, 100, 1);
    }
    if (mosquitto_socket(client_) >= 0) {
        mosquitto_disconnect(client_);
        mosquitto_loop(client_, 10, 1);
    }
}

}  // namespace VkNDelivery

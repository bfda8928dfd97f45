#include "VkErrorHandling/Delivery/MqttPublisher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "MosquittoLibrary.h"

namespace VkNDelivery {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The longest the connection thread sleeps without looking at its work;
// libmosquitto's keepalive needs a call now and then.
constexpr milliseconds kPollInterval{100};

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

// One image waiting for the broker.
struct QueuedImage {
    std::string topic;
    std::unique_ptr<unsigned char, FreeDeleter> bytes;
    size_t size;
};

}  // namespace

// The queue between senders and the connection thread, and the thread
// itself, which alone touches the libmosquitto client: it connects, moves
// queued images into the connection and runs the client's network I/O.
class MqttPublisher::Connection {
  public:
    explicit Connection(MqttPublisherOptions options);
    ~Connection();

    bool enqueue(QueuedImage image);
    bool close(milliseconds limit);
    MqttPublisherCounters counters() const;
    bool connected() const { return connected_.load(std::memory_order_relaxed); }

  private:
    static void onConnect(struct mosquitto*, void* self, int result);
    static void onDisconnect(struct mosquitto*, void* self, int result);
    static void onPublish(struct mosquitto*, void* self, int mid);

    void run();
    bool finished();
    void tryConnect(Clock::time_point now);
    void handOver();
    void pollOnce(Clock::time_point wakeAt);
    void wake();

    const MqttPublisherOptions options_;
    struct mosquitto* client_ = nullptr;
    int wakeFd_ = -1;

    mutable std::mutex mutex_;  // guards the queue and the closing state
    std::deque<QueuedImage> queue_;
    size_t queuedBytes_ = 0;
    bool closing_ = false;
    bool closed_ = false;
    Clock::time_point deadline_;

    // Touched only by the connection thread.
    bool everConnected_ = false;
    bool attempted_ = false;
    uint64_t inFlight_ = 0;
    milliseconds backoff_;
    Clock::time_point nextAttempt_;

    std::atomic<bool> connected_{false};
    std::atomic<uint64_t> published_{0};
    std::atomic<uint64_t> acknowledged_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> reconnects_{0};
    std::thread thread_;
};

MqttPublisher::Connection::Connection(MqttPublisherOptions options)
    : options_(std::move(options)), backoff_(options_.reconnectMin) {
    initMosquittoLibrary();
    const char* id = options_.clientId.empty() ? nullptr : options_.clientId.c_str();
    client_ = mosquitto_new(id, true, this);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (client_ == nullptr || wakeFd_ < 0) {
        closed_ = true;  // every image is dropped and counted
        return;
    }
    mosquitto_connect_callback_set(client_, onConnect);
    mosquitto_disconnect_callback_set(client_, onDisconnect);
    mosquitto_publish_callback_set(client_, onPublish);
    const uint32_t inFlight = std::max<uint32_t>(1, std::min<uint32_t>(options_.maxInFlight, 65000));
    mosquitto_max_inflight_messages_set(client_, inFlight);
    thread_ = std::thread([this] { run(); });
}

MqttPublisher::Connection::~Connection() {
    close(kDefaultCloseLimit);
    if (client_ != nullptr) mosquitto_destroy(client_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void MqttPublisher::Connection::onConnect(struct mosquitto*, void* self, int result) {
    auto* connection = static_cast<Connection*>(self);
    if (result != 0) return;  // refused; the broker closes, and we try again
    if (connection->everConnected_) connection->reconnects_.fetch_add(1, std::memory_order_relaxed);
    connection->everConnected_ = true;
    connection->backoff_ = connection->options_.reconnectMin;
    connection->connected_.store(true, std::memory_order_relaxed);
}

void MqttPublisher::Connection::onDisconnect(struct mosquitto*, void* self, int) {
    static_cast<Connection*>(self)->connected_.store(false, std::memory_order_relaxed);
}

void MqttPublisher::Connection::onPublish(struct mosquitto*, void* self, int) {
    auto* connection = static_cast<Connection*>(self);
    if (connection->inFlight_ > 0) --connection->inFlight_;
    connection->acknowledged_.fetch_add(1, std::memory_order_relaxed);
}

bool MqttPublisher::Connection::enqueue(QueuedImage image) {
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_ || closed_ || image.size > options_.maxQueuedBytes) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        wasEmpty = queue_.empty();
        queuedBytes_ += image.size;
        queue_.push_back(std::move(image));
        while (queue_.size() > options_.maxQueuedMessages || queuedBytes_ > options_.maxQueuedBytes) {
            queuedBytes_ -= queue_.front().size;
            queue_.pop_front();
            dropped_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    // A busy thread finds the queue itself; an idle one sleeps in poll().
    if (wasEmpty) wake();
    return true;
}

void MqttPublisher::Connection::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
}

bool MqttPublisher::Connection::close(milliseconds limit) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!closing_) {
            closing_ = true;
            // Leave a little of the limit for disconnecting and joining.
            deadline_ = Clock::now() + std::max(milliseconds(0), limit - milliseconds(5));
        }
    }
    wake();
    if (thread_.joinable()) thread_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    const MqttPublisherCounters now = counters();
    return now.queued == 0 && now.dropped == 0 && now.acknowledged >= now.published;
}

MqttPublisherCounters MqttPublisher::Connection::counters() const {
    MqttPublisherCounters counters;
    counters.published = published_.load(std::memory_order_relaxed);
    counters.acknowledged = acknowledged_.load(std::memory_order_relaxed);
    counters.dropped = dropped_.load(std::memory_order_relaxed);
    counters.reconnects = reconnects_.load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(mutex_);
    counters.queued = queue_.size();
    return counters;
}

// Closing ends the thread once everything is acknowledged or the deadline
// has passed; what is left in the queue then is dropped.
bool MqttPublisher::Connection::finished() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closing_) return false;
    if (Clock::now() < deadline_ && (!queue_.empty() || inFlight_ > 0)) return false;
    dropped_.fetch_add(queue_.size(), std::memory_order_relaxed);
    queue_.clear();
    queuedBytes_ = 0;
    return true;
}

void MqttPublisher::Connection::tryConnect(Clock::time_point now) {
    if (now < nextAttempt_) return;
    const int result = attempted_ ? mosquitto_reconnect_async(client_)
                                  : mosquitto_connect_async(client_, options_.host.c_str(), options_.port,
                                                            options_.keepAliveSeconds);
    attempted_ = true;
    if (result != MOSQ_ERR_SUCCESS || mosquitto_socket(client_) < 0) {
        nextAttempt_ = now + backoff_;
        backoff_ = std::min(backoff_ * 2, options_.reconnectMax);
    }
}

// Moves queued images into the connection while it is up and the window of
// unacknowledged images has room. mosquitto_publish() answers NO_CONN for a
// connection that just went down but keeps a QoS 1 message queued all the
// same, to resend after reconnecting; so that counts as handed over.
void MqttPublisher::Connection::handOver() {
    while (connected_.load(std::memory_order_relaxed) && inFlight_ < options_.maxInFlight) {
        QueuedImage image;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) return;
            image = std::move(queue_.front());
            queue_.pop_front();
            queuedBytes_ -= image.size;
        }
        const int result = mosquitto_publish(client_, nullptr, image.topic.c_str(),
                                             static_cast<int>(image.size), image.bytes.get(), 1, false);
        if (result == MOSQ_ERR_SUCCESS || result == MOSQ_ERR_NO_CONN) {
            ++inFlight_;
            published_.fetch_add(1, std::memory_order_relaxed);
        } else {
            dropped_.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

void MqttPublisher::Connection::pollOnce(Clock::time_point wakeAt) {
    const int socket = mosquitto_socket(client_);
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {socket, 0, 0}};
    if (socket >= 0)
        fds[1].events = static_cast<short>(POLLIN | (mosquitto_want_write(client_) ? POLLOUT : 0));
    const auto wait = std::chrono::duration_cast<milliseconds>(wakeAt - Clock::now());
    const int timeout = static_cast<int>(std::max(milliseconds(0), std::min(wait, kPollInterval)).count());
    if (::poll(fds, socket >= 0 ? 2 : 1, timeout) < 0) return;
    if (fds[0].revents & POLLIN) {
        uint64_t count;
        (void)!::read(wakeFd_, &count, sizeof count);
    }
    if (socket < 0) return;
    // Each call closes the socket itself when it finds the connection broken.
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) mosquitto_loop_read(client_, 1);
    if (mosquitto_socket(client_) >= 0 && mosquitto_want_write(client_)) mosquitto_loop_write(client_, 1);
    if (mosquitto_socket(client_) >= 0) mosquitto_loop_misc(client_);
}

void MqttPublisher::Connection::run() {
    while (!finished()) {
        const Clock::time_point now = Clock::now();
        const bool wasOpen = mosquitto_socket(client_) >= 0;
        if (!wasOpen) tryConnect(now);
        handOver();
        Clock::time_point wakeAt = now + kPollInterval;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closing_) wakeAt = std::min(wakeAt, deadline_);
        }
        if (mosquitto_socket(client_) < 0) wakeAt = std::min(wakeAt, nextAttempt_);
        pollOnce(wakeAt);
        if (wasOpen && mosquitto_socket(client_) < 0) {
            connected_.store(false, std::memory_order_relaxed);
            nextAttempt_ = Clock::now() + backoff_;
            backoff_ = std::min(backoff_ * 2, options_.reconnectMax);
        }
    }
    if (mosquitto_socket(client_) >= 0) mosquitto_disconnect(client_);
    connected_.store(false, std::memory_order_relaxed);
}

MqttPublisher::MqttPublisher(MqttPublisherOptions options)
    : topicPrefix_(options.topicPrefix), connection_(new Connection(std::move(options))) {}

MqttPublisher::~MqttPublisher() = default;

bool MqttPublisher::publish(const std::string& topic, const void* image, size_t size) {
    QueuedImage queued{topic,
                       std::unique_ptr<unsigned char, FreeDeleter>(
                           static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size))),
                       size};
    if (!queued.bytes) return false;
    if (size > 0) std::memcpy(queued.bytes.get(), image, size);
    return connection_->enqueue(std::move(queued));
}

bool MqttPublisher::close(std::chrono::milliseconds limit) { return connection_->close(limit); }

MqttPublisherCounters MqttPublisher::counters() const { return connection_->counters(); }

bool MqttPublisher::connected() const { return connection_->connected(); }

void MqttPublisher::write(VkCErrorList& list) {
    if (list.getNumberOfUsedEntries() == 0) return;
    uint32_t size = 0;
    char* image = list.serialize(size);
    if (image == nullptr) return;
    std::string topic =
        topicPrefix_ + "/" + std::to_string(list.getNodeId()) + "/" + std::to_string(list.getApplicationId());
    connection_->enqueue(QueuedImage{
        std::move(topic),
        std::unique_ptr<unsigned char, FreeDeleter>(reinterpret_cast<unsigned char*>(image)), size});
}

}  // namespace VkNDelivery

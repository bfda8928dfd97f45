// Sinks: destinations for the message lists a host sends.
//
//     auto file = std::make_shared<VkNDelivery::FileSink>(options);
//     VkNDelivery::FanOut::process().attach(file);
//     VkNDelivery::FanOut::install();  // every sent list now reaches the file
#ifndef VKERRORHANDLING_DELIVERY_SINK_H_
#define VKERRORHANDLING_DELIVERY_SINK_H_

#include <VkErrorHandling/VkCErrorList.h>
#include <VkErrorHandling/VkCErrorManager.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "VkErrorHandling/Delivery/DeliveryExport.h"

namespace VkNDelivery {

enum class DeliveryResult {
    kDelivered,  // write() returned
    kFailed,     // write() threw; the exception was caught and counted
    kBusy,       // another thread held the sink for longer than the wait
    kReentered,  // sent from inside this sink's own delivery on this thread
};

// What happened to the lists handed to a sink.
struct SinkCounters {
    uint64_t delivered = 0;
    uint64_t failed = 0;
    uint64_t busy = 0;
    uint64_t reentered = 0;
};

// A destination for sent message lists.
//
// deliver() is the only way in: it takes the sink's own lock, waiting at
// most `wait`, calls write() and catches whatever write() throws. So a
// subclass never locks, never lets an exception out, and a stuck sink costs
// a sender at most `wait`. A list sent through the manager from inside
// write() (a sink reporting its own trouble) is not handed back to the same
// sink on that thread, which would wait for itself; it still reaches the
// other sinks. Nesting deeper than eight sinks is cut off.
//
// Ownership: shared between the host and the fan-outs it is attached to.
// Thread safety: deliver() and counters() from any thread at once; write()
// runs on one thread at a time.
class VK_DELIVERY_EXPORT Sink {
  public:
    Sink();
    virtual ~Sink();
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    // Writes `list` unless the sink stays held by another thread for `wait`.
    DeliveryResult deliver(VkCErrorList& list, std::chrono::milliseconds wait) noexcept;
    SinkCounters counters() const;

  protected:
    // Writes the used entries of `list`, which is valid only during the call.
    virtual void write(VkCErrorList& list) = 0;

  private:
    class HeldMark;
    bool tryTake();
    bool acquire(std::chrono::milliseconds wait);
    void release();

    // The sink's lock, held across write(): a flag taken with one atomic
    // step when free, and a mutex with a condition variable for the waits
    // (whose timed wait is on the steady clock and visible to
    // ThreadSanitizer, unlike std::timed_mutex's).
    std::atomic<bool> held_{false};
    std::atomic<uint32_t> waiters_{0};
    std::mutex mutex_;
    std::condition_variable released_;
    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> failed_{0};
    std::atomic<uint64_t> busy_{0};
    std::atomic<uint64_t> reentered_{0};
};

// Hands every list to a host function: how a host keeps the message-manager
// callback it had before it installed the fan-out.
//
// Ownership: holds a copy of the function. Thread safety: as Sink; the
// function runs on one thread at a time.
class VK_DELIVERY_EXPORT FunctionSink : public Sink {
  public:
    explicit FunctionSink(std::function<void(VkCErrorList&)> function);
    // A message-manager callback; it is called with MsgManSendList.
    explicit FunctionSink(void (*callback)(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList*));
    ~FunctionSink() override;

  protected:
    void write(VkCErrorList& list) override;

  private:
    std::function<void(VkCErrorList&)> function_;
};

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_SINK_H_

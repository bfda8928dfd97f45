#include "VkErrorHandling/Delivery/Sink.h"

#include <utility>

namespace VkNDelivery {
namespace {

// The sinks this thread is inside of, innermost last. A sink found here is
// being written by this very thread further up the stack.
constexpr int kMaxNesting = 8;
thread_local const Sink* t_heldSinks[kMaxNesting];
thread_local int t_heldCount = 0;

bool heldByThisThread(const Sink* sink) {
    for (int i = 0; i < t_heldCount; ++i) {
        if (t_heldSinks[i] == sink) return true;
    }
    return false;
}

}  // namespace

// Marks `sink` as held by this thread for the lifetime of the mark, and
// releases it at the end, also when write() throws.
class Sink::HeldMark {
  public:
    explicit HeldMark(Sink* sink) : sink_(sink) { t_heldSinks[t_heldCount++] = sink; }
    ~HeldMark() {
        --t_heldCount;
        sink_->release();
    }
    HeldMark(const HeldMark&) = delete;
    HeldMark& operator=(const HeldMark&) = delete;

  private:
    Sink* const sink_;
};

Sink::Sink() = default;
Sink::~Sink() = default;

DeliveryResult Sink::deliver(VkCErrorList& list, std::chrono::milliseconds wait) noexcept {
    if (t_heldCount == kMaxNesting || heldByThisThread(this)) {
        reentered_.fetch_add(1, std::memory_order_relaxed);
        return DeliveryResult::kReentered;
    }
    if (!acquire(wait)) {
        busy_.fetch_add(1, std::memory_order_relaxed);
        return DeliveryResult::kBusy;
    }
    HeldMark mark(this);
    try {
        write(list);
    } catch (...) {
        failed_.fetch_add(1, std::memory_order_relaxed);
        return DeliveryResult::kFailed;
    }
    delivered_.fetch_add(1, std::memory_order_relaxed);
    return DeliveryResult::kDelivered;
}

// The flag is taken with one compare-exchange when it is free, which is
// every delivery but a contended one; only then does a sender count itself
// as a waiter and sleep on the condition variable. Both sides use
// sequentially consistent operations, so a releaser either sees the waiter
// or the waiter sees the flag cleared: no wake-up is lost.
bool Sink::tryTake() {
    bool expected = false;
    return held_.compare_exchange_strong(expected, true);
}

bool Sink::acquire(std::chrono::milliseconds wait) {
    if (tryTake()) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    waiters_.fetch_add(1);
    const bool taken = released_.wait_for(lock, wait, [this] { return tryTake(); });
    waiters_.fetch_sub(1);
    return taken;
}

void Sink::release() {
    held_.store(false);
    if (waiters_.load() == 0) return;
    // Taking the mutex orders this wake-up after a waiter's last look at
    // the flag, so it cannot fall between that look and its sleep.
    { std::lock_guard<std::mutex> lock(mutex_); }
    released_.notify_one();
}

SinkCounters Sink::counters() const {
    SinkCounters counters;
    counters.delivered = delivered_.load(std::memory_order_relaxed);
    counters.failed = failed_.load(std::memory_order_relaxed);
    counters.busy = busy_.load(std::memory_order_relaxed);
    counters.reentered = reentered_.load(std::memory_order_relaxed);
    return counters;
}

FunctionSink::FunctionSink(std::function<void(VkCErrorList&)> function) : function_(std::move(function)) {}

FunctionSink::FunctionSink(void (*callback)(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList*))
    : function_([callback](VkCErrorList& list) {
          if (callback != nullptr) callback(VkNErrorManager::MsgManSendList, &list);
      }) {}

FunctionSink::~FunctionSink() = default;

void FunctionSink::write(VkCErrorList& list) {
    if (function_) function_(list);
}

}  // namespace VkNDelivery

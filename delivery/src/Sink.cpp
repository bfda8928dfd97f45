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

// Marks `sink` as held by this thread for the lifetime of the mark, and
// releases it at the end, also when write() throws.
class HeldMark {
  public:
    HeldMark(const Sink* sink, std::function<void()> release) : release_(std::move(release)) {
        t_heldSinks[t_heldCount++] = sink;
    }
    ~HeldMark() {
        --t_heldCount;
        release_();
    }
    HeldMark(const HeldMark&) = delete;
    HeldMark& operator=(const HeldMark&) = delete;

  private:
    std::function<void()> release_;
};

}  // namespace

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
    HeldMark mark(this, [this] { release(); });
    try {
        write(list);
    } catch (...) {
        failed_.fetch_add(1, std::memory_order_relaxed);
        return DeliveryResult::kFailed;
    }
    delivered_.fetch_add(1, std::memory_order_relaxed);
    return DeliveryResult::kDelivered;
}

bool Sink::acquire(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!released_.wait_for(lock, wait, [this] { return !held_; })) return false;
    held_ = true;
    return true;
}

void Sink::release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
    }
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

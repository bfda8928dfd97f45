#include "platform/ThreadId.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <new>
#include <vector>

namespace VkNPlatform {
namespace {

// Hands out thread ids: the smallest returned id first, else the next unused
// one. Thread-safe. Created on first use and never destroyed, so threads that
// exit while static objects are being destroyed can still return their id.
class ThreadIdPool {
  public:
    static ThreadIdPool& instance() {
        static ThreadIdPool* pool = new ThreadIdPool();
        return *pool;
    }

    uint32_t take() {
        std::lock_guard<std::mutex> guard(mutex_);
        if (freeIds_.empty()) {
            // Make room now for this id's return, so that giveBack(), which
            // runs while the thread exits, never needs to allocate.
            try {
                freeIds_.reserve(highestId_ + 1);
            } catch (const std::bad_alloc&) {
            }
            return ++highestId_;
        }
        std::pop_heap(freeIds_.begin(), freeIds_.end(), std::greater<uint32_t>());
        uint32_t id = freeIds_.back();
        freeIds_.pop_back();
        return id;
    }

    void giveBack(uint32_t id) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (freeIds_.size() == freeIds_.capacity()) return;  // no room: the id is retired, never reused
        freeIds_.push_back(id);
        std::push_heap(freeIds_.begin(), freeIds_.end(), std::greater<uint32_t>());
    }

  private:
    std::mutex mutex_;
    uint32_t highestId_ = 0;
    std::vector<uint32_t> freeIds_;  // a min-heap
};

// The id itself lives in trivially destructible thread-locals so that it can
// still be read from destructors that run after the holder below is gone.
thread_local uint32_t t_threadId = 0;
thread_local bool t_holderDestroyed = false;

// Returns the thread's id to the pool when the thread exits.
struct ThreadIdHolder {
    ~ThreadIdHolder() {
        if (t_threadId != 0) ThreadIdPool::instance().giveBack(t_threadId);
        t_threadId = 0;
        t_holderDestroyed = true;
    }
};

void armHolder() {
    static thread_local ThreadIdHolder holder;
    (void)holder;
}

}  // namespace

uint32_t currentThreadId() {
    if (t_threadId != 0) return t_threadId;
    t_threadId = ThreadIdPool::instance().take();
    // A thread that asks again from a destructor running after its holder
    // was destroyed keeps this second id for good: it cannot be handed back,
    // but it is never shared with another live thread either.
    if (!t_holderDestroyed) armHolder();
    return t_threadId;
}

}  // namespace VkNPlatform

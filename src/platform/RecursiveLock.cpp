#include "platform/RecursiveLock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace VkNPlatform {
namespace {

// A re-entrant lock built from a plain mutex and a condition variable rather
// than std::recursive_timed_mutex, for two reasons: the holder and depth are
// known, so a release by a thread that does not hold the lock is refused
// instead of being undefined; and the timed wait goes through calls that
// ThreadSanitizer understands (its interceptors miss the clock-based lock
// call the standard timed mutex uses, and then report every unlock).
// `guard` protects `owner` and `depth`; it is only held for a few steps.
struct TimedRecursiveLock {
    std::mutex guard;
    std::condition_variable released;
    std::thread::id owner;  // empty while the lock is free
    uint32_t depth = 0;
};

TimedRecursiveLock* fromHandle(LockHandle lock) { return static_cast<TimedRecursiveLock*>(lock); }

}  // namespace

LockHandle createLock() { return new (std::nothrow) TimedRecursiveLock(); }

int32_t acquireLock(LockHandle handle, uint32_t timeoutMilliseconds) {
    TimedRecursiveLock* lock = fromHandle(handle);
    if (lock == nullptr) return -1;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(lock->guard);
    if (lock->owner != self) {
        // A free lock is taken at once: only waiting needs the clock for the
        // time-out, and reading it costs as much as the rest of the acquire.
        if (lock->depth != 0) {
            const bool isFree = lock->released.wait_for(guard, std::chrono::milliseconds(timeoutMilliseconds),
                                                        [lock] { return lock->depth == 0; });
            if (!isFree) return -1;
        }
        lock->owner = self;
    }
    ++lock->depth;
    return 0;
}

int32_t releaseLock(LockHandle handle) {
    TimedRecursiveLock* lock = fromHandle(handle);
    if (lock == nullptr) return -1;
    std::unique_lock<std::mutex> guard(lock->guard);
    if (lock->depth == 0 || lock->owner != std::this_thread::get_id()) return -1;
    if (--lock->depth > 0) return 0;
    lock->owner = std::thread::id();
    guard.unlock();
    lock->released.notify_one();
    return 0;
}

int32_t closeLock(LockHandle handle) {
    TimedRecursiveLock* lock = fromHandle(handle);
    if (lock == nullptr) return -1;
    {
        // Destroying a lock another thread holds would pull it from under
        // that thread: refuse. The caller's own holds simply end here.
        std::lock_guard<std::mutex> guard(lock->guard);
        if (lock->depth > 0 && lock->owner != std::this_thread::get_id()) return -1;
    }
    delete lock;
    return 0;
}

}  // namespace VkNPlatform

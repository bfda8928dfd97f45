// A re-entrant lock with a timed acquire: the one lock the manager needs.
//
// The owning thread may acquire it again and must release it as often.
// Acquiring waits at most the given time; callers skip the guarded step when
// it fails. Handles are opaque so the public manager header needs no
// platform types.
#ifndef VKERRORHANDLING_SRC_PLATFORM_RECURSIVELOCK_H_
#define VKERRORHANDLING_SRC_PLATFORM_RECURSIVELOCK_H_

#include <cstdint>

namespace VkNPlatform {

using LockHandle = void*;

constexpr uint32_t kLockTimeoutMilliseconds = 5000;

// A new unlocked lock, or null when it cannot be created.
LockHandle createLock();
// 0 once the calling thread holds the lock; -1 after `timeoutMilliseconds`
// without it, or for a null handle.
int32_t acquireLock(LockHandle lock, uint32_t timeoutMilliseconds = kLockTimeoutMilliseconds);
// 0 on success; -1 for a null handle or a lock the caller does not hold.
int32_t releaseLock(LockHandle lock);
// Destroys the lock; 0 on success, -1 for a null handle.
int32_t closeLock(LockHandle lock);

}  // namespace VkNPlatform

#endif  // VKERRORHANDLING_SRC_PLATFORM_RECURSIVELOCK_H_

// The calling thread's id as the kernel knows it (gettid()).
//
// The manager keys each thread's master error list slot by this id, so a
// slot number n always means the thread whose id is n, and the number stays
// the same for the thread's whole life, its thread-local destructors
// included. Ids run up to the kernel's pid_max (at most 4,194,304).
#ifndef VKERRORHANDLING_SRC_PLATFORM_THREADID_H_
#define VKERRORHANDLING_SRC_PLATFORM_THREADID_H_

#include <cstdint>

namespace VkNPlatform {

// The calling thread's id (>= 1). Thread-safe; cached per thread after the
// first call, and taken afresh in a forked child.
uint32_t currentThreadId();

}  // namespace VkNPlatform

#endif  // VKERRORHANDLING_SRC_PLATFORM_THREADID_H_

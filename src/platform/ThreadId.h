// A small, dense 32-bit id for the calling thread.
//
// The manager's master error list table is a plain array indexed by thread
// id, and its length follows the largest id that ever registered. Linux
// kernel thread ids run into the millions, which would make that table
// megabytes long, so instead the threads of the process are numbered from 1
// in order of first use, and the number of a thread that has exited is
// handed to the next new thread. Ids therefore stay below the peak number of
// threads alive at once.
#ifndef VKERRORHANDLING_SRC_PLATFORM_THREADID_H_
#define VKERRORHANDLING_SRC_PLATFORM_THREADID_H_

#include <cstdint>

namespace VkNPlatform {

// The calling thread's id (>= 1); stable for the thread's life.
uint32_t currentThreadId();

}  // namespace VkNPlatform

#endif  // VKERRORHANDLING_SRC_PLATFORM_THREADID_H_

#include "platform/ThreadId.h"

#include <pthread.h>
#include <unistd.h>

namespace VkNPlatform {
namespace {

// Trivially destructible, so that it still holds the id in thread-local
// destructors that run after other thread-locals are gone. 0: not asked yet.
thread_local uint32_t t_threadId = 0;

// A forked child runs on a new thread whose id differs from the one the
// forking thread cached; the child's only thread then asks the kernel again.
void forgetIdInChild() { t_threadId = 0; }

bool registerForkHandler() { return pthread_atfork(nullptr, nullptr, forgetIdInChild) == 0; }

}  // namespace

uint32_t currentThreadId() {
    if (t_threadId != 0) return t_threadId;
    // Registered on first use rather than at load, so that loading the
    // library runs no code of ours beyond its text sets.
    static const bool forkHandlerRegistered = registerForkHandler();
    const auto id = static_cast<uint32_t>(::gettid());
    // Without the handler a cached id could outlive a fork: ask every time.
    if (forkHandlerRegistered) t_threadId = id;
    return id;
}

}  // namespace VkNPlatform

#include "platform/ThreadId.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace VkNPlatform {
namespace {

// The id is the kernel's thread id, and a forked child, a new thread, must
// not keep the one its parent had cached.
TEST(ThreadIdTest, AForkedChildHasItsOwnId) {
    EXPECT_EQ(currentThreadId(), static_cast<uint32_t>(::gettid()));
    const pid_t child = ::fork();
    if (child == 0) ::_exit(currentThreadId() == static_cast<uint32_t>(::getpid()) ? 0 : 1);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace VkNPlatform

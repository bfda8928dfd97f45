// Allocation failures of the manager, provoked by replacing the non-throwing
// forms of the global operator new for this test binary. They behave as
// usual unless a test on the same thread asks for failures.
#include <new>
#include <string>

#include "ManagerTestSupport.h"
#include "StdoutCapture.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"

namespace {

// How many of this thread's next non-throwing allocations fail.
thread_local int t_failingAllocations = 0;

void* allocateOrFail(std::size_t size) noexcept {
    if (t_failingAllocations > 0) {
        --t_failingAllocations;
        return nullptr;
    }
    try {
        return ::operator new(size);  // keeps allocation and release paired
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrFail(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateOrFail(size); }

namespace {

using AllocationFailureTest = ManagerTest;

TEST_F(AllocationFailureTest, FailedCreationGivesTheDetachedListAndAWarning) {
    StdoutCapture capture;
    t_failingAllocations = 1;  // the list; the warning's own list succeeds
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    const std::string printed = capture.finish();

    EXPECT_EQ(list.getNumberOfEntries(), 0u);
    EXPECT_EQ(printed.rfind("WARNING , 0x00100401, ", 0), 0u) << printed;
    EXPECT_NE(printed.find(", in VkCErrorManager::createErrorList():"), std::string::npos) << printed;

    // The detached list ignores everything and cannot be deleted or stored.
    list.setError(0x10, 1, "x", "%d", 1);
    EXPECT_EQ(list.getNumberOfUsedEntries(), 0u);
    manager.setMasterErrorList(list, 9, false);
    EXPECT_EQ(VkErrorListAccess::masterSlotCount(list).load(), 0u);
    manager.deleteErrorList(list);
}

TEST_F(AllocationFailureTest, FailureWhileReportingAFailureEnds) {
    StdoutCapture capture;
    t_failingAllocations = 1000;
    manager.sendError(0x10, 1, "x");  // its list fails, then the warning's list fails
    VkCMessageListPool& list = manager.createMessageList(0, 0, 2, 2, 0);
    const int left = t_failingAllocations;
    t_failingAllocations = 0;
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(list.getNumberOfEntries(), 0u);
    EXPECT_EQ(left, 1000 - 4);  // two per attempt: the failing one and its report's
    manager.deleteMessageList(list);
}

TEST_F(AllocationFailureTest, TableThatCannotGrowStaysAsItWas) {
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    const uint32_t capacity = VkErrorManagerAccess::masterTableCapacity(manager);
    StdoutCapture capture;
    t_failingAllocations = 1;
    manager.setMasterErrorList(list, static_cast<int32_t>(capacity), false);
    manager.setMasterErrorList(list, -2, false);  // 2^31 and above: refused
    t_failingAllocations = 0;
    const std::string printed = capture.finish();

    EXPECT_EQ(VkErrorManagerAccess::masterTableCapacity(manager), capacity);
    EXPECT_EQ(VkErrorListAccess::masterSlotCount(list).load(), 0u);
    size_t warnings = 0;
    for (size_t at = 0;
         (at = printed.find("in VkCErrorManager::setMasterErrorList():", at)) != std::string::npos; ++at) {
        ++warnings;
    }
    EXPECT_EQ(warnings, 2u) << printed;
    manager.deleteErrorList(list);
}

}  // namespace

// Allocation failures, provoked by replacing the non-throwing global
// operator new of this test binary: it fails only on request of a test.
#include <new>
#include <string>

#include "ManagerTestSupport.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"

namespace {

thread_local int t_failingAllocations = 0;  // how many of this thread's next ones fail

// The throwing forms allocate, so that releases stay paired for sanitizers.
template <void* (*allocate)(std::size_t)>
void* allocateOrFail(std::size_t size) noexcept {
    if (t_failingAllocations > 0) {
        --t_failingAllocations;
        return nullptr;
    }
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* allocateObject(std::size_t size) { return ::operator new(size); }
void* allocateArray(std::size_t size) { return ::operator new[](size); }

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrFail<allocateObject>(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrFail<allocateArray>(size);
}

namespace {

using AllocationFailureTest = ManagerTest;

TEST_F(AllocationFailureTest, FailedCreationWarnsOnceAndGivesTheInertDetachedList) {
    testing::internal::CaptureStdout();
    t_failingAllocations = 1;  // the list only; the warning's own list succeeds
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    list.setError(0x10, 1, "x", "%d", 1);
    manager.setMasterErrorList(list, 9, false);
    manager.deleteErrorList(list);  // static storage: deleting it would be caught
    t_failingAllocations = 1000;    // now the warning's list fails too: the report is dropped
    manager.sendError(0x10, 1, "x");
    t_failingAllocations = 0;
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(list.getNumberOfEntries() + list.getNumberOfUsedEntries() +
                  VkErrorListAccess::masterSlotCount(list).load(),
              0u);
    EXPECT_EQ(printed.rfind("WARNING , 0x00100401, ", 0), 0u) << printed;
    EXPECT_EQ(printed.find("\n", printed.find("\n") + 1) + 1, printed.size()) << "one two-line warning";
    EXPECT_NE(printed.find(", in VkCErrorManager::createErrorList():"), std::string::npos) << printed;
}

TEST_F(AllocationFailureTest, TableThatCannotGrowOrDoubleStaysAsItWas) {
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    const uint32_t capacity = VkErrorManagerAccess::masterTableCapacity(manager);
    t_failingAllocations = 1;
    manager.setMasterErrorList(list, static_cast<int32_t>(capacity), false);
    manager.setMasterErrorList(list, -2, false);  // 2^31 and above
    EXPECT_EQ(VkErrorManagerAccess::masterTableCapacity(manager), capacity);
    EXPECT_EQ(VkErrorListAccess::masterSlotCount(list).load(), 0u);
    manager.deleteErrorList(list);
}

}  // namespace

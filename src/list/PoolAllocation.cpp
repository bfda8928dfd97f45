// Allocation operators that report into a pool list instead of throwing.
//
// The simulated and the real failure are reported from different source
// lines, so a reader of the pool list can tell which one happened.
#include <new>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/MessageCodes.h"

namespace {

// The time stamp of a report whose host clock threw.
constexpr uint64_t kDefaultTimeStamp = 0x1010;

// Records one error into `pool`. The operators are noexcept, so a host clock
// that throws while the report is stamped would end the process; the report
// is then recorded with the default stamp instead, which calls no host code.
void report(VkCErrorListPool& pool, uint32_t code, uint32_t lineNumber, const char* functionName) noexcept {
    try {
        pool.setError(code, lineNumber, functionName, nullptr);
    } catch (...) {
        pool.setMessage(VkNCatalogue::kTypeError, 0, 0, 0, "", code, lineNumber, pool.getNodeId(),
                        kDefaultTimeStamp, functionName, nullptr);
    }
}

}  // namespace

void* operator new(size_t size, VkCErrorListPool& pool) noexcept {
    if (VkNErrorManager::DebugSimulateMemoryOverflow != 0) {
        report(pool, VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new");
        return nullptr;
    }
    void* block = ::operator new(size, std::nothrow);
    if (block == nullptr) report(pool, VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new");
    return block;
}

void* operator new[](size_t size, VkCErrorListPool& pool) noexcept {
    if (VkNErrorManager::DebugSimulateMemoryOverflow != 0) {
        report(pool, VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new[]");
        return nullptr;
    }
    void* block = ::operator new[](size, std::nothrow);
    if (block == nullptr) report(pool, VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new[]");
    return block;
}

void operator delete(void* block, VkCErrorListPool& pool) noexcept {
    if (block == nullptr) report(pool, VkNCatalogue::kCodeNullPointer, __LINE__, "operator delete");
    ::operator delete(block);
}

void operator delete[](void* block, VkCErrorListPool& pool) noexcept {
    if (block == nullptr) report(pool, VkNCatalogue::kCodeNullPointer, __LINE__, "operator delete[]");
    ::operator delete[](block);
}

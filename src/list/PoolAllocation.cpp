// Allocation operators that report into a pool list instead of throwing.
//
// The simulated and the real failure are reported from different source
// lines, so a reader of the pool list can tell which one happened.
#include <new>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/MessageCodes.h"

void* operator new(size_t size, VkCErrorListPool& pool) noexcept {
    if (VkNErrorManager::DebugSimulateMemoryOverflow != 0) {
        pool.setError(VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new", nullptr);
        return nullptr;
    }
    void* block = ::operator new(size, std::nothrow);
    if (block == nullptr)
        pool.setError(VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new", nullptr);
    return block;
}

void* operator new[](size_t size, VkCErrorListPool& pool) noexcept {
    if (VkNErrorManager::DebugSimulateMemoryOverflow != 0) {
        pool.setError(VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new[]", nullptr);
        return nullptr;
    }
    void* block = ::operator new[](size, std::nothrow);
    if (block == nullptr) {
        pool.setError(VkNCatalogue::kCodeAllocationFailed, __LINE__, "operator new[]", nullptr);
    }
    return block;
}

void operator delete(void* block, VkCErrorListPool& pool) noexcept {
    if (block == nullptr) pool.setError(VkNCatalogue::kCodeNullPointer, __LINE__, "operator delete", nullptr);
    ::operator delete(block);
}

void operator delete[](void* block, VkCErrorListPool& pool) noexcept {
    if (block == nullptr)
        pool.setError(VkNCatalogue::kCodeNullPointer, __LINE__, "operator delete[]", nullptr);
    ::operator delete[](block);
}

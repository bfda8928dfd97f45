// The pool list classes and merging one list into another.
#include "catalogue/MessageCodes.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

VkCErrorList& VkCErrorList::operator+=(const VkCErrorList& other) {
    // The source count is read anew each time: merging a list into itself
    // sees its own copies and stops at the overflow below.
    for (uint32_t i = 0; i < other.numberOfUsedEntries; ++i) {
        if (numberOfUsedEntries >= numberOfEntries) {
            // Make room so the reader learns that messages were lost.
            pop();
            setMessage(VkNCatalogue::kTypeWarning, VkNCatalogue::kCodeListOverflow, __LINE__,
                       "VkCErrorList::operator +=", nullptr);
            return *this;
        }
        const Entry* source = VkErrorListAccess::entryAt(other, i);
        if (source == nullptr) break;
        VkErrorListAccess::recordCopy(*this, *source);
    }
    return *this;
}

VkCErrorListPool::VkCErrorListPool(uint32_t numberOfEntries, uint32_t maxAdditionalParameters,
                                   uint32_t reserved, uint32_t nodeId, uint32_t* reservedPointer)
    : VkCErrorList(numberOfEntries, maxAdditionalParameters, reserved, nodeId, reservedPointer) {}

VkCErrorListPool::~VkCErrorListPool() = default;

VkCErrorListPool& VkCErrorListPool::operator+=(VkCErrorListPool& other) {
    VkCErrorList::operator+=(other);
    return *this;
}

VkCMessageListPool::VkCMessageListPool(uint32_t numberOfEntries, uint32_t maxAdditionalParameters,
                                       uint32_t reserved, uint32_t nodeId, uint32_t* reservedPointer)
    : VkCErrorListPool(numberOfEntries, maxAdditionalParameters, reserved, nodeId, reservedPointer) {
    isMessageList = true;
}

VkCMessageListPool::~VkCMessageListPool() = default;

VkCMessageListPool& VkCMessageListPool::operator+=(VkCErrorList& other) {
    VkCErrorList::operator+=(other);
    return *this;
}

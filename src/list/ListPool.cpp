// The pool list classes and merging one list into another.
#include "catalogue/MessageCodes.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

namespace {

// Copies the used parameters of `source` to entry `index` of `target` with
// the typed appenders, so the target's own parameter bound applies.
void copyParameters(VkCErrorList& target, uint32_t index, const VkErrorListAccess::Entry& source) {
    uint32_t count = source.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t k = 0; k < count; ++k) {
        const VkSParameter& slot = source.additionalParameters[k];
        switch (slot.type) {
            case kParameterInt32:
                target.addAdditionalParameter(index, slot.value.int32Value);
                break;
            case kParameterString:
                // A string slot holding none reads as "", which stores none again.
                target.addAdditionalParameter(index, static_cast<const char*>(slot.value.stringValue));
                break;
            case kParameterDouble:
                target.addAdditionalParameter(index, slot.value.doubleValue);
                break;
            case kParameterInt64:
                target.addAdditionalParameter(index, static_cast<int64_t>(slot.value.int64Value));
                break;
            default:
                break;  // an empty slot has no value to copy
        }
    }
}

}  // namespace

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
        const uint32_t index = numberOfUsedEntries;
        // No format string here: the parameters are copied typed below rather
        // than walked again from a va_list.
        setMessage(source->messageType, source->displayMode, source->mainModuleNumber,
                   source->subModuleNumber, VkNList::stringOrEmpty(source->messageTemplate),
                   source->errorCode, source->lineNumber, source->originNode, source->timeStamp,
                   VkNList::stringOrEmpty(source->functionName), static_cast<const char*>(nullptr));
        if (numberOfUsedEntries != index + 1) continue;  // dropped as a repeat
        setFormatString(index, source->formatString);
        copyParameters(*this, index, *source);
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

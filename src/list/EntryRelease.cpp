#include "list/EntryRelease.h"

#include <cstdlib>

namespace VkNList {

namespace {

uint32_t usedSlots(const VkErrorListAccess::Entry& entry) {
    uint32_t count = entry.additionalParametersCount;
    return count > kMaxAdditionalParameters ? kMaxAdditionalParameters : count;
}

}  // namespace

void releaseParameters(VkErrorListAccess::Entry& entry) {
    VkCDetachedStrings released;
    released.takeParameters(entry);
}

void releaseEntry(VkErrorListAccess::Entry& entry) {
    std::free(entry.functionName);
    entry.functionName = nullptr;
    std::free(entry.formatString);
    entry.formatString = nullptr;
    std::free(entry.messageTemplate);
    entry.messageTemplate = nullptr;
    releaseParameters(entry);
}

VkCDetachedStrings::~VkCDetachedStrings() {
    for (uint32_t i = 0; i < count_; ++i) std::free(strings_[i]);
}

void VkCDetachedStrings::take(char*& field) {
    if (field == nullptr) return;
    if (count_ == sizeof(strings_) / sizeof(strings_[0])) {
        std::free(field);  // more than one entry's worth: nothing can alias it
    } else {
        strings_[count_++] = field;
    }
    field = nullptr;
}

void VkCDetachedStrings::takeParameters(VkErrorListAccess::Entry& entry) {
    const uint32_t count = usedSlots(entry);
    for (uint32_t k = 0; k < count; ++k) {
        VkSParameter& slot = entry.additionalParameters[k];
        if (slot.type == kParameterString) take(slot.value.stringValue);
        slot.type = kParameterEmpty;
    }
    entry.additionalParametersCount = 0;
}

}  // namespace VkNList

#include "list/EntryRelease.h"

#include <cstdlib>

namespace VkNList {

void releaseParameters(VkErrorListAccess::Entry& entry) {
    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t k = 0; k < count; ++k) {
        VkSParameter& slot = entry.additionalParameters[k];
        if (slot.type == kParameterString) {
            std::free(slot.value.stringValue);
            slot.value.stringValue = nullptr;
        }
        slot.type = kParameterEmpty;
    }
    entry.additionalParametersCount = 0;
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

}  // namespace VkNList

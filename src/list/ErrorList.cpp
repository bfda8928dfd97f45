// Construction, destruction and the list header of VkCErrorList, and the
// owned-string helpers every other part of the list builds on.
#include <cstdlib>

#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

VkCErrorList::VkCErrorList(uint32_t numberOfEntries, uint32_t maxAdditionalParameters, uint32_t /*reserved*/,
                           uint32_t nodeId, uint32_t* /*reservedPointer*/)
    : isMessageList(false),
      errorCount(0),
      numberOfEntries(numberOfEntries == 0 ? 1 : numberOfEntries),
      numberOfUsedEntries(0),
      maxAdditionalParameters(maxAdditionalParameters > kMaxAdditionalParameters ? kMaxAdditionalParameters
                                                                                 : maxAdditionalParameters),
      entries(nullptr),
      applicationId(0),
      nodeId(nodeId),
      freeEntriesWritten(0),
      masterSlotCount(0) {
    // A failed allocation leaves the list degenerate instead of throwing.
    entries = VkNList::allocateZeroedEntries(this->numberOfEntries);
}

VkCErrorList::~VkCErrorList() {
    VkErrorListAccess::reset(*this);
    errorCount = 0;
    numberOfEntries = 0;
    numberOfUsedEntries = 0;
    applicationId = 0;
    nodeId = 0;
    std::free(entries);
    entries = nullptr;
}

uint32_t VkCErrorList::getErrorCount() const { return errorCount; }
uint32_t VkCErrorList::getErrorCountLock() const { return errorCount; }
uint32_t VkCErrorList::getErrorCountUnlock() const { return errorCount; }
uint32_t VkCErrorList::getNumberOfEntries() const { return numberOfEntries; }
uint32_t VkCErrorList::getNumberOfUsedEntries() const { return numberOfUsedEntries; }
uint32_t VkCErrorList::getApplicationId() const { return applicationId; }
void VkCErrorList::setApplicationId(uint32_t applicationId) { this->applicationId = applicationId; }
uint32_t VkCErrorList::getNodeId() const { return nodeId; }
void VkCErrorList::setNodeId(uint32_t nodeId) { this->nodeId = nodeId; }
uint32_t VkCErrorList::getMaxAdditionalParameters(uint32_t /*index*/) const {
    return maxAdditionalParameters;
}

void VkCErrorList::reset() { VkErrorListAccess::reset(*this); }

void VkErrorListAccess::reset(VkCErrorList& list) {
    Entry* const entries = list.entries;
    if (entries == nullptr) return;
    list.errorCount = 0;
    const uint32_t used = list.numberOfUsedEntries;
    // Last first, as pop would; released inline since this runs per message.
    while (list.numberOfUsedEntries > 0) VkNList::releaseEntry(entries[--list.numberOfUsedEntries]);
    // Setters may write free entries, so strings can sit beyond the used
    // ones; release them too so that a list never leaks.
    for (uint32_t i = used; i < list.freeEntriesWritten; ++i) {
        if (VkNList::holdsResources(entries[i])) VkNList::releaseEntry(entries[i]);
    }
    list.freeEntriesWritten = 0;
}

void VkCErrorList::pop() {
    if (entries == nullptr || numberOfUsedEntries == 0) return;
    --numberOfUsedEntries;
    VkNList::releaseEntry(entries[numberOfUsedEntries]);
}

VkCErrorList::Entry* VkCErrorList::entryAt(uint32_t index) const {
    return VkErrorListAccess::entryAt(*this, index);
}

VkCErrorList::Entry* VkCErrorList::entryForWrite(uint32_t index) {
    return VkErrorListAccess::entryForWrite(*this, index);
}

void VkCErrorList::saveString(char*& field, const char* text) { VkNList::replaceString(field, text); }

const char* VkCErrorList::getString(const char* stored) { return VkNList::stringOrEmpty(stored); }

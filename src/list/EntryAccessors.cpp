// Per-entry getters and setters of VkCErrorList. Every one of them goes
// through entryAt, which applies the index rule: a bad index reads as 0 or
// null and writes nothing.
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

namespace {

// The slot of 1-based parameter `parameter` when it is in use and holds
// `type`, else null.
const VkSParameter* typedSlot(const VkErrorListAccess::Entry* entry, uint32_t parameter, uint32_t type) {
    if (entry == nullptr || parameter == 0 || parameter > entry->additionalParametersCount ||
        parameter > kMaxAdditionalParameters) {
        return nullptr;
    }
    const VkSParameter& slot = entry->additionalParameters[parameter - 1];
    return slot.type == type ? &slot : nullptr;
}

}  // namespace

uint32_t VkCErrorList::getMessageType(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->messageType : 0;
}

uint32_t VkCErrorList::getErrorCode(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->errorCode : 0;
}

uint32_t VkCErrorList::getLineNumber(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->lineNumber : 0;
}

uint64_t VkCErrorList::getTimeStamp(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->timeStamp : 0;
}

double VkCErrorList::getTimeStampSeconds(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    if (entry == nullptr) return 0.0;
    return static_cast<double>(entry->timeStamp) * VkCErrorManager::getInstance().getTimeStampTickDuration();
}

uint32_t VkCErrorList::getAdditionalParametersCount(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->additionalParametersCount : 0;
}

uint32_t VkCErrorList::getDisplayMode(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->displayMode : 0;
}

uint32_t VkCErrorList::getMainModuleNumber(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->mainModuleNumber : 0;
}

uint32_t VkCErrorList::getSubModuleNumber(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->subModuleNumber : 0;
}

uint32_t VkCErrorList::getOriginNode(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? entry->originNode : 0;
}

const char* VkCErrorList::getFunctionName(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? VkNList::stringOrEmpty(entry->functionName) : nullptr;
}

const char* VkCErrorList::getFormatString(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? VkNList::stringOrEmpty(entry->formatString) : nullptr;
}

int32_t VkCErrorList::getAdditionalParameter(uint32_t index, uint32_t parameter, int32_t& value) const {
    const VkSParameter* slot =
        typedSlot(VkErrorListAccess::entryAt(*this, index), parameter, kParameterInt32);
    value = slot != nullptr ? slot->value.int32Value : 0;
    return slot != nullptr ? 0 : -1;
}

int32_t VkCErrorList::getAdditionalParameter(uint32_t index, uint32_t parameter, int64_t& value) const {
    const VkSParameter* slot =
        typedSlot(VkErrorListAccess::entryAt(*this, index), parameter, kParameterInt64);
    value = slot != nullptr ? slot->value.int64Value : 0;
    return slot != nullptr ? 0 : -1;
}

int32_t VkCErrorList::getAdditionalParameter(uint32_t index, uint32_t parameter, double& value) const {
    const VkSParameter* slot =
        typedSlot(VkErrorListAccess::entryAt(*this, index), parameter, kParameterDouble);
    value = slot != nullptr ? slot->value.doubleValue : 0.0;
    return slot != nullptr ? 0 : -1;
}

int32_t VkCErrorList::getAdditionalParameter(uint32_t index, uint32_t parameter, const char*& value) const {
    const VkSParameter* slot =
        typedSlot(VkErrorListAccess::entryAt(*this, index), parameter, kParameterString);
    value = slot != nullptr ? VkNList::stringOrEmpty(slot->value.stringValue) : nullptr;
    return slot != nullptr ? 0 : -1;
}

void VkCErrorList::setMessageType(uint32_t index, uint32_t messageType) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->messageType = messageType;
}

void VkCErrorList::setErrorCode(uint32_t index, uint32_t errorCode) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->errorCode = errorCode;
}

void VkCErrorList::setLineNumber(uint32_t index, uint32_t lineNumber) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->lineNumber = lineNumber;
}

void VkCErrorList::setTimeStamp(uint32_t index, const uint64_t& timeStamp) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->timeStamp = timeStamp;
}

void VkCErrorList::setDisplayMode(uint32_t index, uint32_t displayMode) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->displayMode = displayMode;
}

void VkCErrorList::setMainModuleNumber(uint32_t index, uint32_t mainModuleNumber) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->mainModuleNumber = mainModuleNumber;
}

void VkCErrorList::setSubModuleNumber(uint32_t index, uint32_t subModuleNumber) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->subModuleNumber = subModuleNumber;
}

void VkCErrorList::setOriginNode(uint32_t index, uint32_t originNode) {
    if (Entry* entry = VkErrorListAccess::entryAt(*this, index)) entry->originNode = originNode;
}

void VkCErrorList::setFunctionName(uint32_t index, const char* functionName) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        saveString(entry->functionName, functionName);
}

void VkCErrorList::setFormatString(uint32_t index, const char* formatString) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        saveString(entry->formatString, formatString);
}

void VkCErrorList::setMessageTemplate(uint32_t index, const char* messageTemplate) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        saveString(entry->messageTemplate, messageTemplate);
}

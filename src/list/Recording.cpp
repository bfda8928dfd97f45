// Recording whole messages into a VkCErrorList: the public setMessage and
// setError forms, their cores, and the typed parameter appenders.
#include <cstdarg>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/ModuleTable.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "list/ParameterSlots.h"

void VkCErrorList::setMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                              const char* functionName, const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessageInt(messageType, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorList::setError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                            const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessageInt(VkNCatalogue::kTypeError, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorList::setError(uint32_t mainModuleNumber, uint32_t subModuleNumber, const char* messageTemplate,
                            uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                            const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessageInt(VkNCatalogue::kTypeError, 0, mainModuleNumber, subModuleNumber, messageTemplate, errorCode,
                  lineNumber, nodeId, VkCErrorManager::getInstance().getTimeStamp(), functionName,
                  formatString, args);
    va_end(args);
}

void VkCErrorList::setMessage(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                              uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                              uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp,
                              const char* functionName, const char* formatString, va_list args) {
    setMessageInt(messageType, displayMode, mainModuleNumber, subModuleNumber, messageTemplate, errorCode,
                  lineNumber, originNode, timeStamp, functionName, formatString, args);
}

void VkCErrorList::setMessage(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                              uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                              uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp,
                              const char* functionName, const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessageInt(messageType, displayMode, mainModuleNumber, subModuleNumber, messageTemplate, errorCode,
                  lineNumber, originNode, timeStamp, functionName, formatString, args);
    va_end(args);
}

void VkCErrorList::setMessageInt(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                 const char* functionName, const char* formatString, va_list args) {
    setMessageInt(messageType, 0, 0, 0, nullptr, errorCode, lineNumber, nodeId,
                  VkCErrorManager::getInstance().getTimeStamp(), functionName, formatString, args);
}

void VkCErrorList::setMessageInt(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                                 uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                                 uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp,
                                 const char* functionName, const char* formatString, va_list args) {
    if (entries == nullptr) return;
    if (numberOfUsedEntries >= numberOfEntries) {
        ++errorCount;  // full: counted, dropped
        return;
    }
    // An error list keeps one entry for a burst of the same code. Code 0 (user
    // messages, whose text is their parameter) and 0x100800 (whose text is
    // all parameters) differ by their parameters, so they never collapse.
    const bool repeatable = errorCode != 0 && errorCode != VkNCatalogue::kCodeNeverCollapsed;
    if (!isMessageList && repeatable && numberOfUsedEntries > 0 &&
        entries[numberOfUsedEntries - 1].errorCode == errorCode) {
        ++errorCount;
        return;
    }

    const uint32_t index = numberOfUsedEntries;
    Entry& entry = entries[index];
    // A free entry may still hold strings written through the setters, and a
    // caller may be passing those very strings in: take them out now and free
    // them once everything is copied.
    VkNList::VkCDetachedStrings previous;
    previous.take(entry.functionName);
    previous.take(entry.formatString);
    previous.take(entry.messageTemplate);
    previous.takeParameters(entry);

    entry.timeStamp = timeStamp;
    entry.messageType = messageType;
    entry.displayMode = displayMode;
    entry.errorCode = errorCode;
    entry.lineNumber = lineNumber;
    entry.originNode = originNode;
    entry.mainModuleNumber = mainModuleNumber;
    entry.subModuleNumber = subModuleNumber;
    ++numberOfUsedEntries;
    ++errorCount;

    saveString(entry.functionName, functionName);
    saveString(entry.formatString, formatString);
    if (formatString != nullptr && formatString[0] != '\0') addAdditionalParameter(index, args);
    saveString(entry.messageTemplate, messageTemplate);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, int32_t value) {
    if (Entry* entry = entryAt(index)) VkNList::appendInt32(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, int64_t value) {
    if (Entry* entry = entryAt(index)) VkNList::appendInt64(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, double value) {
    if (Entry* entry = entryAt(index)) VkNList::appendDouble(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, const char* text) {
    if (Entry* entry = entryAt(index)) VkNList::appendString(*entry, maxAdditionalParameters, text);
}

void VkCErrorList::setMainSubModule(uint32_t index) {
    Entry* entry = entryAt(index);
    if (entry == nullptr || entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) return;
    VkNCatalogue::getModuleNumbers(entry->errorCode, entry->mainModuleNumber, entry->subModuleNumber);
}

// Recording whole messages into a VkCErrorList: the public setMessage and
// setError forms, the recording core they share, and the typed parameter
// appenders.
#include <cstdarg>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/ModuleTable.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "list/FormatWalk.h"
#include "list/ParameterSlots.h"
#include "manager/ManagerAccess.h"

namespace {

// Fields of a short-form message: no display mode, module numbers or
// template; the list's node and the manager's current time.
VkSMessageFields shortFormFields(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                 const char* functionName, const char* formatString, uint32_t nodeId) {
    return VkSMessageFields{messageType,
                            0,
                            0,
                            0,
                            nullptr,
                            errorCode,
                            lineNumber,
                            nodeId,
                            VkErrorManagerAccess::timeStamp(),
                            functionName,
                            formatString};
}

}  // namespace

__attribute__((always_inline)) inline VkErrorListAccess::Entry* VkErrorListAccess::claimNextEntry(
    VkCErrorList& list, uint32_t errorCode) {
    if (list.entries == nullptr) return nullptr;
    if (list.numberOfUsedEntries >= list.numberOfEntries) {
        ++list.errorCount;  // full: counted, dropped
        return nullptr;
    }
    // An error list keeps one entry for a burst of the same code. Code 0 (user
    // messages, whose text is their parameter) and 0x100800 (whose text is
    // all parameters) differ by their parameters, so they never collapse.
    // The previous entry's code is tested first: it is the test that fails
    // most often, right away when the list is empty.
    if (list.numberOfUsedEntries > 0 && list.entries[list.numberOfUsedEntries - 1].errorCode == errorCode &&
        !list.isMessageList && errorCode != 0 && errorCode != VkNCatalogue::kCodeNeverCollapsed) {
        ++list.errorCount;
        return nullptr;
    }
    return &list.entries[list.numberOfUsedEntries];
}

// Forced inline: the compilers otherwise keep one out-of-line copy for
// all callers and the short forms pay for a call and a field copy.
__attribute__((always_inline)) inline void VkErrorListAccess::recordInPlace(VkCErrorList& list,
                                                                            const VkSMessageFields& fields,
                                                                            va_list args) {
    const uint32_t code = fields.errorCode;
    Entry* const claimed = claimNextEntry(list, code);
    if (claimed == nullptr) return;
    Entry& entry = *claimed;
    // A free entry may still hold strings written through the setters, and a
    // caller may be passing those very strings in: take them out now and free
    // them once everything is copied.
    VkNList::VkCDetachedStrings previous;
    if (VkNList::holdsResources(entry)) previous.takeAll(entry);

    entry.timeStamp = fields.timeStamp;
    entry.messageType = fields.messageType;
    entry.displayMode = fields.displayMode;
    entry.errorCode = code;
    entry.lineNumber = fields.lineNumber;
    entry.originNode = fields.originNode;
    entry.mainModuleNumber = fields.mainModuleNumber;
    entry.subModuleNumber = fields.subModuleNumber;
    ++list.numberOfUsedEntries;
    ++list.errorCount;

    entry.functionName = VkNList::copyString(fields.functionName);
    entry.formatString = VkNList::copyString(fields.formatString);
    if (entry.formatString != nullptr && !VkNList::isNullArgumentList(args)) {
        VkNList::recordParameters(entry, list.maxAdditionalParameters, args);
    }
    entry.messageTemplate = VkNList::copyString(fields.messageTemplate);
}

void VkErrorListAccess::record(VkCErrorList& list, const VkSMessageFields& fields, va_list args) {
    recordInPlace(list, fields, args);
}

void VkErrorListAccess::recordCopy(VkCErrorList& list, const Entry& source) {
    Entry* const claimed = claimNextEntry(list, source.errorCode);
    if (claimed == nullptr) return;
    Entry& entry = *claimed;
    // Strings the setters left in this free entry go first: the source is a
    // used entry, so none of them can be a text being copied.
    if (VkNList::holdsResources(entry)) VkNList::releaseEntry(entry);

    entry.timeStamp = source.timeStamp;
    entry.messageType = source.messageType;
    entry.displayMode = source.displayMode;
    entry.errorCode = source.errorCode;
    entry.lineNumber = source.lineNumber;
    entry.originNode = source.originNode;
    entry.mainModuleNumber = source.mainModuleNumber;
    entry.subModuleNumber = source.subModuleNumber;
    ++list.numberOfUsedEntries;
    ++list.errorCount;

    entry.functionName = VkNList::copyString(source.functionName);
    entry.messageTemplate = VkNList::copyString(source.messageTemplate);
    entry.formatString = VkNList::copyString(source.formatString);
    const uint32_t limit = list.maxAdditionalParameters;
    uint32_t count = source.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t k = 0; k < count; ++k) {
        const VkSParameter& slot = source.additionalParameters[k];
        switch (slot.type) {
            case kParameterInt32:
                VkNList::appendInt32(entry, limit, slot.value.int32Value);
                break;
            case kParameterString:
                // A string slot holding none stores none again, and counts.
                VkNList::appendString(entry, limit, slot.value.stringValue);
                break;
            case kParameterDouble:
                VkNList::appendDouble(entry, limit, slot.value.doubleValue);
                break;
            case kParameterInt64:
                VkNList::appendInt64(entry, limit, slot.value.int64Value);
                break;
            default:
                break;  // an empty slot has no value to copy
        }
    }
}

void VkCErrorList::setMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                              const char* functionName, const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorListAccess::recordInPlace(
        *this, shortFormFields(messageType, errorCode, lineNumber, functionName, formatString, nodeId), args);
    va_end(args);
}

void VkCErrorList::setError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                            const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorListAccess::recordInPlace(
        *this,
        shortFormFields(VkNCatalogue::kTypeError, errorCode, lineNumber, functionName, formatString, nodeId),
        args);
    va_end(args);
}

void VkCErrorList::setError(uint32_t mainModuleNumber, uint32_t subModuleNumber, const char* messageTemplate,
                            uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                            const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    const VkSMessageFields fields{VkNCatalogue::kTypeError,
                                  0,
                                  mainModuleNumber,
                                  subModuleNumber,
                                  messageTemplate,
                                  errorCode,
                                  lineNumber,
                                  nodeId,
                                  VkErrorManagerAccess::timeStamp(),
                                  functionName,
                                  formatString};
    VkErrorListAccess::record(*this, fields, args);
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
    VkErrorListAccess::record(
        *this, shortFormFields(messageType, errorCode, lineNumber, functionName, formatString, nodeId), args);
}

void VkCErrorList::setMessageInt(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                                 uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                                 uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp,
                                 const char* functionName, const char* formatString, va_list args) {
    const VkSMessageFields fields{messageType,     displayMode,  mainModuleNumber, subModuleNumber,
                                  messageTemplate, errorCode,    lineNumber,       originNode,
                                  timeStamp,       functionName, formatString};
    VkErrorListAccess::record(*this, fields, args);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, int32_t value) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        VkNList::appendInt32(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, int64_t value) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        VkNList::appendInt64(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, double value) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        VkNList::appendDouble(*entry, maxAdditionalParameters, value);
}

void VkCErrorList::addAdditionalParameter(uint32_t index, const char* text) {
    if (Entry* entry = VkErrorListAccess::entryForWrite(*this, index))
        VkNList::appendString(*entry, maxAdditionalParameters, text);
}

void VkCErrorList::setMainSubModule(uint32_t index) { VkErrorListAccess::setMainSubModule(*this, index); }

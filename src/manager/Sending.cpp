// The send operations: record one message into a temporary list, or take a
// host's list, and print and/or deliver it by send mode.
#include <cstdio>
#include <string>

#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "platform/RecursiveLock.h"
#include "text/ListText.h"

namespace {

constexpr uint32_t kSendToCallback = 1;
constexpr uint32_t kSendToStdout = 2;

// The temporary list of a single-message send.
constexpr uint32_t kSentListEntries = 2;
constexpr uint32_t kSentListParameters = 5;
constexpr uint32_t kSentListReserved = 300;

// The fields of a message without module numbers or template.
VkSMessageFields shortFields(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                             const char* functionName, const char* formatString) {
    VkSMessageFields fields{};
    fields.messageType = messageType;
    fields.messageTemplate = "";
    fields.errorCode = errorCode;
    fields.lineNumber = lineNumber;
    fields.functionName = functionName;
    fields.formatString = formatString;
    return fields;
}

}  // namespace

void VkCErrorManager::sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName) {
    sendSimpleMessage(VkNCatalogue::kTypeLog, errorCode, lineNumber, functionName);
}
void VkCErrorManager::sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName) {
    sendSimpleMessage(VkNCatalogue::kTypeInfo, errorCode, lineNumber, functionName);
}
void VkCErrorManager::sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName) {
    sendSimpleMessage(VkNCatalogue::kTypeWarning, errorCode, lineNumber, functionName);
}
void VkCErrorManager::sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName) {
    sendSimpleMessage(VkNCatalogue::kTypeError, errorCode, lineNumber, functionName);
}

// The variadic forms go straight to the shared send step; see
// VkErrorManagerAccess for why they don't pass through sendSimpleMessage.
void VkCErrorManager::sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                              const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorManagerAccess::sendNewMessage(
        *this, 0, shortFields(VkNCatalogue::kTypeLog, errorCode, lineNumber, functionName, formatString),
        args);
    va_end(args);
}

void VkCErrorManager::sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                               const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorManagerAccess::sendNewMessage(
        *this, 0, shortFields(VkNCatalogue::kTypeInfo, errorCode, lineNumber, functionName, formatString),
        args);
    va_end(args);
}

void VkCErrorManager::sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                  const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorManagerAccess::sendNewMessage(
        *this, 0, shortFields(VkNCatalogue::kTypeWarning, errorCode, lineNumber, functionName, formatString),
        args);
    va_end(args);
}

void VkCErrorManager::sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    VkErrorManagerAccess::sendNewMessage(
        *this, 0, shortFields(VkNCatalogue::kTypeError, errorCode, lineNumber, functionName, formatString),
        args);
    va_end(args);
}

void VkCErrorManager::sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                        const char* functionName) {
    // No format string: no variable argument is ever read.
    sendMessage(0, 0, messageType, errorCode, lineNumber, functionName, nullptr);
}

void VkCErrorManager::sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                        const char* functionName, const char* formatString, va_list args) {
    VkErrorManagerAccess::sendNewMessage(
        *this, 0, shortFields(messageType, errorCode, lineNumber, functionName, formatString), args);
}

void VkCErrorManager::sendMessage(uint32_t sendMode, uint32_t displayMode, uint32_t messageType,
                                  uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                  const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessage(sendMode, displayMode, messageType, errorCode, lineNumber, functionName, formatString, args, 0,
               0, "");
    va_end(args);
}

void VkCErrorManager::sendMessage(uint32_t sendMode, uint32_t mainModuleNumber, uint32_t subModuleNumber,
                                  const char* messageTemplate, uint32_t displayMode, uint32_t messageType,
                                  uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                  const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    setMessage(sendMode, displayMode, messageType, errorCode, lineNumber, functionName, formatString, args,
               mainModuleNumber, subModuleNumber, messageTemplate);
    va_end(args);
}

void VkCErrorManager::setMessage(uint32_t sendMode, uint32_t displayMode, uint32_t messageType,
                                 uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                 const char* formatString, va_list args, uint32_t mainModuleNumber,
                                 uint32_t subModuleNumber, const char* messageTemplate) {
    const VkSMessageFields fields{
        messageType, displayMode, mainModuleNumber, subModuleNumber, messageTemplate, errorCode, lineNumber,
        0,           0,           functionName,     formatString};
    VkErrorManagerAccess::sendNewMessage(*this, sendMode, fields, args);
}

void VkErrorManagerAccess::sendNewMessage(VkCErrorManager& manager, uint32_t sendMode,
                                          VkSMessageFields fields, va_list args) {
    // A fresh list per message, so that concurrent sends share nothing.
    VkCMessageListPool* list =
        newMessageList(manager, 0, kSentListEntries, kSentListParameters, kSentListReserved);
    if (list == nullptr) return;  // the failure was already reported
    fields.originNode = manager.myNodeId.load(std::memory_order_relaxed);
    auto* timeStampCallback = manager.timeStampCallback.load(std::memory_order_acquire);
    fields.timeStamp =
        timeStampCallback != nullptr ? timeStampCallback() : VkCErrorManager::getDefaultTimestamp();
    VkErrorListAccess::record(*list, fields, args);
    deliver(manager, *list, sendMode);
    removeList(manager, *list);
    delete list;
}

void VkCErrorManager::sendErrorList(VkCErrorListPool& list, uint32_t sendMode) {
    if (list.getNumberOfUsedEntries() != 0) VkErrorManagerAccess::deliver(*this, list, sendMode);
}

void VkCErrorManager::sendMessageList(VkCMessageListPool& list, uint32_t sendMode) {
    sendErrorList(list, sendMode);
}

void VkCErrorManager::send(VkCErrorList& list, uint32_t sendMode) {
    VkErrorManagerAccess::deliver(*this, list, sendMode);
}

void VkErrorManagerAccess::deliver(VkCErrorManager& manager, VkCErrorList& list, uint32_t sendMode) {
    const uint32_t mode = sendMode != 0 ? sendMode : manager.sendMode.load(std::memory_order_relaxed);
    // The lock keeps the lines of messages printed at the same time apart.
    // Only the write needs it: the text is composed first, on this thread
    // alone, so concurrent senders wait for one block write at most.
    if ((mode & kSendToStdout) != 0) {
        const std::string text = VkNText::composeListText(list, false);
        if (!text.empty() && VkNPlatform::acquireLock(manager.mutexHandle) == 0) {
            VkNText::writeListText(stdout, text);
            VkNPlatform::releaseLock(manager.mutexHandle);
        }
    }
    auto* callback = manager.messageManagerCallback.load(std::memory_order_acquire);
    if ((mode & kSendToCallback) != 0 && callback != nullptr) {
        const uint32_t managerApplicationId = manager.applicationId.load(std::memory_order_relaxed);
        if (managerApplicationId != 0 && list.getApplicationId() == 0)
            list.setApplicationId(managerApplicationId);
        callback(VkNErrorManager::MsgManSendList, &list);  // without the lock: the host may send from here
    }
    list.reset();
}

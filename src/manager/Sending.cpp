// The send operations: record one message into a temporary list, or take a
// host's list, and print and/or deliver it by send mode.
#include <cstdio>
#include <string>

#include "catalogue/MessageCodes.h"
#include "manager/ManagerAccess.h"
#include "text/ListText.h"

namespace {

constexpr uint32_t kSendToCallback = 1;
constexpr uint32_t kSendToStdout = 2;

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

void VkCErrorManager::sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                              const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendSimpleMessage(VkNCatalogue::kTypeLog, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                               const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendSimpleMessage(VkNCatalogue::kTypeInfo, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                  const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendSimpleMessage(VkNCatalogue::kTypeWarning, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendSimpleMessage(VkNCatalogue::kTypeError, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                        const char* functionName) {
    // No format string: no variable argument is ever read.
    sendMessage(0, 0, messageType, errorCode, lineNumber, functionName, nullptr);
}

void VkCErrorManager::sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                                        const char* functionName, const char* formatString, va_list args) {
    setMessage(0, 0, messageType, errorCode, lineNumber, functionName, formatString, args, 0, 0, "");
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
    // A fresh list per message, so that concurrent sends share nothing.
    VkCMessageListPool& list = createMessageList(0, 1, 2, 5, 300);
    if (VkNManager::isDetachedList(list)) return;  // the failure was already reported
    list.setMessage(messageType, displayMode, mainModuleNumber, subModuleNumber, messageTemplate, errorCode,
                    lineNumber, getMyNodeId(), getTimeStamp(), functionName, formatString, args);
    send(list, sendMode);
    deleteErrorList(list);
}

void VkCErrorManager::sendErrorList(VkCErrorListPool& list, uint32_t sendMode) {
    if (list.getNumberOfUsedEntries() != 0) send(list, sendMode);
}

void VkCErrorManager::sendMessageList(VkCMessageListPool& list, uint32_t sendMode) {
    sendErrorList(list, sendMode);
}

void VkCErrorManager::send(VkCErrorList& list, uint32_t sendMode) {
    const uint32_t mode = sendMode != 0 ? sendMode : getSendMode();
    // The lock keeps the lines of messages printed at the same time apart.
    // Only the write needs it: the text is composed first, on this thread
    // alone, so concurrent senders wait for one block write at most.
    if ((mode & kSendToStdout) != 0) {
        const std::string text = VkNText::composeListText(list, false);
        if (!text.empty() && lock() == 0) {
            VkNText::writeListText(stdout, text);
            unlock();
        }
    }
    auto* callback = messageManagerCallback.load(std::memory_order_acquire);
    if ((mode & kSendToCallback) != 0 && callback != nullptr) {
        const uint32_t managerApplicationId = getApplicationId();
        if (managerApplicationId != 0 && list.getApplicationId() == 0)
            list.setApplicationId(managerApplicationId);
        callback(VkNErrorManager::MsgManSendList, &list);  // without the lock: the host may send from here
    }
    list.reset();
}

// The send operations: record one message into a temporary list, or take a
// host's list, and print and/or deliver it by send mode.
#include <cstdio>

#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "manager/UnfilledModuleNumbers.h"
#include "platform/RecursiveLock.h"
#include "text/BlockWrite.h"
#include "text/ListText.h"
#include "text/TextBuilder.h"

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

// Prints every used entry of `list` to standard output. The lock keeps the
// lines of messages printed at the same time apart. Only the write needs
// it: the text is composed first, on this thread alone, so concurrent
// senders wait for one block write at most.
//
// Each frame still open across the write system call costs a mispredicted
// return afterwards (the kernel refills the return predictor), several
// nanoseconds apiece. So printing is inlined all the way into the public
// send members, leaving only their own frame around the write; what runs
// after the write may be ordinary calls.
//
// A list that the lock keeps from being printed is left unrendered: the
// module numbers that composing filled in are emptied again. Nothing
// between acquire and release can throw, so the lock needs no guard.
[[gnu::always_inline]] inline void printList(VkCErrorManager& manager, VkCErrorList& list) {
    const VkNManager::UnfilledModuleNumbers unfilled(list);
    // Composed on the stack: a message's text fits, so a send allocates
    // nothing for it.
    VkNText::VkCTextBuilder text;
    const double tickDuration = VkErrorManagerAccess::tickDuration(manager);
    VkNText::composeListText(text, list, false, &tickDuration);
    if (text.empty()) return;
    void* lock = VkErrorManagerAccess::lockHandle(manager);
    if (VkNPlatform::acquireLock(lock) != 0) {
        unfilled.restore(list);
        return;
    }
    VkNText::writeBlockAndFlush(stdout, text.data(), text.size());
    VkNPlatform::releaseLock(lock);
}

// Hands `list` to the host's callback when `mode` asks for it.
void deliverToCallback(VkCErrorManager& manager, VkCErrorList& list, uint32_t mode) {
    auto* callback = VkErrorManagerAccess::sendCallback(manager);
    if ((mode & kSendToCallback) != 0 && callback != nullptr) {
        const uint32_t managerApplicationId = VkErrorManagerAccess::applicationId(manager);
        if (managerApplicationId != 0 && list.getApplicationId() == 0)
            list.setApplicationId(managerApplicationId);
        callback(VkNErrorManager::MsgManSendList, &list);  // without the lock: the host may send from here
    }
}

// Resets a host's list when its send ends, also when the host's callback
// or the composition of its text throws.
class ResetWhenSent {
  public:
    explicit ResetWhenSent(VkCErrorList& list) : list_(list) {}
    ~ResetWhenSent() { list_.reset(); }
    ResetWhenSent(const ResetWhenSent&) = delete;
    ResetWhenSent& operator=(const ResetWhenSent&) = delete;

  private:
    VkCErrorList& list_;
};

// Prints and/or delivers the entries of `list` by `sendMode` (0: the
// manager's mode), then resets the list.
void sendList(VkCErrorManager& manager, VkCErrorList& list, uint32_t sendMode) {
    const ResetWhenSent resetWhenSent(list);
    const uint32_t mode = VkErrorManagerAccess::effectiveSendMode(manager, sendMode);
    if ((mode & kSendToStdout) != 0) printList(manager, list);
    deliverToCallback(manager, list, mode);
}

// Owns the temporary list of a single-message send and deletes it when the
// send ends, also when the host's clock or callback, or the composition of
// its text, throws. Deleting releases the entries, so the list needs no
// reset first, and it needs the manager's bookkeeping only if the callback
// made it a master list: no one else ever saw it.
class SentList {
  public:
    SentList(VkCErrorManager& manager, VkCMessageListPool& list) : manager_(manager), list_(list) {}
    ~SentList() {
        if (VkErrorListAccess::masterSlotCount(list_).load(std::memory_order_acquire) != 0)
            VkErrorManagerAccess::removeList(manager_, list_);
        delete &list_;
    }
    SentList(const SentList&) = delete;
    SentList& operator=(const SentList&) = delete;

  private:
    VkCErrorManager& manager_;
    VkCMessageListPool& list_;
};

// Records one message in a list of its own, sends it and deletes the list,
// with the manager's node id and time stamp in `fields`. A fresh list per
// message, so that concurrent sends share nothing.
[[gnu::always_inline]] inline void sendNewMessage(VkCErrorManager& manager, uint32_t sendMode,
                                                  VkSMessageFields& fields, va_list args) {
    VkCMessageListPool* list = VkErrorManagerAccess::newMessageList(manager, 0, kSentListEntries,
                                                                    kSentListParameters, kSentListReserved);
    if (list == nullptr) return;  // the failure was already reported
    const SentList sentList(manager, *list);
    fields.originNode = VkErrorManagerAccess::nodeId(manager);
    fields.timeStamp = VkErrorManagerAccess::timeStamp(manager);
    VkErrorListAccess::record(*list, fields, args);
    const uint32_t mode = VkErrorManagerAccess::effectiveSendMode(manager, sendMode);
    if ((mode & kSendToStdout) != 0) printList(manager, *list);
    deliverToCallback(manager, *list, mode);
}

// The short variadic forms.
[[gnu::always_inline]] inline void sendShortMessage(VkCErrorManager& manager, uint32_t messageType,
                                                    uint32_t errorCode, uint32_t lineNumber,
                                                    const char* functionName, const char* formatString,
                                                    va_list args) {
    VkSMessageFields fields = shortFields(messageType, errorCode, lineNumber, functionName, formatString);
    sendNewMessage(manager, 0, fields, args);
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

// The variadic forms go straight to the shared send step rather than
// through sendSimpleMessage: see printList for why.
void VkCErrorManager::sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                              const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendShortMessage(*this, VkNCatalogue::kTypeLog, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                               const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendShortMessage(*this, VkNCatalogue::kTypeInfo, errorCode, lineNumber, functionName, formatString, args);
    va_end(args);
}

void VkCErrorManager::sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                  const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendShortMessage(*this, VkNCatalogue::kTypeWarning, errorCode, lineNumber, functionName, formatString,
                     args);
    va_end(args);
}

void VkCErrorManager::sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                                const char* formatString, ...) {
    va_list args;
    va_start(args, formatString);
    sendShortMessage(*this, VkNCatalogue::kTypeError, errorCode, lineNumber, functionName, formatString,
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
    sendShortMessage(*this, messageType, errorCode, lineNumber, functionName, formatString, args);
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
    VkSMessageFields fields = shortFields(messageType, errorCode, lineNumber, functionName, formatString);
    fields.displayMode = displayMode;
    fields.mainModuleNumber = mainModuleNumber;
    fields.subModuleNumber = subModuleNumber;
    fields.messageTemplate = messageTemplate;
    sendNewMessage(*this, sendMode, fields, args);
}

void VkCErrorManager::sendErrorList(VkCErrorListPool& list, uint32_t sendMode) {
    if (list.getNumberOfUsedEntries() != 0) sendList(*this, list, sendMode);
}

void VkCErrorManager::sendMessageList(VkCMessageListPool& list, uint32_t sendMode) {
    sendErrorList(list, sendMode);
}

void VkCErrorManager::send(VkCErrorList& list, uint32_t sendMode) { sendList(*this, list, sendMode); }

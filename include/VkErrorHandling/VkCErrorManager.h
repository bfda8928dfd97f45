// The process-wide error manager, the text set record and the debug switch.
//
// VkCErrorManager::getInstance() is the one way a host reports a message:
//
//     VkCErrorManager::getInstance().sendError(code, __LINE__, __func__, "%08X%d", id, n);
//
// Each send records the message into a fresh two-entry list, stamps it with
// the manager's node id and time stamp, prints it to standard output and/or
// hands it to the host's callback (by send mode), and deletes the list.
//
// Ownership: the manager owns its own 20-entry list and the master error list
// table (which does not own the lists it names). Lists from createErrorList /
// createMessageList belong to the caller until deleteErrorList /
// deleteMessageList. A registered VkResText belongs to the module that
// registered it and must outlive its registration.
//
// Thread safety: every operation may be called from any thread. Printing a
// sent list and changing the master error list table run under the manager's
// re-entrant lock (waits at most 5000 ms, then skips the step). Settings are
// single atomic stores; callbacks run on the sending thread without the lock.
#ifndef VKERRORHANDLING_VKCERRORMANAGER_H_
#define VKERRORHANDLING_VKCERRORMANAGER_H_

#include <atomic>
#include <cstdarg>
#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkExport.h"

namespace VkNErrorManager {

// First argument of the message-manager callback.
enum VkEMsgManCallbackInfo {
    MsgManTerminate = 0,  // once, from the manager's destructor, with a null list
    MsgManSendList = 1,   // each sent list, valid only during the call
};

// While non-zero, the pool allocation operators fail as if memory were
// exhausted (they record 0x100401 and return null). The library never writes it.
extern VK_EXPORT volatile uint32_t DebugSimulateMemoryOverflow;

}  // namespace VkNErrorManager

namespace VkNManager {
class MasterTable;  // the master error list slots; internal to the library
}

// A module's message texts. Text group g holds texts[groupStarts[g]] up to,
// not including, texts[groupStarts[g + 1]]; a code addresses text
// (code & 0x3FF) of group ((code >> 11) & 0x1FF) of module (code >> 20).
// The library reads the record and its texts while registered; never copies them.
struct VkResText {
    const char* const* texts;
    const uint32_t* groupStarts;  // groupCount + 1 ascending positions
    uint32_t groupCount;
    uint32_t moduleCode;  // module number << 20
};

class VK_EXPORT VkCErrorManager {
public:
    // The instance, created on first use (safely when threads race) and
    // destroyed at process exit or library unload.
    static VkCErrorManager& getInstance();
    ~VkCErrorManager();
    VkCErrorManager(const VkCErrorManager&) = delete;
    VkCErrorManager& operator=(const VkCErrorManager&) = delete;

    // ---- Settings (plain stores, no validation) ------------------------------------

    // Node identity stamped into every message sent and every list created.
    void setMyNodeId(uint32_t nodeId);
    uint32_t getMyNodeId() const;
    // Application identity given to created lists and to sent lists without one.
    void setApplicationId(uint32_t applicationId);
    uint32_t getApplicationId() const;
    // Host clock returning ticks; null restores the default stamp 0x1010.
    void setTimeStampCallback(uint64_t (*callback)(void));
    // Seconds per tick (default 8.5e-9).
    void setTimeStampTickDuration(double seconds);
    double getTimeStampTickDuration() const;
    uint64_t getTimeStamp() const;
    // Receiver of sent lists (send mode bit 1) and of the final MsgManTerminate.
    void setMessageManagerCallback(void (*callback)(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList*));
    // Bit 1: deliver to the callback; bit 2: print to standard output. Default 2.
    uint32_t getSendMode() const;
    // Stores `mode` unless it is 0.
    void setSendMode(uint32_t mode);

    // ---- Text sets ------------------------------------------------------------------

    // Registers `set` for its moduleCode (replacing any earlier set). False for
    // a null set or a module code without a row in the module table.
    static bool _registerMessages(const VkResText* set);
    // Clears the registration of `set`'s module, whichever set it was.
    static bool _unregisterMessages(const VkResText* set);

    // ---- Sending ----------------------------------------------------------------------
    //
    // Messages of type LOG (0), INFO (1), WARNING (2) and ERROR (3) in the
    // manager's send mode. The variable values follow the format string's
    // descriptors, one per descriptor, and g++ and clang check them as
    // printf's; see VkCErrorList::setMessage for the descriptors this library
    // reads differently (%p takes a pointer, %lld a long long, no %ld). The
    // forms without a format string send a message without values.

    void sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName);
    void sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName);
    void sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName);
    void sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName);
    void sendLog(uint32_t errorCode, uint32_t lineNumber, const char* functionName, const char* formatString,
                 ...) VK_PRINTF_FORMAT(5, 6);
    void sendInfo(uint32_t errorCode, uint32_t lineNumber, const char* functionName, const char* formatString,
                  ...) VK_PRINTF_FORMAT(5, 6);
    void sendWarning(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                     const char* formatString, ...) VK_PRINTF_FORMAT(5, 6);
    void sendError(uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                   const char* formatString, ...) VK_PRINTF_FORMAT(5, 6);
    // Any type, any send mode (0 = the manager's).
    void sendMessage(uint32_t sendMode, uint32_t displayMode, uint32_t messageType, uint32_t errorCode,
                     uint32_t lineNumber, const char* functionName, const char* formatString, ...)
        VK_PRINTF_FORMAT(8, 9);
    // With module numbers and an explicit template ("" = look up by code).
    void sendMessage(uint32_t sendMode, uint32_t mainModuleNumber, uint32_t subModuleNumber,
                     const char* messageTemplate, uint32_t displayMode, uint32_t messageType,
                     uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                     const char* formatString, ...) VK_PRINTF_FORMAT(11, 12);
    // The recording step behind every single-message send.
    void setMessage(uint32_t sendMode, uint32_t displayMode, uint32_t messageType, uint32_t errorCode,
                    uint32_t lineNumber, const char* functionName, const char* formatString, va_list args,
                    uint32_t mainModuleNumber, uint32_t subModuleNumber, const char* messageTemplate);
    // Sends all messages of a host list at once and empties it; an empty list
    // is left alone.
    void sendErrorList(VkCErrorListPool& list, uint32_t sendMode);
    void sendMessageList(VkCMessageListPool& list, uint32_t sendMode);

    // ---- Lists ------------------------------------------------------------------------
    //
    // createErrorList / createMessageList never throw. On failure they send
    // warning 0x100401 and return a reference to the manager's *detached list*:
    // a list with no entry storage and getNumberOfEntries() == 0, on which
    // every operation is a harmless no-op. No list made by a constructor has 0
    // entries, so test a result with
    //
    //     VkCErrorListPool& list = manager.createErrorList(...);
    //     if (list.getNumberOfEntries() == 0) { /* no list */ }
    //
    // (never with &list == nullptr, which compilers may assume false).
    // Deleting the detached list does nothing.

    VkCErrorListPool& createErrorList(uint32_t applicationId, uint32_t count, uint32_t numberOfEntries,
                                      uint32_t maxAdditionalParameters, uint32_t reserved);
    VkCMessageListPool& createMessageList(uint32_t applicationId, uint32_t count, uint32_t numberOfEntries,
                                          uint32_t maxAdditionalParameters, uint32_t reserved);
    // Deletes a created list. Ends the process with exit status -1234 when a
    // master error list slot other than the calling thread's still names it.
    void deleteErrorList(VkCErrorListPool& list);
    void deleteMessageList(VkCMessageListPool& list);

    // ---- Master error lists -------------------------------------------------------------
    //
    // One slot per thread, numbered by the thread's kernel id (gettid();
    // slot -1 = the calling thread), names the list into which the library
    // reports failures of operations without a list of their own (for
    // example reading a malformed image). Threads without a slot use the
    // manager's own list.

    void setMasterErrorList(VkCErrorListPool& list, int32_t slot, bool keepExisting);
    void clearMasterErrorList(int32_t slot);
    // 1 when the calling thread's slot names a list, else 0.
    unsigned char hasMasterErrorList() const;
    // The calling thread's master error list, else the manager's own list.
    // When the manager could not create its lock it has no own list; the
    // result is then the detached list (getNumberOfEntries() == 0).
    VkCErrorListPool& getMasterErrorList() const;

private:
    friend struct VkErrorManagerAccess;  // tests and the library's own helpers

    VkCErrorManager();
    static VkCErrorManager& getSingleton();
    static uint64_t getDefaultTimestamp();

    void sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                           const char* functionName);
    void sendSimpleMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber,
                           const char* functionName, const char* formatString, va_list args);
    // Prints and/or delivers `list` by send mode (0 = the manager's), then resets it.
    void send(VkCErrorList& list, uint32_t sendMode);
    // Forgets `list` as a master error list before it is deleted.
    void removeErrorList(VkCErrorList& list);

    int32_t initMutex();
    int32_t destroyMutex();
    int32_t lock() const;
    int32_t unlock() const;

    static VkCErrorManager* s_pErrorManager;  // read and written with atomic builtins
    static uint32_t s_InitStatus;

    // Every member that the host may change while other threads read it is
    // atomic; all accesses are relaxed except where a comment says otherwise.
    std::atomic<uint32_t> sendMode;
    // Published once with release, read with acquire and without the lock;
    // it never moves or shrinks until the manager is destroyed.
    std::atomic<VkNManager::MasterTable*> masterErrorLists;
    std::atomic<uint32_t> myNodeId;
    std::atomic<uint32_t> applicationId;
    std::atomic<VkCErrorListPool*> defaultErrorList;
    uint32_t creatorThreadId;  // written only by the constructor and destructor
    std::atomic<uint64_t (*)(void)> timeStampCallback;
    std::atomic<double> timeStampTickDuration;
    std::atomic<void (*)(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList*)> messageManagerCallback;
    void* mutexHandle;  // the platform lock; null when it could not be created
};

#endif  // VKERRORHANDLING_VKCERRORMANAGER_H_

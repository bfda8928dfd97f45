// Message lists: fixed-capacity lists of message entries with typed parameters.
//
// A VkCErrorList holds up to getNumberOfEntries() messages. Each entry carries
// a message type and code, the function name and source line where it arose,
// a time stamp, the node it came from, a display mode, main and sub module
// numbers, a format string and up to ten typed additional parameters.
//
// Ownership: a list owns private heap copies of every string given to it; a
// caller's text may be released as soon as the call returns. Strings handed
// out by getters point into the list and stay valid until that field is
// replaced or the entry is released.
//
// Thread safety: a list takes no lock. It is used by one thread at a time
// unless its owner serialises access.
//
// Index rule: every operation taking an entry index checks it against the
// capacity (not against the number of used entries). When it fails, getters
// return 0, 0.0 or a null pointer and setters do nothing, without a report.
#ifndef VKERRORHANDLING_VKCERRORLIST_H_
#define VKERRORHANDLING_VKCERRORLIST_H_

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "VkErrorHandling/VkExport.h"

class VkCObjectBuffer;
class VkCErrorManager;

class VK_EXPORT VkCErrorList {
public:
    // Builds a list of `numberOfEntries` entries (0 becomes 1) holding at most
    // `maxAdditionalParameters` parameters each (clamped to 10). `reserved` and
    // `reservedPointer` are accepted and ignored. If the entry block cannot be
    // allocated the list is degenerate: it records nothing and every per-entry
    // operation behaves as for an invalid index.
    VkCErrorList(uint32_t numberOfEntries, uint32_t maxAdditionalParameters, uint32_t reserved,
                 uint32_t nodeId, uint32_t* reservedPointer);
    virtual ~VkCErrorList();
    VkCErrorList(const VkCErrorList&) = delete;
    VkCErrorList& operator=(const VkCErrorList&) = delete;

    // ---- Header -------------------------------------------------------------

    // Messages reported since construction or the last reset(): those stored
    // plus those dropped because the list was full or repeated the last entry.
    uint32_t getErrorCount() const;
    // Same as getErrorCount(); neither takes a lock.
    uint32_t getErrorCountLock() const;
    uint32_t getErrorCountUnlock() const;
    uint32_t getNumberOfEntries() const;
    // Entries in use: always the indices 0 .. getNumberOfUsedEntries() - 1.
    uint32_t getNumberOfUsedEntries() const;
    uint32_t getApplicationId() const;
    void setApplicationId(uint32_t applicationId);
    uint32_t getNodeId() const;
    void setNodeId(uint32_t nodeId);
    // The list's parameter bound; `index` is ignored.
    uint32_t getMaxAdditionalParameters(uint32_t index) const;
    // Releases every entry (and any strings left in free entries) and clears
    // the error count. Number fields of released entries keep their values.
    void reset();

    // ---- Entry getters --------------------------------------------------------

    uint32_t getMessageType(uint32_t index) const;
    uint32_t getErrorCode(uint32_t index) const;
    uint32_t getLineNumber(uint32_t index) const;
    uint64_t getTimeStamp(uint32_t index) const;
    // The entry's time stamp times the manager's tick duration.
    double getTimeStampSeconds(uint32_t index) const;
    uint32_t getAdditionalParametersCount(uint32_t index) const;
    uint32_t getDisplayMode(uint32_t index) const;
    uint32_t getMainModuleNumber(uint32_t index) const;
    uint32_t getSubModuleNumber(uint32_t index) const;
    uint32_t getOriginNode(uint32_t index) const;
    // String getters return "" for an unset field and null for a bad index.
    const char* getFunctionName(uint32_t index) const;
    const char* getFormatString(uint32_t index) const;
    // The template the entry renders with: the stored one, else (unless the
    // entry is an EVENT) the registered catalogue text for its code, else "".
    const char* getMessageTemplate(uint32_t index) const;

    // Reads parameter `parameter` (counted from 1) of entry `index`. Succeeds
    // (0) only when the slot holds exactly the requested type: 32-bit, 64-bit,
    // double or string. Otherwise the output is zeroed and the result is -1.
    int32_t getAdditionalParameter(uint32_t index, uint32_t parameter, int32_t& value) const;
    int32_t getAdditionalParameter(uint32_t index, uint32_t parameter, int64_t& value) const;
    int32_t getAdditionalParameter(uint32_t index, uint32_t parameter, double& value) const;
    int32_t getAdditionalParameter(uint32_t index, uint32_t parameter, const char*& value) const;

    // ---- Entry setters ----------------------------------------------------------
    // Setters change neither the used-entry count nor the error count, and may
    // write free entries. String setters store a copy; null or "" stores none.

    void setMessageType(uint32_t index, uint32_t messageType);
    void setErrorCode(uint32_t index, uint32_t errorCode);
    void setLineNumber(uint32_t index, uint32_t lineNumber);
    void setTimeStamp(uint32_t index, const uint64_t& timeStamp);
    void setDisplayMode(uint32_t index, uint32_t displayMode);
    void setMainModuleNumber(uint32_t index, uint32_t mainModuleNumber);
    void setSubModuleNumber(uint32_t index, uint32_t subModuleNumber);
    void setOriginNode(uint32_t index, uint32_t originNode);
    void setFunctionName(uint32_t index, const char* functionName);
    void setFormatString(uint32_t index, const char* formatString);
    void setMessageTemplate(uint32_t index, const char* messageTemplate);

    // ---- Recording ----------------------------------------------------------------
    //
    // A message is stored in the next free entry. A full list drops it and
    // counts it. An error list (not a message list) also drops a message whose
    // code repeats the code of the last entry, codes 0 and 0x100800 excepted.
    //
    // The format string is a run of printf-style descriptors, one per value
    // ("%08X%d%s"); each stores one typed parameter taken from the values:
    // e E f g G a double, d i o u x X an int (a 64-bit integer with "ll" or
    // "z"), p a 64-bit value, s a string. A malformed format string prints one
    // "VkErrorHandling: Panic!" line to standard output and stops the walk.
    //
    // g++ and clang check the values of the variadic forms against the format
    // string as printf's (-Wformat). Where this library reads a descriptor
    // differently from printf, pass what both accept:
    //   %p    a pointer (void*); its address is stored as a 64-bit value.
    //   %lld  a long long: cast an int64_t, which is a long on this platform.
    //   %ld   reads an int here (a single "l" adds nothing), while printf
    //         wants a long: use %d with an int instead, never PRId64 ("%ld").
    //   %c %a %n %F %Lf and text between descriptors ("%d, %s") pass the
    //         compiler but stop the walk with a panic line.
    // No values: pass nullptr as the format string; g++ warns about "" in
    // -Wall (-Wformat-zero-length), and the library treats both alike.

    // Short form: stamps the list's node id and the manager's current time.
    void setMessage(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                    const char* formatString, ...) VK_PRINTF_FORMAT(6, 7);
    // Short form of type 3 (error).
    void setError(uint32_t errorCode, uint32_t lineNumber, const char* functionName, const char* formatString,
                  ...) VK_PRINTF_FORMAT(5, 6);
    // Error with module numbers and an explicit template.
    void setError(uint32_t mainModuleNumber, uint32_t subModuleNumber, const char* messageTemplate,
                  uint32_t errorCode, uint32_t lineNumber, const char* functionName, const char* formatString,
                  ...) VK_PRINTF_FORMAT(8, 9);
    // Full form: every field is given. Takes the values as a va_list, so the
    // compiler checks none of them.
    void setMessage(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                    uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                    uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp, const char* functionName,
                    const char* formatString, va_list args);
    // Full form, variadic. Beware: a call whose only variable argument is the
    // literal 0 selects the va_list overload above (0 converts to a null
    // va_list on x86_64); pass a typed value such as int32_t{0} instead.
    void setMessage(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                    uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                    uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp, const char* functionName,
                    const char* formatString, ...) VK_PRINTF_FORMAT(12, 13);

    // Append one typed parameter to entry `index`; refused silently once the
    // entry holds getMaxAdditionalParameters() parameters. A null or "" text
    // stores an empty string slot. Note: addAdditionalParameter(i, nullptr) is
    // ambiguous between the string and the va_list forms; cast the null.
    void addAdditionalParameter(uint32_t index, int32_t value);
    void addAdditionalParameter(uint32_t index, int64_t value);
    void addAdditionalParameter(uint32_t index, double value);
    void addAdditionalParameter(uint32_t index, const char* text);
    // Restarts the entry's parameters from its stored format string and `args`.
    void addAdditionalParameter(uint32_t index, va_list args);

    // ---- Merging ------------------------------------------------------------------

    // Appends copies of `other`'s used entries (which may be this list) under
    // the recording rules. When this list fills up, its last entry is replaced
    // by the warning 0x100004 and the rest of `other` is not copied.
    VkCErrorList& operator+=(const VkCErrorList& other);

    // ---- Text -----------------------------------------------------------------------

    // Appends `messageText` with its placeholders "%1".."%5" replaced by the
    // entry's parameters, each formatted with its descriptor of `formatString`.
    void printParameter(std::string& out, uint32_t index, const char* messageText,
                        const char* formatString) const;
    // One parameter (counted from 1) rendered alone.
    std::string getAdditionalParameterAsString(uint32_t index, uint32_t parameter) const;
    // The message text alone, placeholders filled.
    std::string getErrorText(uint32_t index) const;
    // Appends the header line and the message text, each ended by "\n". Fills
    // the entry's module numbers from the module table when both are 0.
    void printError(std::string& out, uint32_t index);
    // Writes all used entries to `stream` (plain layout, or one tab-separated
    // row each) in one block write, then flushes. An empty list writes nothing.
    void print(FILE* stream, bool tabbed);
    // Appends the nine-column tab-separated row of entry `index`.
    void getTabbedMessageData(std::string& out, uint32_t index, const void* reserved);

    // ---- Wire formats -------------------------------------------------------------------
    //
    // Images are big-endian and self-describing; they carry each message's
    // template so a receiver renders them without the sender's text sets.
    // Readers validate everything: a malformed image gives -1 and a report in
    // the reading thread's master error list, never a crash.

    // Appends the message block of entry `index` to `buffer`; `size` receives
    // the block's length (0 on failure).
    bool serializeMessage(uint32_t index, VkCObjectBuffer* buffer, uint32_t& size);
    // The entry as a buffer image in a new heap block (release with free()).
    unsigned char* getSerializedMessage(uint32_t index, uint32_t& size);
    // Reads one message block from `buffer` (or from a buffer image) into
    // entry `index`. 0 on success, -1 on failure.
    int32_t deSerializeMessage(uint32_t index, VkCObjectBuffer& buffer);
    int32_t deSerializeMessage(uint32_t index, const unsigned char* data, uint32_t length);
    // The whole list as an image in a new heap block (release with
    // freeSerializedBuffer or free()), or null.
    char* serialize(uint32_t& size);
    // The whole list as an image written into caller memory, or null when it
    // does not fit.
    char* serialize(char* memory, uint32_t memorySize, uint32_t& size);
    // Appends the messages of a list image. Returns the number of messages
    // read, or -1 with a report in the master error list.
    int32_t deSerialize(const unsigned char* data, uint32_t length);
    // Frees an image returned by serialize() and clears the pointer.
    void freeSerializedBuffer(char** buffer);
    void freeSerializedBuffer();

private:
    struct Entry;  // one message entry; defined in src/list/ErrorEntry.h
    friend struct VkErrorListAccess;
    friend class VkCErrorListPool;
    friend class VkCMessageListPool;
    friend class VkCErrorManager;

    // The entry at `index`, or null when the index rule fails.
    Entry* entryAt(uint32_t index) const;
    // entryAt for the setters that store strings or parameters: also notes a
    // write to a free entry, so that reset knows how far to look for them.
    Entry* entryForWrite(uint32_t index);
    // Replaces an owned string by a copy of `text` (none for null or "").
    static void saveString(char*& field, const char* text);
    // The stored string, or "" for none.
    static const char* getString(const char* stored);
    // Releases the last used entry.
    void pop();
    void setMessageInt(uint32_t messageType, uint32_t errorCode, uint32_t lineNumber, const char* functionName,
                       const char* formatString, va_list args);
    void setMessageInt(uint32_t messageType, uint32_t displayMode, uint32_t mainModuleNumber,
                       uint32_t subModuleNumber, const char* messageTemplate, uint32_t errorCode,
                       uint32_t lineNumber, uint32_t originNode, uint64_t timeStamp, const char* functionName,
                       const char* formatString, va_list args);
    // The stored template or "", without catalogue lookup; null for a bad index.
    const char* getMessageTemplateInt(uint32_t index) const;
    // Fills the entry's module numbers from the module table when both are 0.
    void setMainSubModule(uint32_t index);
    void printErrorText(std::string& out, uint32_t index) const;
    // Appends one printf-style piece (at most 1022 characters) to `out`.
    static int32_t appendFormattedString(std::string& out, const char* format, ...);
    char* serializeInternal(VkCObjectBuffer& buffer, uint32_t& size);

    bool isMessageList;
    uint32_t errorCount;
    uint32_t numberOfEntries;
    uint32_t numberOfUsedEntries;
    uint32_t maxAdditionalParameters;
    Entry* entries;
    uint32_t applicationId;
    uint32_t nodeId;
    // One past the highest free entry given strings or parameters since the
    // last reset; reset releases free entries below it and no further.
    uint32_t freeEntriesWritten;
    // How many master error list slots name this list; kept by the manager
    // under its lock so that deleting a list checks the table in O(1).
    std::atomic<uint32_t> masterSlotCount;
};

// The list type the manager creates and keeps as master error lists.
class VK_EXPORT VkCErrorListPool : public VkCErrorList {
public:
    VkCErrorListPool(uint32_t numberOfEntries, uint32_t maxAdditionalParameters, uint32_t reserved,
                     uint32_t nodeId, uint32_t* reservedPointer);
    virtual ~VkCErrorListPool();
    VkCErrorListPool& operator+=(VkCErrorListPool& other);
};

// A pool list that keeps repeated codes: the repeat rule never applies to it.
class VK_EXPORT VkCMessageListPool : public VkCErrorListPool {
public:
    VkCMessageListPool(uint32_t numberOfEntries, uint32_t maxAdditionalParameters, uint32_t reserved,
                       uint32_t nodeId, uint32_t* reservedPointer);
    virtual ~VkCMessageListPool();
    VkCMessageListPool& operator+=(VkCErrorList& other);
};

// Placement allocation that reports into a pool list instead of throwing:
// `new (pool) T(...)` yields null on failure (real, or simulated while
// VkNErrorManager::DebugSimulateMemoryOverflow is non-zero) and records error
// 0x100401 in `pool`. Releasing null through the delete forms records 0x100400.
VK_EXPORT void* operator new(size_t size, VkCErrorListPool& pool) noexcept;
VK_EXPORT void* operator new[](size_t size, VkCErrorListPool& pool) noexcept;
VK_EXPORT void operator delete(void* block, VkCErrorListPool& pool) noexcept;
VK_EXPORT void operator delete[](void* block, VkCErrorListPool& pool) noexcept;

#endif  // VKERRORHANDLING_VKCERRORLIST_H_

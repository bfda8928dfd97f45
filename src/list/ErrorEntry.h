// The message entry of a VkCErrorList and internal access to a list's state.
//
// Entries live in one zero-filled heap block allocated at construction, so
// every field of a fresh entry is 0, every string none and every slot empty.
// Strings are owned heap copies (strdup/free). Not thread-safe.
#ifndef VKERRORHANDLING_SRC_LIST_ERRORENTRY_H_
#define VKERRORHANDLING_SRC_LIST_ERRORENTRY_H_

#include <cstdarg>
#include <cstdint>
#include <cstdlib>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/ModuleTable.h"

// Slot type codes of an additional parameter. Double and 32-bit integer are
// numbered in this order on purpose: it is the order images carry.
enum VkEParameterType : uint32_t {
    kParameterEmpty = 0,
    kParameterDouble = 1,
    kParameterInt32 = 2,
    kParameterString = 3,
    kParameterInt64 = 4,
};

constexpr uint32_t kMaxAdditionalParameters = 10;

struct VkSParameter {
    uint32_t type;
    union {
        int32_t int32Value;
        int64_t int64Value;
        double doubleValue;
        char* stringValue;  // owned; null for none
    } value;
};

struct VkCErrorList::Entry {
    uint32_t messageType;
    uint32_t errorCode;
    uint32_t lineNumber;
    uint64_t timeStamp;
    uint32_t additionalParametersCount;
    VkSParameter additionalParameters[kMaxAdditionalParameters];
    uint32_t displayMode;
    uint32_t mainModuleNumber;
    uint32_t subModuleNumber;
    uint32_t originNode;
    char* functionName;     // owned; null for none
    char* messageTemplate;  // owned; null for none
    char* formatString;     // owned; null for none
};

// The fields of one message being recorded. The strings are borrowed: the
// list stores copies.
struct VkSMessageFields {
    uint32_t messageType;
    uint32_t displayMode;
    uint32_t mainModuleNumber;
    uint32_t subModuleNumber;
    const char* messageTemplate;
    uint32_t errorCode;
    uint32_t lineNumber;
    uint32_t originNode;
    uint64_t timeStamp;
    const char* functionName;
    const char* formatString;
};

// The library's own subsystems reach a list's private state through this
// friend, so that their helpers can stay free functions in their own files.
struct VkErrorListAccess {
    using Entry = VkCErrorList::Entry;

    // VkCErrorList::entryAt and entryForWrite, expanded in place: the
    // members are exported, so the library's own calls to them would each go
    // through the PLT.
    static Entry* entryAt(const VkCErrorList& list, uint32_t index) {
        if (list.entries == nullptr || index >= list.numberOfEntries) return nullptr;
        return &list.entries[index];
    }
    // The entry a caller is about to write field by field: a free entry is
    // then remembered, so that reset releases what it receives.
    static Entry* entryForWrite(VkCErrorList& list, uint32_t index) {
        Entry* entry = entryAt(list, index);
        if (entry != nullptr && index >= list.numberOfUsedEntries && index >= list.freeEntriesWritten) {
            list.freeEntriesWritten = index + 1;
        }
        return entry;
    }
    static uint32_t maxAdditionalParameters(const VkCErrorList& list) { return list.maxAdditionalParameters; }
    static Entry* entries(const VkCErrorList& list) { return list.entries; }
    static bool isMessageList(const VkCErrorList& list) { return list.isMessageList; }
    static void setIsMessageList(VkCErrorList& list, bool value) { list.isMessageList = value; }
    static uint32_t numberOfUsedEntries(const VkCErrorList& list) { return list.numberOfUsedEntries; }
    // What reading a list image writes besides entries: the counters and the
    // sender's identity.
    static uint32_t numberOfEntries(const VkCErrorList& list) { return list.numberOfEntries; }
    static uint32_t& usedEntries(VkCErrorList& list) { return list.numberOfUsedEntries; }
    static uint32_t& errorCount(VkCErrorList& list) { return list.errorCount; }
    static uint32_t& nodeId(VkCErrorList& list) { return list.nodeId; }
    static uint32_t& applicationId(VkCErrorList& list) { return list.applicationId; }
    // VkCErrorList::setMainSubModule: fills the entry's module numbers from
    // the module table when both are 0.
    static void setMainSubModule(VkCErrorList& list, uint32_t index) {
        Entry* entry = entryAt(list, index);
        if (entry == nullptr || entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) return;
        VkNCatalogue::getModuleNumbers(entry->errorCode, entry->mainModuleNumber, entry->subModuleNumber);
    }
    // VkCErrorList::reset, for the destructor and the library's own callers.
    static void reset(VkCErrorList& list);
    static const char* getMessageTemplateInt(const VkCErrorList& list, uint32_t index) {
        return list.getMessageTemplateInt(index);
    }
    // The recording core behind every setMessage and setError form: stores
    // the message in the next free entry under the full-list and repeat rules
    // and takes one value from `args` per descriptor of its format string.
    // Not exported, so the library calls it directly on its hot path.
    static void record(VkCErrorList& list, const VkSMessageFields& fields, va_list args);
    // The body of record, expanded in place where the recording forms call
    // it, so that fields known there never pass through memory. Defined in
    // Recording.cpp and used only there.
    static inline void recordInPlace(VkCErrorList& list, const VkSMessageFields& fields, va_list args);
    // The entry the next message goes into, under the rules of recording:
    // null when the list has no entry block (nothing counted), is full or
    // the message repeats the last one (counted, dropped).
    static inline Entry* claimNextEntry(VkCErrorList& list, uint32_t errorCode);
    // Records a copy of `source` (of another list, or of a used entry of
    // this one) under the rules of recording: its fields, strings and typed
    // parameters, bounded by this list's parameter limit. What merging
    // does per entry, without going through a va_list and the setters.
    static void recordCopy(VkCErrorList& list, const Entry& source);
    static std::atomic<uint32_t>& masterSlotCount(VkCErrorList& list) { return list.masterSlotCount; }

    // Turns `list` into a list with no entry block and a capacity of 0: every
    // operation on it is a no-op. The manager hands such a list out where it
    // has no real one, and a capacity of 0 is how callers recognise it.
    static void detach(VkCErrorList& list) {
        reset(list);
        std::free(list.entries);  // the entry block comes from the C heap
        list.entries = nullptr;
        list.numberOfEntries = 0;
    }
};

#endif  // VKERRORHANDLING_SRC_LIST_ERRORENTRY_H_

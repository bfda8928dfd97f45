// Copying and releasing the strings a message entry owns.
//
// Inline free functions over a single entry (recording, pop and reset run
// them on the hot path); they touch nothing else and take no lock.
#ifndef VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_
#define VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "list/ErrorEntry.h"

namespace VkNList {

// A private copy of `text`, or none for null or "" (and when the copy fails).
inline char* copyString(const char* text) {
    return (text != nullptr && text[0] != '\0') ? ::strdup(text) : nullptr;
}

// Replaces the owned string in `field` by a copy of `text`. The copy is made
// before the old string is freed, so that storing a field's own text back
// is safe.
inline void replaceString(char*& field, const char* text) {
    char* previous = field;
    field = copyString(text);
    if (previous != nullptr) std::free(previous);
}

// A block of `count` entries filled with zero bytes, which is exactly the
// state of a never-used entry, or null when it cannot be had. Released with
// free.
//
// Every single-message send allocates a block of two entries, and glibc's
// calloc takes no block from the per-thread cache (malloc does): for the
// send that was a trip through the whole allocator, about 180 instructions
// and 30 cache lines of its code. Small blocks therefore come from malloc
// and are cleared here; large ones stay with calloc, which gets fresh pages
// already cleared from the system and needs not touch them.
inline VkErrorListAccess::Entry* allocateZeroedEntries(uint32_t count) {
    constexpr size_t kMaxClearedBytes = 4096;
    const size_t bytes = static_cast<size_t>(count) * sizeof(VkErrorListAccess::Entry);
    if (bytes > kMaxClearedBytes)
        return static_cast<VkErrorListAccess::Entry*>(std::calloc(count, sizeof(VkErrorListAccess::Entry)));
    void* block = std::malloc(bytes);
    // Hides where the block came from: the compilers would otherwise fuse
    // malloc and memset back into calloc.
    asm("" : "+r"(block));
    if (block != nullptr) std::memset(block, 0, bytes);
    return static_cast<VkErrorListAccess::Entry*>(block);
}

// The stored string, or "" for none.
inline const char* stringOrEmpty(const char* stored) { return stored != nullptr ? stored : ""; }

// Frees an owned string, leaving none. Most fields are none already, and
// skipping free(nullptr) keeps releasing them cheap.
inline void releaseString(char*& field) {
    if (field == nullptr) return;
    std::free(field);
    field = nullptr;
}

// Frees the string parameters among the entry's used slots, empties those
// slots and sets the parameter count to 0. The count is clamped to the slot
// array, so a corrupted count can never reach past it. Slots past the count
// are empty already: every writer appends at the count.
inline void releaseParameters(VkErrorListAccess::Entry& entry) {
    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t k = 0; k < count; ++k) {
        VkSParameter& slot = entry.additionalParameters[k];
        if (slot.type == kParameterString) releaseString(slot.value.stringValue);
        slot.type = kParameterEmpty;
    }
    entry.additionalParametersCount = 0;
}

// Frees the function name, format string and template (in that order) and
// then the parameters. Number fields keep their values.
inline void releaseEntry(VkErrorListAccess::Entry& entry) {
    releaseString(entry.functionName);
    releaseString(entry.formatString);
    releaseString(entry.messageTemplate);
    if (entry.additionalParametersCount != 0) releaseParameters(entry);
}

// True when the entry holds any string or parameter that releaseEntry would
// release.
inline bool holdsResources(const VkErrorListAccess::Entry& entry) {
    // One test instead of four branches: recording asks this for every
    // message, and the answer is nearly always no.
    const uintptr_t any =
        reinterpret_cast<uintptr_t>(entry.functionName) | reinterpret_cast<uintptr_t>(entry.formatString) |
        reinterpret_cast<uintptr_t>(entry.messageTemplate) | entry.additionalParametersCount;
    return any != 0;
}

// Strings taken out of an entry that is about to be rewritten. They are freed
// only when this object goes out of scope, so that the new values may still
// be copied from the very strings they replace (a caller may pass back a
// text it read from the same entry). Owns what it took; not thread-safe.
class VkCDetachedStrings {
  public:
    VkCDetachedStrings() {}
    VkCDetachedStrings(const VkCDetachedStrings&) = delete;
    VkCDetachedStrings& operator=(const VkCDetachedStrings&) = delete;
    ~VkCDetachedStrings() {
        for (uint32_t i = 0; i < count_; ++i) std::free(strings_[i]);
    }

    // Takes the owned string out of `field`, leaving it none.
    void take(char*& field) {
        if (field == nullptr) return;
        if (count_ == kCapacity) {
            std::free(field);  // more than one entry's worth: nothing can alias it
        } else {
            strings_[count_++] = field;
        }
        field = nullptr;
    }

    // Takes the three strings and the string parameters of `entry`, which is
    // left as releaseEntry leaves it.
    void takeAll(VkErrorListAccess::Entry& entry) {
        take(entry.functionName);
        take(entry.formatString);
        take(entry.messageTemplate);
        takeParameters(entry);
    }

    // Takes the string parameters; the used slots become empty, count 0.
    void takeParameters(VkErrorListAccess::Entry& entry) {
        uint32_t count = entry.additionalParametersCount;
        if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
        for (uint32_t k = 0; k < count; ++k) {
            VkSParameter& slot = entry.additionalParameters[k];
            if (slot.type == kParameterString) take(slot.value.stringValue);
            slot.type = kParameterEmpty;
        }
        entry.additionalParametersCount = 0;
    }

  private:
    static constexpr uint32_t kCapacity = kMaxAdditionalParameters + 3;
    // Only the first count_ are set; left uninitialised so that the common
    // case, an entry with nothing to release, costs nothing.
    char* strings_[kCapacity];
    uint32_t count_ = 0;
};

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_

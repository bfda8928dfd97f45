#include "catalogue/TextCatalogue.h"

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/LibraryTexts.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/ModuleTable.h"

namespace VkNCatalogue {
namespace {

constexpr uint32_t kModuleKeyMask = 0xFFF00000;  // bit 31 included: such codes find no module

// The library reports a null release and a failed allocation with module 1
// codes that carry the built-in flag. Module 1's group 0 would describe them
// as a full message buffer and a missing log file; the built-in texts say what
// actually happened, so these two codes, and only these, take them.
const char* builtInTextForOwnCode(uint32_t code) {
    if (code == kCodeNullPointer || code == kCodeAllocationFailed) return builtInText(code & kTextIndexMask);
    return nullptr;
}

const char* lookupInTextSet(const VkResText& set, uint32_t code) {
    if (set.texts == nullptr || set.groupStarts == nullptr) return "";
    const uint32_t group = (code & kTextGroupMask) >> kTextGroupShift;
    if (group >= set.groupCount) return "";
    const uint32_t first = set.groupStarts[group];
    const uint32_t end = set.groupStarts[group + 1];
    const uint32_t index = code & kTextIndexMask;
    // A descending pair of starts is a malformed set: treat the group as empty.
    if (end <= first || index >= end - first) return "";
    const char* text = set.texts[first + index];
    return text != nullptr ? text : "";
}

}  // namespace

const char* lookupMessageTemplate(uint32_t code) {
    const uint32_t key = code & kModuleKeyMask;
    if (key == 0 && (code & kBuiltInFlag) != 0) return builtInText(code & kTextIndexMask);
    if (const char* text = builtInTextForOwnCode(code)) return text;
    const VkResText* set = registeredTextSet(findModuleRow(key));
    return set != nullptr ? lookupInTextSet(*set, code) : "";
}

}  // namespace VkNCatalogue

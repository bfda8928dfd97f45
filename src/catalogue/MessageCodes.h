// Message types and the codes the library reports about itself.
#ifndef VKERRORHANDLING_SRC_CATALOGUE_MESSAGECODES_H_
#define VKERRORHANDLING_SRC_CATALOGUE_MESSAGECODES_H_

#include <cstdint>

namespace VkNCatalogue {

enum VkEMessageType : uint32_t {
    kTypeLog = 0,
    kTypeInfo = 1,
    kTypeWarning = 2,
    kTypeError = 3,
    kTypeSevereError = 4,
    kTypeEvent = 5,
};

// Message code fields.
constexpr uint32_t kTextIndexMask = 0x3FF;
constexpr uint32_t kBuiltInFlag = 0x400;
constexpr uint32_t kTextGroupMask = 0xFF800;
constexpr uint32_t kTextGroupShift = 11;
constexpr uint32_t kModuleShift = 20;

// Codes of module 1, the library's own.
constexpr uint32_t kCodeListOverflow = 0x100004;        // merge into a full list
constexpr uint32_t kCodeNullPointer = 0x100400;         // pool delete of null
constexpr uint32_t kCodeAllocationFailed = 0x100401;    // pool new, list creation
constexpr uint32_t kCodeLockCreationFailed = 0x100402;  // value of s_InitStatus only
constexpr uint32_t kCodeNeverCollapsed = 0x100800;      // "%3 (%1/%2)"
constexpr uint32_t kCodeListIdentifier = 0x102001;
constexpr uint32_t kCodeListVersion = 0x102002;
constexpr uint32_t kCodeListHeaderBytes = 0x102003;
constexpr uint32_t kCodeBlockIdentifier = 0x102004;
constexpr uint32_t kCodeListRemainingBytes = 0x102005;
constexpr uint32_t kCodeListTermination = 0x102006;
constexpr uint32_t kCodeMessageVersion = 0x102007;
constexpr uint32_t kCodeMessageHeaderBytes = 0x102008;
constexpr uint32_t kCodeSuperfluousString = 0x10200A;
constexpr uint32_t kCodeMessageRemainingBytes = 0x10200B;

}  // namespace VkNCatalogue

#endif  // VKERRORHANDLING_SRC_CATALOGUE_MESSAGECODES_H_

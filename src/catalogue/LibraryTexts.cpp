#include "catalogue/LibraryTexts.h"

namespace VkNCatalogue {
namespace {

constexpr const char* kBuiltInTexts[kBuiltInTextCount] = {
    "Internal error. Varnik Support information: NULL pointer error.",
    "Memory allocation failed. Probably not enough memory available for requested operation.",
    "Internal error. Varnik Support information: Mutex initialization failed.",
    "Internal error. Varnik Support information: Mutex lock operation failed.",
    "Internal error. Varnik Support information: Mutex unlock operation failed.",
    "Internal error. Varnik Support information: Parameter '%1' has the invalid value '%2'.",
    "Internal error. Varnik Support information: Could not read memory position \"%1\".",
    "Internal error. Varnik Support information: Could not write memory position '%1'.",
    "Internal error. Varnik Support information: Parameter \"%1\" could not be set.",
    "Internal error. Varnik Support information: Parameter \"%1\" could not be read.",
};

constexpr const char* kLibraryTexts[] = {
    // Group 0: message buffers.
    "Message buffer overflow. All %1 message(s) are already in use. Cannot send message.",
    "Internal error. Varnik Support information: Cannot create log file.",
    "Internal error. Varnik Support information: Cannot create message buffer.",
    "Internal error. Varnik Support information: Master message list contains errors.",
    "Message buffer overflow. Messages were dropped because there is no space in the message buffer.",
    "Internal error. Varnik Support information: An error list can only hold messages of type 'error'. An "
    "attempt was made to store a message of different type.",
    // Group 1: repeated messages.
    "%3 (%1/%2)",
    // Group 4: serialization.
    "Internal error. Varnik Support information: Cannot serialize message at index %1, list %2: the message "
    "pointer is NULL.",
    "Internal error. Varnik Support information: Cannot deserialize buffer. Identifier mismatch (expected "
    "%1, "
    "actual %2).",
    "Internal error. Varnik Support information: Cannot deserialize buffer. Version mismatch (expected %1, "
    "actual %2).",
    "Internal error. Varnik Support information: Cannot deserialize buffer. Remaining header bytes count "
    "mismatch (expected 0, actual %1).",
    "Internal error. Varnik Support information: Cannot deserialize error %1 from buffer. Identifier "
    "mismatch "
    "(expected %2, actual %3).",
    "Internal error. Varnik Support information: Error while deserializing buffer. Remaining byte count "
    "mismatch (expected %1, actual %2).",
    "Internal error. Varnik Support information: Error while deserializing buffer. Termination bytes "
    "mismatch.",
    "Internal error. Varnik Support information: Invalid message data at %1: Version mismatch (expected %2, "
    "actual %3).",
    "Internal error. Varnik Support information: Invalid message data at %1: Remaining header bytes mismatch "
    "(expected %2, actual %3).",
    "Internal error. Varnik Support information: Invalid message data at %1: Cannot create parameter array.",
    "Internal error. Varnik Support information: Invalid message data at %1: Detected superfluous string at "
    "index %2.",
    "Internal error. Varnik Support information: Invalid message data at %1: Remaining bytes mismatch "
    "(expected %2, actual %3).",
    // Group 11: sending.
    "Internal error. Varnik Support information: Cannot send message. Buffer overflow.",
    "Internal error. Varnik Support information: Cannot send message. Buffer access violation.",
    "Internal error. Varnik Support information: Cannot send message. No message list available. Current "
    "list is reset.",
    "Internal error. Varnik Support information: Cannot create message list.",
};

// Groups 2, 3 and 5 to 10 are empty: codes there have no text.
constexpr uint32_t kLibraryGroupStarts[] = {0, 6, 7, 7, 7, 19, 19, 19, 19, 19, 19, 19, 23};
constexpr uint32_t kLibraryGroupCount = sizeof(kLibraryGroupStarts) / sizeof(kLibraryGroupStarts[0]) - 1;
static_assert(kLibraryGroupCount == 12, "module 1 has 12 text groups");
static_assert(sizeof(kLibraryTexts) / sizeof(kLibraryTexts[0]) == kLibraryGroupStarts[kLibraryGroupCount],
              "the last group must end at the last text");

constexpr const char* kUserMessageTexts[] = {"%1"};
constexpr uint32_t kUserMessageGroupStarts[] = {0, 1};

constexpr VkResText kLibraryTextSet = {kLibraryTexts, kLibraryGroupStarts, kLibraryGroupCount, 0x100000};
constexpr VkResText kUserMessageTextSet = {kUserMessageTexts, kUserMessageGroupStarts, 1, 0};

}  // namespace

const char* builtInText(uint32_t index) { return index < kBuiltInTextCount ? kBuiltInTexts[index] : ""; }

const VkResText& libraryTextSet() { return kLibraryTextSet; }

const VkResText& userMessageTextSet() { return kUserMessageTextSet; }

}  // namespace VkNCatalogue

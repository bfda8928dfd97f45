// A host library for the vkerr lint tests: two exported text sets, one clean
// and one with a mistake of each kind the checker knows.
#include <VkErrorHandling/VkCErrorManager.h>

namespace {

const char* const kCleanTexts[] = {"Disk %1 is %2 percent full.", "Cannot open '%1' (error %2)."};
const uint32_t kCleanStarts[] = {0, 2};

// Module 26 has no row in the module table. Group 1 is said to end at text
// 6, one past the five texts.
const char* const kFaultyTexts[] = {
    "Copied %1 of %3 files.",  // 0x01A00000, sent with "%d%d"
    nullptr,                   // 0x01A00001
    "Progress %1 at 100%s.",   // 0x01A00002: "%s" where a percent sign was meant
    "Retry %0 of %1.",         // 0x01A00800: placeholders count from 1
    "Took %1 seconds.",        // 0x01A00801, sent with "%d,%d"
};
const uint32_t kFaultyStarts[] = {0, 3, 6};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) extern const VkResText kLintHostClean = {kCleanTexts, kCleanStarts, 1,
                                                                                0x00200000};
__attribute__((visibility("default"))) extern const VkResText kLintHostFaulty = {kFaultyTexts, kFaultyStarts,
                                                                                 2, 0x01A00000};
}

// Checking a module's text set before it ships.
//
// A mistake in a VkResText shows only when its message is first rendered, as
// a diagnostic in angle brackets or an empty parameter. checkTextSet finds
// those mistakes in a host's unit test instead:
//
//     const auto problems = VkNTextCheck::checkTextSet(kMyTexts, std::size(kTexts),
//                                                      {{0x00200001, "%s%d"}, {0x00200002, "%s%lld"}});
//     EXPECT_TRUE(problems.empty());
//
// It reads only the set, the library's constant module table and the format
// strings it is given: it renders nothing, registers nothing and keeps no
// state, so any thread may call it, whether the set is registered or not.
#ifndef VKERRORHANDLING_VKTEXTCHECK_H_
#define VKERRORHANDLING_VKTEXTCHECK_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkExport.h"

namespace VkNTextCheck {

// The kinds of mistakes, each one way a message would render wrongly.
enum VkETextProblem : uint32_t {
    ModuleNotInTable = 1,        // moduleCode has no row in the module table: the set can't be registered
    GroupStartsInvalid = 2,      // group starts descend, or run past the texts
    NullText = 3,                // a null text, text array or group start array
    PlaceholderNumber = 4,       // "%0", or a placeholder above "%5"
    NotAPlaceholder = 5,         // "%" and a letter or sign ("%s", "%-1") where a placeholder was meant
    PlaceholderAboveFormat = 6,  // a placeholder above the descriptors of the code's format string
    DescriptorMismatch = 7,      // the descriptor can't show the value recording stores for the placeholder
};

// The format string a code is sent with (null: none), as in
// sendError(code, __LINE__, __func__, formatString, ...).
struct VkCodeFormat {
    uint32_t code;
    const char* formatString;
};

struct VkTextProblem {
    VkETextProblem kind;
    uint32_t code;       // the text's code; for a group, its first code; else the module code
    std::string text;    // the text concerned, "" for a problem of the set or a group
    std::string reason;  // one line
};

// Every problem of `set`, in the order of its groups and texts, then of
// `formats`. `textCount` is the length of set.texts when known (0: unknown,
// then group starts are trusted as far as the texts go). A text sent with
// several format strings is checked against each.
VK_EXPORT std::vector<VkTextProblem> checkTextSet(const VkResText& set, size_t textCount = 0,
                                                  const std::vector<VkCodeFormat>& formats = {});

}  // namespace VkNTextCheck

#endif  // VKERRORHANDLING_VKTEXTCHECK_H_

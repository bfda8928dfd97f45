// The three layouts in which vkerr prints a decoded message.
#ifndef VKERR_TOOLS_MESSAGELAYOUTS_H_
#define VKERR_TOOLS_MESSAGELAYOUTS_H_

#include <cstdint>
#include <string>

class VkCErrorList;

namespace VkNTool {

enum class Layout {
    kPlain,   // the library's header line and message text
    kTabbed,  // the library's nine-column tab-separated row
    kJson,    // one JSON object on one line, every field and typed parameter
};

// Entry `index` of `list` in `layout`, ending in a line feed. Plain and tabbed
// come from the library's own renderers, which may fill in the entry's module
// numbers from the module table.
std::string renderMessage(VkCErrorList& list, uint32_t index, Layout layout);

// The JSON object of entry `index`, without a line feed.
std::string messageToJson(const VkCErrorList& list, uint32_t index);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_MESSAGELAYOUTS_H_

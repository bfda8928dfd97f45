// The layouts in which a message is written as text.
#ifndef VKERRORHANDLING_DELIVERY_MESSAGELAYOUTS_H_
#define VKERRORHANDLING_DELIVERY_MESSAGELAYOUTS_H_

#include <VkErrorHandling/VkCErrorList.h>

#include <cstdint>
#include <string>

#include "VkErrorHandling/Delivery/DeliveryExport.h"

namespace VkNDelivery {

enum class Layout {
    kPlain,   // the library's header line and message text
    kTabbed,  // the library's nine-column tab-separated row
    kJson,    // one JSON object on one line: every field and typed parameter
};

// Appends entry `index` of `list` in `layout`, ending in a line feed. Plain
// and tabbed come from the library's own renderers, which may fill in the
// entry's module numbers from the module table.
VK_DELIVERY_EXPORT void appendMessage(std::string& out, VkCErrorList& list, uint32_t index, Layout layout);

// Appends every used entry of `list`. For plain and tabbed this is exactly
// the text VkCErrorList::print writes.
VK_DELIVERY_EXPORT void appendList(std::string& out, VkCErrorList& list, Layout layout);

// The JSON object of entry `index`, without a line feed: index, nodeId,
// applicationId, messageType, messageTypeName, errorCode, errorCodeHex,
// lineNumber, functionName, timeStamp, timeStampSeconds, originNode,
// displayMode, mainModuleNumber, subModuleNumber, formatString,
// messageTemplate, additionalParameters (each with type, value and
// rendered) and text.
VK_DELIVERY_EXPORT std::string messageToJson(const VkCErrorList& list, uint32_t index);

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_MESSAGELAYOUTS_H_

// Lookup of a message text template by message code: the built-in texts for
// module 0 with the built-in flag, else the text set registered for the
// code's module. Never null; "" for every miss. No allocation, no lock.
#ifndef VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_
#define VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_

#include <cstdint>

#include "catalogue/MessageCodes.h"

namespace VkNCatalogue {

const char* lookupMessageTemplate(uint32_t code);

// The text an entry renders with, given its stored template ("" for none):
// that template, else the catalogue's text for its code. An event carries
// its whole text in the entry; its code names the event, not a text.
inline const char* renderedTemplate(const char* stored, uint32_t messageType, uint32_t errorCode) {
    if (stored[0] != '\0' || messageType == kTypeEvent) return stored;
    return lookupMessageTemplate(errorCode);
}

}  // namespace VkNCatalogue

#endif  // VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_

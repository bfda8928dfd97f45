// Lookup of a message text template by message code: the built-in texts for
// module 0 with the built-in flag, else the text set registered for the
// code's module. Never null; "" for every miss. No allocation, no lock.
#ifndef VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_
#define VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_

#include <cstdint>

namespace VkNCatalogue {

const char* lookupMessageTemplate(uint32_t code);

}  // namespace VkNCatalogue

#endif  // VKERRORHANDLING_SRC_CATALOGUE_TEXTCATALOGUE_H_

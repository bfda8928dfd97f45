// The texts the library carries itself: the ten built-in texts, its own
// module's text set (module 1) and the one-text set of user messages
// (module 0). All constant data; safe to read from any thread at any time,
// including while static objects are being constructed or destroyed.
#ifndef VKERRORHANDLING_SRC_CATALOGUE_LIBRARYTEXTS_H_
#define VKERRORHANDLING_SRC_CATALOGUE_LIBRARYTEXTS_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorManager.h"

namespace VkNCatalogue {

constexpr uint32_t kBuiltInTextCount = 10;

// Built-in text `index` (0x400 + index is its code), or "" past the last one.
const char* builtInText(uint32_t index);

// Module 1: the failures the library reports about itself.
const VkResText& libraryTextSet();
// Module 0: the single text "%1", so a user message reads as its first parameter.
const VkResText& userMessageTextSet();

}  // namespace VkNCatalogue

#endif  // VKERRORHANDLING_SRC_CATALOGUE_LIBRARYTEXTS_H_

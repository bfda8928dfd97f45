// Rendering in the fuzz targets: whatever a reader stored must also print.
#ifndef VKERRORHANDLING_FUZZ_FUZZRENDERING_H_
#define VKERRORHANDLING_FUZZ_FUZZRENDERING_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"

// Renders entries [0, count) of `list` in every form: plain and tabbed
// printing to a null stream, the tabbed row, the two-line message and the
// text alone. Entries beyond the used ones (left by a failed read) are
// rendered one by one, since printing covers used entries only.
void renderEntries(VkCErrorList& list, uint32_t count);

#endif  // VKERRORHANDLING_FUZZ_FUZZRENDERING_H_

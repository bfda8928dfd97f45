// Fuzzes VkCErrorList::deSerialize: a list image from anywhere must give a
// count or -1, never a crash, leak or unbounded work, and what it stored must
// render.
#include <cstddef>
#include <cstdint>

#include "FuzzRendering.h"
#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const auto length = static_cast<uint32_t>(size);

    VkCErrorList list(4, 10, 0, 0, nullptr);
    list.deSerialize(data, length);
    renderEntries(list, list.getNumberOfEntries());

    // A full list walks the same bytes dropping every message.
    VkCErrorList full(1, 2, 0, 0, nullptr);
    full.setError(1, 1, "fuzz", "%d", 1);
    full.deSerialize(data, length);

    // Reports land in the master error list; emptying it keeps every input's
    // reports stored rather than dropped as overflow.
    VkCErrorList& master = VkCErrorManager::getInstance().getMasterErrorList();
    if (master.getNumberOfEntries() != 0) master.reset();
    return 0;
}

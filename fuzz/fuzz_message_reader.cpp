// Fuzzes both forms of VkCErrorList::deSerializeMessage, and rendering the
// entry they wrote, complete or not.
#include <cstddef>
#include <cstdint>

#include "FuzzRendering.h"
#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const auto length = static_cast<uint32_t>(size);

    // A two-slot list also checks that surplus parameters are dropped safely.
    VkCErrorList list(3, 2, 0, 0, nullptr);
    list.deSerializeMessage(0, data, length);

    VkCObjectBuffer buffer(data, length);
    list.deSerializeMessage(1, buffer);
    // A second block may follow in the same buffer.
    list.deSerializeMessage(2, buffer);

    renderEntries(list, 3);
    return 0;
}

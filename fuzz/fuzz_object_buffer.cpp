// Fuzzes VkCObjectBuffer's reading constructor and its reads of every element
// size. The first 16 input bytes script the reads; the rest is the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "VkErrorHandling/VkCObjectBuffer.h"

namespace {

constexpr size_t kScriptSize = 16;
constexpr int32_t kElementSizes[] = {1, 2, 4, 8, -1, 0, 3, -2};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kScriptSize || size - kScriptSize > UINT32_MAX) return 0;
    const uint8_t* script = data;
    VkCObjectBuffer buffer(data + kScriptSize, static_cast<uint32_t>(size - kScriptSize));

    unsigned char target[32];
    for (size_t step = 0; step < kScriptSize; ++step) {
        const uint8_t op = script[step];
        const int32_t elementSize = kElementSizes[op & 7];
        const size_t length = (op >> 3) & 0x1F;  // 0 .. 31
        if (op == 0xFF) {
            buffer.setReadOffset(script[(step + 1) % kScriptSize]);
        } else if (op == 0xFE) {
            buffer.writeBuffer(script, 8, 8);  // a read buffer grows on write
        } else {
            buffer.readBuffer(target, length, elementSize);
        }
    }
    buffer.getReadOffset();
    buffer.getFreeSize();
    std::free(buffer.getStartPointer());
    return 0;
}

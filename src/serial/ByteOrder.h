// Conversion between host byte order and the big-endian order of the wire
// images. Free functions over raw bytes: unaligned access is done through
// memcpy, which compilers turn into single loads and stores, and the swaps are
// the compiler's byte-swap builtins, so no path loops over single bytes.
#ifndef VKERRORHANDLING_SRC_SERIAL_BYTEORDER_H_
#define VKERRORHANDLING_SRC_SERIAL_BYTEORDER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace VkNSerial {

constexpr bool kHostIsBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

inline uint16_t hostToBig16(uint16_t value) { return kHostIsBigEndian ? value : __builtin_bswap16(value); }
inline uint32_t hostToBig32(uint32_t value) { return kHostIsBigEndian ? value : __builtin_bswap32(value); }
inline uint64_t hostToBig64(uint64_t value) { return kHostIsBigEndian ? value : __builtin_bswap64(value); }

// The conversion is its own inverse.
inline uint16_t bigToHost16(uint16_t value) { return hostToBig16(value); }
inline uint32_t bigToHost32(uint32_t value) { return hostToBig32(value); }
inline uint64_t bigToHost64(uint64_t value) { return hostToBig64(value); }

inline void storeBig32(unsigned char* target, uint32_t value) {
    value = hostToBig32(value);
    std::memcpy(target, &value, sizeof value);
}

inline void storeBig64(unsigned char* target, uint64_t value) {
    value = hostToBig64(value);
    std::memcpy(target, &value, sizeof value);
}

inline uint32_t loadBig32(const unsigned char* source) {
    uint32_t value;
    std::memcpy(&value, source, sizeof value);
    return bigToHost32(value);
}

inline uint64_t loadBig64(const unsigned char* source) {
    uint64_t value;
    std::memcpy(&value, source, sizeof value);
    return bigToHost64(value);
}

// Copies one element with its bytes reversed.
template <typename Word>
inline void swapElement(unsigned char* target, const unsigned char* source) {
    Word value;
    std::memcpy(&value, source, sizeof value);
    if constexpr (sizeof(Word) == 2) value = __builtin_bswap16(value);
    if constexpr (sizeof(Word) == 4) value = __builtin_bswap32(value);
    if constexpr (sizeof(Word) == 8) value = __builtin_bswap64(value);
    std::memcpy(target, &value, sizeof value);
}

// Copies `length` bytes, converting each `elementSize`-byte element between
// host and big-endian order (the same operation in both directions). The
// element size must be 1, 2, 4 or 8 and divide `length`; anything else copies
// nothing and returns false. `target` and `source` must not overlap.
inline bool copyConverted(unsigned char* target, const unsigned char* source, size_t length,
                          size_t elementSize) {
    if (elementSize == 0 || length % elementSize != 0) return false;
    if (elementSize == 1 || kHostIsBigEndian) {
        if (elementSize != 1 && elementSize != 2 && elementSize != 4 && elementSize != 8) return false;
        std::memcpy(target, source, length);
        return true;
    }
    switch (elementSize) {
        case 2:
            for (size_t i = 0; i < length; i += 2) swapElement<uint16_t>(target + i, source + i);
            return true;
        case 4:
            for (size_t i = 0; i < length; i += 4) swapElement<uint32_t>(target + i, source + i);
            return true;
        case 8:
            for (size_t i = 0; i < length; i += 8) swapElement<uint64_t>(target + i, source + i);
            return true;
        default:
            return false;
    }
}

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BYTEORDER_H_

#include "serial/BlockEncoder.h"

#include <cstddef>
#include <cstring>

#include "serial/ByteOrder.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

// Room not yet promised to any field, counted down as the block grows. The
// fixed part of the block is taken up front, so each string is checked once.
class Room {
  public:
    explicit Room(size_t free) : free_(free) {}

    bool take(size_t length) {
        if (length > free_) return false;
        free_ -= length;
        return true;
    }

  private:
    size_t free_;
};

// Copies a length-prefixed string with its NUL, measured here. Null when the
// string does not fit; then nothing was written.
unsigned char* putString(unsigned char* at, const char* text, Room& room, uint64_t& stringBytes) {
    const size_t length = std::strlen(text) + 1;
    if (!room.take(length)) return nullptr;
    storeBig32(at, static_cast<uint32_t>(length));
    std::memcpy(at + 4, text, length);
    stringBytes += length;
    return at + 4 + length;
}

}  // namespace

unsigned char* encodeBlockIfFits(unsigned char* at, unsigned char* limit,
                                 const VkErrorListAccess::Entry& entry, const char* messageTemplate,
                                 const BlockContext& context) {
    if (limit - at < static_cast<ptrdiff_t>(kMessageFixedSize)) return nullptr;
    Room room(static_cast<size_t>(limit - at) - kMessageFixedSize);
    unsigned char* const start = at;
    // The block size (at + 4) and the string bytes (at + 56) are known only
    // at the end; they are stored last.
    storeBig32(at, kMessageIdentifier);
    storeBig32(at + 8, kWireVersion);
    storeBig32(at + 12, kMessageHeaderBytes);
    storeBig32(at + 16, entry.originNode);
    storeBig32(at + 20, entry.messageType);
    storeBig32(at + 24, entry.lineNumber);
    storeBig64(at + 28, context.wireStamp);
    storeBig32(at + 36, entry.errorCode);
    storeBig32(at + 40, entry.displayMode);
    storeBig32(at + 44, entry.mainModuleNumber);
    storeBig32(at + 48, entry.subModuleNumber);
    storeBig32(at + 52, context.maxParameters);
    storeBig32(at + 60, kFixedStringCount);

    uint64_t stringBytes = 0;
    at = putString(at + 64, entry.formatString != nullptr ? entry.formatString : "", room, stringBytes);
    if (at == nullptr) return nullptr;
    at = putString(at, entry.functionName != nullptr ? entry.functionName : "", room, stringBytes);
    if (at == nullptr) return nullptr;
    at = putString(at, messageTemplate, room, stringBytes);
    if (at == nullptr) return nullptr;

    // String parameters are copied in place behind their count; the numbers
    // wait in parameter order until the strings' end is known. Doubles and
    // 64-bit integers share one section; the receiver tells them apart by the
    // format string.
    unsigned char* const stringCountField = at;
    at += 4;
    uint32_t stringCount = 0;
    uint32_t integerCount = 0;
    uint32_t wideCount = 0;
    uint32_t integers[kMaxAdditionalParameters];
    uint64_t wides[kMaxAdditionalParameters];
    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (const VkSParameter* slot = entry.additionalParameters; slot != entry.additionalParameters + count;
         ++slot) {
        switch (slot->type) {
            case kParameterString:
                if (!room.take(4)) return nullptr;
                at = putString(at, slot->value.stringValue != nullptr ? slot->value.stringValue : "", room,
                               stringBytes);
                if (at == nullptr) return nullptr;
                ++stringCount;
                break;
            case kParameterInt32:
                integers[integerCount++] = static_cast<uint32_t>(slot->value.int32Value);
                break;
            case kParameterDouble:
                std::memcpy(&wides[wideCount++], &slot->value.doubleValue, sizeof(uint64_t));
                break;
            case kParameterInt64:
                wides[wideCount++] = static_cast<uint64_t>(slot->value.int64Value);
                break;
            default:  // an empty slot travels nowhere
                break;
        }
    }
    if (!room.take(4 * size_t{integerCount} + 8 * size_t{wideCount})) return nullptr;
    storeBig32(stringCountField, stringCount);
    storeBig32(at, integerCount);
    at += 4;
    for (uint32_t i = 0; i < integerCount; ++i, at += 4) storeBig32(at, integers[i]);
    storeBig32(at, wideCount);
    at += 4;
    for (uint32_t i = 0; i < wideCount; ++i, at += 8) storeBig64(at, wides[i]);

    storeBig32(start + 4, static_cast<uint32_t>(at - start));
    storeBig32(start + 56, static_cast<uint32_t>(stringBytes));
    return at;
}

}  // namespace VkNSerial

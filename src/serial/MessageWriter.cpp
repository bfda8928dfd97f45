#include "serial/MessageWriter.h"

#include <cstring>

#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "serial/BlockTemplates.h"
#include "serial/BlockWriter.h"
#include "serial/ByteOrder.h"
#include "serial/ObjectBufferAccess.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

template <typename Writer>
void writeParameterSections(Writer& writer, const VkErrorListAccess::Entry& entry,
                            const MessageLayout& layout) {
    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    const VkSParameter* slots = entry.additionalParameters;

    writer.putU32(layout.stringCount);
    for (uint32_t i = 0, string = 0; i < count; ++i) {
        if (slots[i].type != kParameterString) continue;
        const char* text = slots[i].value.stringValue != nullptr ? slots[i].value.stringValue : "";
        writer.putString(text, layout.stringLengths[string++]);
    }
    writer.putU32(layout.integerCount);
    for (uint32_t i = 0; i < count; ++i) {
        if (slots[i].type == kParameterInt32) writer.putU32(static_cast<uint32_t>(slots[i].value.int32Value));
    }
    // Doubles and 64-bit integers share one section, in parameter order; the
    // receiver tells them apart by the format string.
    writer.putU32(layout.wideCount);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t bits;
        if (slots[i].type == kParameterDouble) {
            std::memcpy(&bits, &slots[i].value.doubleValue, sizeof bits);
        } else if (slots[i].type == kParameterInt64) {
            bits = static_cast<uint64_t>(slots[i].value.int64Value);
        } else {
            continue;
        }
        writer.putU64(bits);
    }
}

// Every field of one message block, in wire order.
template <typename Writer>
void writeBlock(Writer& writer, const VkErrorListAccess::Entry& entry, const MessageLayout& layout,
                const WriteContext& context, uint32_t maxParameters) {
    writer.putU32(kMessageIdentifier);
    writer.putU32(static_cast<uint32_t>(layout.messageSize));
    writer.putU32(kWireVersion);
    writer.putU32(kMessageHeaderBytes);
    writer.putU32(entry.originNode);
    writer.putU32(entry.messageType);
    writer.putU32(entry.lineNumber);
    writer.putU64(scaleStamp(entry.timeStamp, context.stampFactor));
    writer.putU32(entry.errorCode);
    writer.putU32(entry.displayMode);
    writer.putU32(entry.mainModuleNumber);
    writer.putU32(entry.subModuleNumber);
    writer.putU32(maxParameters);
    writer.putU32(static_cast<uint32_t>(layout.formatLength + layout.functionLength + layout.templateLength +
                                        layout.stringParameterBytes));
    writer.putU32(kFixedStringCount);
    writer.putString(layout.formatString, layout.formatLength);
    writer.putString(layout.functionName, layout.functionLength);
    writer.putString(layout.messageTemplate, layout.templateLength);
    writeParameterSections(writer, entry, layout);
}

unsigned char* putString(unsigned char* at, const char* text, uint32_t lengthWithNul) {
    storeBig32(at, lengthWithNul);
    std::memcpy(at + 4, text, lengthWithNul);
    return at + 4 + lengthWithNul;
}

// The parameter sections, for a block known to fit. Their starts follow from
// the layout, so one walk over the slots fills all three.
unsigned char* encodeParameterSections(unsigned char* at, const VkErrorListAccess::Entry& entry,
                                       const MessageLayout& layout) {
    unsigned char* strings = at;
    unsigned char* integers = strings + 4 + 4 * layout.stringCount + layout.stringParameterBytes;
    unsigned char* wides = integers + 4 + 4 * layout.integerCount;
    unsigned char* const end = wides + 4 + 8 * layout.wideCount;
    storeBig32(strings, layout.stringCount);
    storeBig32(integers, layout.integerCount);
    storeBig32(wides, layout.wideCount);
    strings += 4;
    integers += 4;
    wides += 4;

    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    const uint32_t* stringLength = layout.stringLengths;
    for (const VkSParameter* slot = entry.additionalParameters; slot != entry.additionalParameters + count;
         ++slot) {
        switch (slot->type) {
            case kParameterString: {
                const char* text = slot->value.stringValue != nullptr ? slot->value.stringValue : "";
                strings = putString(strings, text, *stringLength++);
                break;
            }
            case kParameterInt32:
                storeBig32(integers, static_cast<uint32_t>(slot->value.int32Value));
                integers += 4;
                break;
            // Doubles and 64-bit integers share one section, in parameter
            // order; the receiver tells them apart by the format string.
            case kParameterDouble: {
                uint64_t bits;
                std::memcpy(&bits, &slot->value.doubleValue, sizeof bits);
                storeBig64(wides, bits);
                wides += 8;
                break;
            }
            case kParameterInt64:
                storeBig64(wides, static_cast<uint64_t>(slot->value.int64Value));
                wides += 8;
                break;
            default:
                break;
        }
    }
    return end;
}

// The whole block in wire order, for a region known to hold it: the same
// bytes writeBlock writes, stored without a check per field.
unsigned char* encodeBlock(unsigned char* at, const VkErrorListAccess::Entry& entry,
                           const MessageLayout& layout, const WriteContext& context, uint32_t maxParameters) {
    storeBig32(at, kMessageIdentifier);
    storeBig32(at + 4, static_cast<uint32_t>(layout.messageSize));
    storeBig32(at + 8, kWireVersion);
    storeBig32(at + 12, kMessageHeaderBytes);
    storeBig32(at + 16, entry.originNode);
    storeBig32(at + 20, entry.messageType);
    storeBig32(at + 24, entry.lineNumber);
    storeBig64(at + 28, scaleStamp(entry.timeStamp, context.stampFactor));
    storeBig32(at + 36, entry.errorCode);
    storeBig32(at + 40, entry.displayMode);
    storeBig32(at + 44, entry.mainModuleNumber);
    storeBig32(at + 48, entry.subModuleNumber);
    storeBig32(at + 52, maxParameters);
    storeBig32(at + 56, static_cast<uint32_t>(layout.formatLength + layout.functionLength +
                                              layout.templateLength + layout.stringParameterBytes));
    storeBig32(at + 60, kFixedStringCount);
    at = putString(at + 64, layout.formatString, layout.formatLength);
    at = putString(at, layout.functionName, layout.functionLength);
    at = putString(at, layout.messageTemplate, layout.templateLength);
    return encodeParameterSections(at, entry, layout);
}

// Sending stamps the entry for good: a receiver must know where it came
// from, and the module numbers are looked up once.
void stampForSending(VkCErrorList& list, uint32_t index, VkErrorListAccess::Entry& entry,
                     const WriteContext& context) {
    if (entry.originNode == 0) entry.originNode = context.myNodeId;
    VkErrorListAccess::setMainSubModule(list, index);
}

}  // namespace

WriteContext currentWriteContext() {
    const VkCErrorManager& manager = VkCErrorManager::getInstance();
    return {manager.getMyNodeId(), manager.getTimeStampTickDuration() / kWireTickSeconds};
}

bool appendMessage(VkCErrorList& list, uint32_t index, const MessageLayout& layout,
                   const WriteContext& context, VkCObjectBuffer& buffer) {
    VkErrorListAccess::Entry& entry = *VkErrorListAccess::entryAt(list, index);
    stampForSending(list, index, entry, context);

    // Caller memory that is too small takes the fields that fit, as separate
    // writes would; an owned block grows once, to the size separate writes
    // would leave it with.
    VkObjectBufferAccess::grow(buffer, fieldByFieldGrowth(layout, buffer.getFreeSize()));
    unsigned char* cursor = VkObjectBufferAccess::writeCursor(buffer);
    unsigned char* limit = VkObjectBufferAccess::writeLimit(buffer);
    const uint32_t maxParameters = list.getMaxAdditionalParameters(index);
    // The usual case, a block that fits whole, needs no check per field.
    if (cursor != nullptr && static_cast<uint64_t>(limit - cursor) >= layout.messageSize) {
        VkObjectBufferAccess::commitWrite(buffer, encodeBlock(cursor, entry, layout, context, maxParameters));
        return true;
    }
    BlockWriter writer(cursor, limit);
    writeBlock(writer, entry, layout, context, maxParameters);
    VkObjectBufferAccess::commitWrite(buffer, writer.cursor());
    return !writer.failed();
}

bool appendMessages(VkCErrorList& list, uint32_t count, const WriteContext& context,
                    VkCObjectBuffer& buffer) {
    VkErrorListAccess::Entry* const entries = VkErrorListAccess::entries(list);
    BlockTemplates templates;
    MessageLayout layout;
    unsigned char* cursor = VkObjectBufferAccess::writeCursor(buffer);
    unsigned char* limit = VkObjectBufferAccess::writeLimit(buffer);
    for (uint32_t index = 0; index < count; ++index) {
        VkErrorListAccess::Entry& entry = entries[index];
        measureEntry(entry, templates.templateOf(entry), layout);
        if (cursor != nullptr && static_cast<uint64_t>(limit - cursor) >= layout.messageSize) {
            stampForSending(list, index, entry, context);
            cursor = encodeBlock(cursor, entry, layout, context, list.getMaxAdditionalParameters(index));
            continue;
        }
        // A block that does not fit takes the careful path, which grows an
        // owned block or writes the fields that fit into caller memory.
        VkObjectBufferAccess::commitWrite(buffer, cursor);
        if (!appendMessage(list, index, layout, context, buffer)) return false;
        cursor = VkObjectBufferAccess::writeCursor(buffer);
        limit = VkObjectBufferAccess::writeLimit(buffer);
    }
    VkObjectBufferAccess::commitWrite(buffer, cursor);
    return true;
}

uint64_t measureMessages(const VkCErrorList& list, uint32_t count) {
    const VkErrorListAccess::Entry* const entries = VkErrorListAccess::entries(list);
    BlockTemplates templates;
    MessageLayout layout;
    uint64_t total = 0;
    for (uint32_t index = 0; index < count; ++index) {
        measureEntry(entries[index], templates.templateOf(entries[index]), layout);
        total += layout.messageSize;
    }
    return total;
}

}  // namespace VkNSerial

bool VkCErrorList::serializeMessage(uint32_t index, VkCObjectBuffer* buffer, uint32_t& size) {
    size = 0;
    if (buffer == nullptr || entryAt(index) == nullptr) return false;
    const uint32_t start = buffer->getOccupiedSize();
    const VkNSerial::MessageLayout layout = VkNSerial::measureMessage(*this, index);
    if (layout.messageSize > UINT32_MAX) return false;
    if (!VkNSerial::appendMessage(*this, index, layout, VkNSerial::currentWriteContext(), *buffer))
        return false;
    size = buffer->getOccupiedSize() - start;
    return true;
}

unsigned char* VkCErrorList::getSerializedMessage(uint32_t index, uint32_t& size) {
    size = 0;
    VkCObjectBuffer buffer;
    uint32_t blockSize = 0;
    if (!serializeMessage(index, &buffer, blockSize)) return nullptr;
    size = buffer.getOccupiedSize();
    return buffer.getStartPointer();
}

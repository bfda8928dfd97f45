#include "serial/MessageWriter.h"

#include <cstring>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/ModuleTable.h"
#include "list/ErrorEntry.h"
#include "serial/BlockEncoder.h"
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

// The header values of entry `index` that the entry does not hold itself.
BlockContext blockContext(const VkCErrorList& list, uint32_t index, const VkErrorListAccess::Entry& entry,
                          const WriteContext& context) {
    return {scaleStamp(entry.timeStamp, context.stampFactor), list.getMaxAdditionalParameters(index)};
}

// Sending stamps the entry for good: a receiver must know where it came
// from, and the module numbers are looked up once. The rule is the list's
// setMainSubModule; here a field is stored only when its value changes, since
// a code without module numbers would otherwise dirty every entry of a list
// on every send.
void stampForSending(VkErrorListAccess::Entry& entry, const WriteContext& context) {
    if (entry.originNode == 0 && context.myNodeId != 0) entry.originNode = context.myNodeId;
    if (entry.mainModuleNumber != 0 || entry.subModuleNumber != 0) return;
    uint32_t mainModule = 0;
    uint32_t subModule = 0;
    VkNCatalogue::getModuleNumbers(entry.errorCode, mainModule, subModule);
    if (mainModule == 0 && subModule == 0) return;
    entry.mainModuleNumber = mainModule;
    entry.subModuleNumber = subModule;
}

}  // namespace

WriteContext currentWriteContext() {
    const VkCErrorManager& manager = VkCErrorManager::getInstance();
    return {manager.getMyNodeId(), manager.getTimeStampTickDuration() / kWireTickSeconds};
}

bool appendMessage(VkCErrorList& list, uint32_t index, const MessageLayout& layout,
                   const WriteContext& context, VkCObjectBuffer& buffer) {
    VkErrorListAccess::Entry& entry = *VkErrorListAccess::entryAt(list, index);
    stampForSending(entry, context);

    // Caller memory that is too small takes the fields that fit, as separate
    // writes would; an owned block grows once, to the size separate writes
    // would leave it with.
    VkObjectBufferAccess::grow(buffer, fieldByFieldGrowth(layout, buffer.getFreeSize()));
    unsigned char* cursor = VkObjectBufferAccess::writeCursor(buffer);
    unsigned char* limit = VkObjectBufferAccess::writeLimit(buffer);
    // The usual case, a block that fits whole, needs no check per field.
    if (cursor != nullptr && static_cast<uint64_t>(limit - cursor) >= layout.messageSize) {
        unsigned char* end = encodeBlockIfFits(cursor, limit, entry, layout.messageTemplate,
                                               blockContext(list, index, entry, context));
        if (end != nullptr) {
            VkObjectBufferAccess::commitWrite(buffer, end);
            return true;
        }
    }
    BlockWriter writer(cursor, limit);
    writeBlock(writer, entry, layout, context, list.getMaxAdditionalParameters(index));
    VkObjectBufferAccess::commitWrite(buffer, writer.cursor());
    return !writer.failed();
}

bool appendMessages(VkCErrorList& list, uint32_t count, const WriteContext& context,
                    VkCObjectBuffer& buffer) {
    VkErrorListAccess::Entry* const entries = VkErrorListAccess::entries(list);
    BlockTemplates templates;
    unsigned char* cursor = VkObjectBufferAccess::writeCursor(buffer);
    unsigned char* limit = VkObjectBufferAccess::writeLimit(buffer);
    for (uint32_t index = 0; index < count; ++index) {
        VkErrorListAccess::Entry& entry = entries[index];
        const char* messageTemplate = templates.templateOf(entry);
        stampForSending(entry, context);
        if (cursor != nullptr) {
            unsigned char* end = encodeBlockIfFits(cursor, limit, entry, messageTemplate,
                                                   blockContext(list, index, entry, context));
            if (end != nullptr) {
                cursor = end;
                continue;
            }
        }
        // A block that does not fit takes the careful path, which grows an
        // owned block or writes the fields that fit into caller memory. What
        // the attempt left is rewritten with the same bytes; stamping again
        // changes nothing.
        VkObjectBufferAccess::commitWrite(buffer, cursor);
        MessageLayout layout;
        measureEntry(entry, messageTemplate, layout);
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
    if (buffer == nullptr || VkErrorListAccess::entryAt(*this, index) == nullptr) return false;
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

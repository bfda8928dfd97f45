#include "serial/ListReader.h"

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"
#include "serial/ByteReader.h"
#include "serial/MessageReader.h"
#include "serial/RegularBlock.h"
#include "serial/WireFormat.h"

namespace {

constexpr const char* kFunction = "VkCErrorList::deSerialize";

// Reporting into the master error list, skipped when there is none. The
// list is looked up only when there is something to report: that lookup
// took a tenth of reading a one-message image.
template <typename... Values>
void report(uint32_t code, uint32_t line, const char* format, Values... values) {
    if (VkCErrorList* master = VkNSerial::reportList())
        master->setError(code, line, kFunction, format, values...);
}

}  // namespace

namespace VkNSerial {

int32_t readList(VkCErrorList& list, const unsigned char* data, uint32_t length, BlockPath path) {
    using Access = VkErrorListAccess;
    ByteReader reader = payloadReader(data, length);

    uint32_t identifier = 0;
    if (!reader.readU32(identifier)) return -1;
    if (identifier != kListIdentifier) {
        report(VkNCatalogue::kCodeListIdentifier, __LINE__, "%08X%08X", static_cast<int32_t>(kListIdentifier),
               static_cast<int32_t>(identifier));
        return -1;
    }
    // Bytes the image still declares, counted down as fields are read; signed
    // and wide, so a hostile size can neither wrap nor overflow it.
    uint32_t listSize = 0;
    if (!reader.readU32(listSize)) return -1;
    int64_t remaining = int64_t{listSize} - 8;

    uint32_t version = 0;
    if (!reader.readU32(version)) return -1;
    remaining -= 4;
    if (version != kWireVersion) {
        report(VkNCatalogue::kCodeListVersion, __LINE__, "%08X%08X", static_cast<int32_t>(kWireVersion),
               static_cast<int32_t>(version));
        return -1;
    }
    uint32_t headerBytes = 0;
    uint32_t messageCount = 0;
    uint32_t messageIdentifier = 0;
    if (!reader.readU32(headerBytes) || !reader.readU32(Access::nodeId(list)) ||
        !reader.readU32(Access::applicationId(list)) || !reader.readU32(messageCount) ||
        !reader.readU32(messageIdentifier)) {
        return -1;
    }
    remaining -= 4 + 16;
    // Newer senders may add header fields behind the known ones.
    const int64_t headerRemaining = int64_t{headerBytes} - kListHeaderBytes;
    if (headerRemaining > 0) {
        if (!reader.skip(static_cast<uint64_t>(headerRemaining))) return -1;
        remaining -= headerRemaining;
    }
    if (headerRemaining < 0) {
        report(VkNCatalogue::kCodeListHeaderBytes, __LINE__, "%d", static_cast<int32_t>(headerRemaining));
        return -1;
    }

    // Every turn consumes a whole block of at least 8 bytes, so a hostile
    // count ends with the input.
    // Wide, so a hostile count cannot overflow it; it is returned only once
    // every block has been read, and blocks take at least 8 bytes each.
    int64_t stored = messageCount;
    const double stampFactor = receiveStampFactor();
    FormatPlans plans;
    for (uint32_t i = 0; i < messageCount; ++i) {
        ByteReader blockStart = reader;
        uint32_t blockIdentifier = 0;
        uint32_t messageSize = 0;
        if (!reader.readU32(blockIdentifier)) return -1;
        if (blockIdentifier != messageIdentifier) {
            report(VkNCatalogue::kCodeBlockIdentifier, __LINE__, "%d%08X%08X", static_cast<int32_t>(i),
                   static_cast<int32_t>(messageIdentifier), static_cast<int32_t>(blockIdentifier));
            return -1;
        }
        // A block too small for its own identifier and size would be read
        // again and again by a full list; it ends the read instead.
        if (!reader.readU32(messageSize) || messageSize > remaining || messageSize < 8) return -1;
        const unsigned char* block = nullptr;
        if (!blockStart.take(messageSize, block)) return -1;
        reader = blockStart;
        remaining -= messageSize;

        int32_t result = 0;
        uint32_t& used = Access::usedEntries(list);
        if (used < Access::numberOfEntries(list)) {
            // The block is whole in the image, so a regular one goes straight
            // to the fast path: the message reader's setup and its second
            // look at identifier and size cost 104 instructions a block.
            const bool regular =
                path == BlockPath::kRegularFirst && blockIdentifier == kMessageIdentifier &&
                readRegularBlock(*Access::entryForWrite(list, used), Access::maxAdditionalParameters(list),
                                 block + 8, messageSize - 8u, stampFactor, &plans);
            if (!regular) {
                ByteReader blockReader(block, messageSize);
                result =
                    readMessage(list, used, blockReader, 0, stampFactor, &plans, BlockPath::kFieldByField);
            }
            if (result == 0) ++used;
        } else {
            --stored;  // dropped silently; a full list only counts
        }
        ++Access::errorCount(list);
        if (result != 0) return -1;
    }

    if (remaining != kListTerminationSize) {
        report(VkNCatalogue::kCodeListRemainingBytes, __LINE__, "%d%d",
               static_cast<int32_t>(kListTerminationSize),
               static_cast<int32_t>(static_cast<uint32_t>(remaining)));
        return -1;
    }
    uint32_t words[3] = {};
    if (!reader.readU32(words[0]) || !reader.readU32(words[1]) || !reader.readU32(words[2])) return -1;
    for (int i = 0; i < 3; ++i) {
        if (words[i] != kTerminationWords[i]) {
            // No values, so no format string: clang rejects a non-literal one without values.
            if (VkCErrorList* master = reportList())
                master->setError(VkNCatalogue::kCodeListTermination, __LINE__, kFunction, nullptr);
            return -1;
        }
    }
    return static_cast<int32_t>(stored);
}

}  // namespace VkNSerial

int32_t VkCErrorList::deSerialize(const unsigned char* data, uint32_t length) {
    return VkNSerial::readList(*this, data, length, VkNSerial::BlockPath::kRegularFirst);
}

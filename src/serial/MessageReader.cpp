#include "serial/MessageReader.h"

#include <cstring>
#include <memory>

#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "list/ParameterSlots.h"
#include "serial/ObjectBufferAccess.h"
#include "serial/RegularBlock.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

constexpr const char* kFunction = "VkCErrorList::deSerializeMessage";

// A received string as a C string: its bytes up to the first NUL, the last
// byte always taken as the NUL. A well-formed string already ends in its NUL
// and is used in place; any other is copied once. Not copyable: the text may
// point into the object.
class ReceivedText {
  public:
    ReceivedText(const unsigned char* bytes, uint32_t length) {
        if (length == 0) {
            text_ = "";
        } else if (bytes[length - 1] == '\0') {
            text_ = reinterpret_cast<const char*>(bytes);
        } else {
            copy_.reset(new char[length]);
            std::memcpy(copy_.get(), bytes, length - 1);
            copy_[length - 1] = '\0';
            text_ = copy_.get();
        }
    }
    ReceivedText(const ReceivedText&) = delete;
    ReceivedText& operator=(const ReceivedText&) = delete;

    const char* c_str() const { return text_; }

  private:
    // Held only for a string without its NUL: most need no copy.
    std::unique_ptr<char[]> copy_;
    const char* text_;
};

// The parameter sections of a block. Only the first values of each section
// are kept: an entry stores at most kMaxAdditionalParameters parameters, so
// the format walk never takes more from any section.
struct Sections {
    struct Bytes {
        const unsigned char* data;
        uint32_t length;
    };
    uint32_t stringCount = 0;
    uint32_t integerCount = 0;
    uint32_t wideCount = 0;
    // Only the first min(count, kMaxAdditionalParameters) of each are set,
    // and only those are read.
    Bytes strings[kMaxAdditionalParameters];
    int32_t integers[kMaxAdditionalParameters];
    uint64_t wides[kMaxAdditionalParameters];
};

// Reads one block into one entry. Short-lived, on the stack of a reader call.
class MessageBlockReader {
  public:
    MessageBlockReader(VkCErrorList& list, uint32_t index, ByteReader& reader, uint32_t reportBase,
                       double stampFactor, FormatPlans* plans, BlockPath path)
        : maxParameters_(VkErrorListAccess::maxAdditionalParameters(list)),
          entry_(*VkErrorListAccess::entryForWrite(list, index)),
          reader_(reader),
          reportBase_(reportBase),
          stampFactor_(stampFactor),
          plans_(plans),
          path_(path),
          format_(nullptr),
          formatBytes_(nullptr),
          formatLength_(0) {}

    int32_t read() {
        uint32_t messageSize = 0;
        if (!findBlock(messageSize)) return -1;
        if (path_ == BlockPath::kRegularFirst && readRegular(messageSize)) return 0;
        const size_t blockStart = reader_.offset() - 8;
        if (!readHeader() || !readFixedStrings()) return -1;
        // The old parameters go before the new ones arrive, strings freed.
        VkNList::releaseParameters(entry_);
        Sections sections;
        if (!readSections(sections)) return -1;
        if (format_ != nullptr) takeParameters(sections);
        const uint64_t consumed = reader_.offset() - blockStart;
        if (consumed != messageSize) {
            report(VkNCatalogue::kCodeMessageRemainingBytes, __LINE__, "%08X%d%d", reportOffset(),
                   static_cast<int32_t>(messageSize), static_cast<int32_t>(consumed));
            return -1;
        }
        return 0;
    }

  private:
    // The fast path, for a block that lies whole in the input and, in a
    // buffer, before its write position, so that every read of the field-by-
    // field reader would have been allowed.
    bool readRegular(uint32_t messageSize) {
        if (messageSize < 8) return false;
        ByteReader probe = reader_;
        const uint64_t length = messageSize - 8u;
        const unsigned char* body = nullptr;
        if (!probe.takeRun(length, length, body) ||
            !readRegularBlock(entry_, maxParameters_, body, length, stampFactor_, plans_)) {
            return false;
        }
        reader_ = probe;
        return true;
    }

    template <typename... Values>
    void report(uint32_t code, uint32_t line, const char* format, Values... values) {
        if (VkCErrorList* master = reportList()) master->setError(code, line, kFunction, format, values...);
    }

    int32_t reportOffset() const { return static_cast<int32_t>(reportBase_ + reader_.offset()); }

    // Steps over blocks of other kinds. Each turn consumes at least the
    // 8 bytes of identifier and size, so the loop ends with the input.
    bool findBlock(uint32_t& messageSize) {
        uint32_t identifier = 0;
        if (!reader_.readU32(identifier) || !reader_.readU32(messageSize)) return false;
        while (identifier != kMessageIdentifier) {
            if (messageSize < 8) return false;
            // A foreign block running past the input is not skipped: the
            // next read starts right behind its size.
            reader_.skip(messageSize - 8u);
            if (!reader_.readU32(identifier) || !reader_.readU32(messageSize)) return false;
        }
        return true;
    }

    bool readHeader() {
        uint32_t version = 0;
        if (!reader_.readU32(version)) return false;
        if (version != kWireVersion) {
            report(VkNCatalogue::kCodeMessageVersion, __LINE__, "%08X%08X%08x", reportOffset(),
                   static_cast<int32_t>(kWireVersion), static_cast<int32_t>(version));
            return false;
        }
        uint32_t headerBytes = 0;
        if (!readFixedHeader(headerBytes)) return false;
        // Newer senders may add header fields behind the known ones; they
        // are stepped over as single-byte reads.
        if (headerBytes > kMessageHeaderBytes) {
            const unsigned char* extra = nullptr;
            return reader_.takeEach(headerBytes - kMessageHeaderBytes, 1, extra);
        }
        if (headerBytes < kMessageHeaderBytes) {
            report(VkNCatalogue::kCodeMessageHeaderBytes, __LINE__, "%08X%d%d", reportOffset(),
                   static_cast<int32_t>(headerBytes), static_cast<int32_t>(kMessageHeaderBytes));
            return false;
        }
        return true;
    }

    // The header fields behind the version. When all of them are there they
    // are checked as one run; otherwise they are read one by one, so that the
    // entry takes the fields that arrived, as before a short read.
    bool readFixedHeader(uint32_t& headerBytes) {
        constexpr uint32_t kLength = kMessageHeaderBytes;  // header bytes to string bytes
        const unsigned char* at = nullptr;
        if (reader_.takeRun(kLength, kLength - 4, at)) {
            headerBytes = loadBig32(at);
            storeHeaderFields(entry_, at, stampFactor_);
            // at + 40 and at + 44: the sender's parameter limit and the
            // string bytes, neither needed here.
            return true;
        }
        uint64_t wireStamp = 0;
        uint32_t ignored = 0;
        if (!reader_.readU32(headerBytes) || !reader_.readU32(entry_.originNode) ||
            !reader_.readU32(entry_.messageType) || !reader_.readU32(entry_.lineNumber) ||
            !reader_.readU64(wireStamp)) {
            return false;
        }
        entry_.timeStamp = scaleStamp(wireStamp, stampFactor_);
        if (!reader_.readU32(entry_.errorCode) || !reader_.readU32(entry_.displayMode) ||
            !reader_.readU32(entry_.mainModuleNumber) || !reader_.readU32(entry_.subModuleNumber) ||
            !reader_.readU32(ignored) /* the sender's parameter limit */ ||
            !reader_.readU32(ignored) /* the string bytes */) {
            return false;
        }
        return true;
    }

    bool readString(const unsigned char*& bytes, uint32_t& length) {
        return reader_.readU32(length) && reader_.take(length, bytes);
    }

    bool readFixedStrings() {
        uint32_t count = 0;
        if (!reader_.readU32(count)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const unsigned char* bytes = nullptr;
            uint32_t length = 0;
            if (!readString(bytes, length)) return false;
            const ReceivedText text(bytes, length);
            switch (i) {
                case 0:
                    VkNList::replaceString(entry_.formatString, text.c_str());
                    format_ = entry_.formatString != nullptr ? entry_.formatString : "";
                    formatBytes_ = bytes;
                    formatLength_ = length;
                    break;
                case 1:
                    VkNList::replaceString(entry_.functionName, text.c_str());
                    break;
                case 2:
                    VkNList::replaceString(entry_.messageTemplate, text.c_str());
                    break;
                default:
                    report(VkNCatalogue::kCodeSuperfluousString, __LINE__, "%08X%d", reportOffset(),
                           static_cast<int32_t>(i));
                    return false;
            }
        }
        return true;
    }

    // Bounds every section against the bytes left before walking it, so a
    // hostile count costs no more than the input it claims.
    bool readSections(Sections& sections) {
        if (!reader_.readU32(sections.stringCount)) return false;
        for (uint32_t i = 0; i < sections.stringCount; ++i) {
            const unsigned char* bytes = nullptr;
            uint32_t length = 0;
            if (!readString(bytes, length)) return false;
            if (i < kMaxAdditionalParameters) sections.strings[i] = {bytes, length};
        }
        const unsigned char* values = nullptr;
        if (!reader_.readU32(sections.integerCount) || !reader_.takeEach(sections.integerCount, 4, values)) {
            return false;
        }
        for (uint32_t i = 0; i < sections.integerCount && i < kMaxAdditionalParameters; ++i) {
            sections.integers[i] = static_cast<int32_t>(loadBig32(values + 4 * i));
        }
        if (!reader_.readU32(sections.wideCount) || !reader_.takeEach(sections.wideCount, 8, values)) {
            return false;
        }
        for (uint32_t i = 0; i < sections.wideCount && i < kMaxAdditionalParameters; ++i) {
            sections.wides[i] = loadBig64(values + 8 * i);
        }
        return true;
    }

    // Takes the sections' values in the order and with the types the format
    // string gives them (see FormatPlan). A section that runs out yields 0,
    // "" or 0.0.
    void takeParameters(const Sections& sections) {
        FormatPlan ownPlan;
        const FormatPlan* plan = &ownPlan;
        if (plans_ != nullptr) {
            plan = &plans_->planFor(formatBytes_, formatLength_, format_);
        } else {
            ownPlan = planFormat(format_);
        }
        uint32_t nextString = 0;
        uint32_t nextInteger = 0;
        uint32_t nextWide = 0;
        for (uint32_t i = 0; i < plan->count; ++i) {
            switch (plan->kinds[i]) {
                case FormatPlan::kString:
                    if (nextString < sections.stringCount) {
                        const Sections::Bytes& bytes = sections.strings[nextString];
                        const ReceivedText text(bytes.data, bytes.length);
                        VkNList::appendString(entry_, maxParameters_, text.c_str());
                    } else {
                        VkNList::appendString(entry_, maxParameters_, "");
                    }
                    ++nextString;
                    break;
                case FormatPlan::kWideInteger: {
                    const uint64_t bits = nextWide < sections.wideCount ? sections.wides[nextWide] : 0;
                    VkNList::appendInt64(entry_, maxParameters_, static_cast<int64_t>(bits));
                    ++nextWide;
                    break;
                }
                case FormatPlan::kInteger: {
                    const int32_t value =
                        nextInteger < sections.integerCount ? sections.integers[nextInteger] : 0;
                    VkNList::appendInt32(entry_, maxParameters_, value);
                    ++nextInteger;
                    break;
                }
                default: {
                    double value = 0.0;
                    if (nextWide < sections.wideCount)
                        std::memcpy(&value, &sections.wides[nextWide], sizeof value);
                    VkNList::appendDouble(entry_, maxParameters_, value);
                    ++nextWide;
                    break;
                }
            }
        }
    }

    // The entry is written directly, with the list's own string and
    // parameter rules: the public setters would look it up for every field.
    const uint32_t maxParameters_;
    VkErrorListAccess::Entry& entry_;
    ByteReader& reader_;
    const uint32_t reportBase_;
    const double stampFactor_;
    // Plans of the formats already seen in this image; null for none.
    FormatPlans* const plans_;
    const BlockPath path_;
    // The received format string as stored in the entry, and its bytes in
    // the image; null until read.
    const char* format_;
    const unsigned char* formatBytes_;
    uint32_t formatLength_;
};

}  // namespace

VkCErrorList* reportList() {
    VkCErrorList& master = VkCErrorManager::getInstance().getMasterErrorList();
    return master.getNumberOfEntries() != 0 ? &master : nullptr;
}

ByteReader payloadReader(const unsigned char* data, uint32_t length) {
    if (data == nullptr || length < 4) return ByteReader(nullptr, 0);
    const uint32_t imageLength = loadBig32(data);
    if (static_cast<int32_t>(imageLength) < 0 || imageLength > length || imageLength < 4) {
        return ByteReader(nullptr, 0);
    }
    return ByteReader(data + 4, imageLength - 4);
}

double receiveStampFactor() {
    return kWireTickSeconds / VkCErrorManager::getInstance().getTimeStampTickDuration();
}

int32_t readMessage(VkCErrorList& list, uint32_t index, ByteReader& reader, uint32_t reportBase,
                    double stampFactor, FormatPlans* plans, BlockPath path) {
    if (VkErrorListAccess::entryAt(list, index) == nullptr) return -1;
    MessageBlockReader blockReader(list, index, reader, reportBase, stampFactor, plans, path);
    return blockReader.read();
}

int32_t readBufferedMessage(VkCErrorList& list, uint32_t index, VkCObjectBuffer& buffer, BlockPath path) {
    if (VkErrorListAccess::entryAt(list, index) == nullptr) return -1;
    ByteReader reader(VkObjectBufferAccess::readCursor(buffer), VkObjectBufferAccess::readableSize(buffer),
                      VkObjectBufferAccess::writtenAhead(buffer));
    const int32_t result =
        readMessage(list, index, reader, buffer.getReadOffset(), receiveStampFactor(), nullptr, path);
    VkObjectBufferAccess::advanceRead(buffer, reader.offset());
    return result;
}

int32_t readMessageImage(VkCErrorList& list, uint32_t index, const unsigned char* data, uint32_t length,
                         BlockPath path) {
    if (VkErrorListAccess::entryAt(list, index) == nullptr) return -1;
    ByteReader reader = payloadReader(data, length);
    return readMessage(list, index, reader, 0, receiveStampFactor(), nullptr, path);
}

}  // namespace VkNSerial

int32_t VkCErrorList::deSerializeMessage(uint32_t index, VkCObjectBuffer& buffer) {
    return VkNSerial::readBufferedMessage(*this, index, buffer, VkNSerial::BlockPath::kRegularFirst);
}

int32_t VkCErrorList::deSerializeMessage(uint32_t index, const unsigned char* data, uint32_t length) {
    return VkNSerial::readMessageImage(*this, index, data, length, VkNSerial::BlockPath::kRegularFirst);
}

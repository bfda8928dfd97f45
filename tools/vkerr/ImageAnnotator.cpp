#include "ImageAnnotator.h"

#include <cstdint>
#include <cstring>

#include "ImageFormat.h"
#include "TextUtil.h"

namespace VkNTool {
namespace {

const char* messageTypeName(uint32_t type) {
    static const char* const kNames[] = {"Log", "Info", "Warning", "Error", "Severe Error", "Event"};
    return type < 6 ? kNames[type] : "Unknown Type";
}

// What the message reader's walk over the format string takes from each
// section: strings, 32-bit integers, and the kinds of the wide values in
// order ('i' a 64-bit integer, 'd' a double). Wide values carry no tag on
// the wire, so this is the only way to show them as what they are.
struct FormatDemand {
    size_t strings = 0;
    size_t integers = 0;
    std::string wideKinds;
};

bool isReaderConversion(char c) { return c != '\0' && std::strchr("iduxXsfegEGp", c) != nullptr; }

FormatDemand walkFormat(const std::string& format) {
    FormatDemand demand;
    size_t pos = 0;
    while (pos < format.size()) {
        if (format[pos] == '%' && pos + 1 < format.size() && format[pos + 1] != '%' &&
            format[pos + 1] != ' ') {
            ++pos;
            while (pos < format.size() && !isReaderConversion(format[pos])) ++pos;
            if (pos >= format.size()) break;
            const char c = format[pos];
            if (c == 'p') {
                demand.wideKinds += 'i';
            } else if (c == 's') {
                ++demand.strings;
            } else if (std::strchr("iduxX", c) != nullptr) {
                const bool longLong = pos >= 2 && format[pos - 1] == 'l' && format[pos - 2] == 'l';
                if (longLong) {
                    demand.wideKinds += 'i';
                } else {
                    ++demand.integers;
                }
            } else {
                demand.wideKinds += 'd';
            }
        }
        ++pos;
    }
    return demand;
}

std::string describeWideValue(uint64_t bits, char kind) {
    if (kind == 'i') return stringPrintf("%lld (64-bit integer)", static_cast<long long>(bits));
    if (kind == 'd') {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return stringPrintf("%.17g (double)", value);
    }
    return stringPrintf("0x%016llx (no descriptor takes it)", static_cast<unsigned long long>(bits));
}

std::string describeTimeStamp(uint64_t wire) {
    if (wire == kDefaultTimeStamp) return "4112 (the default stamp, never converted)";
    return stringPrintf("%llu wire ticks (%.3f s)", static_cast<unsigned long long>(wire),
                        static_cast<double>(wire) * kWireTickSeconds);
}

// Walks one image. `pos_` never passes `limit_`, and `limit_` never passes
// the input length, so every access below is in bounds.
class Annotator {
  public:
    Annotator(const unsigned char* data, size_t length) : data_(data), length_(length), limit_(length) {}

    ImageAnnotation run();

  private:
    AnnotatedField& addRow(size_t offset, size_t length, std::string name, std::string value);
    AnnotatedField& last() { return result_.fields.back(); }
    static void fault(AnnotatedField& row, const std::string& note);
    static void inform(AnnotatedField& row, const std::string& note);

    // Bounded reads at pos_. A read that does not fit adds a fault row saying
    // the data ends and returns false; the walk then stops.
    bool read32(const std::string& name, uint32_t& value);
    bool read64(const std::string& name, uint64_t& value);
    bool readBytes(const std::string& name, size_t count);
    void dataEnds(const std::string& name, size_t needed);

    void annotateList();
    bool annotateListBlock(uint32_t index, uint32_t messageIdentifier, int64_t& remaining);
    void annotateMessageImage();
    void annotateMessageBody(const std::string& prefix, size_t blockStart, uint32_t messageSize);
    bool annotateStrings(const std::string& prefix, std::string& format);
    bool annotateParameters(const std::string& prefix, const std::string& format);
    void annotateLeftovers(size_t imageEnd);

    const unsigned char* data_;
    size_t length_;
    size_t pos_ = 0;
    size_t limit_;
    bool stopped_ = false;  // the walk ended at a fault before the end of the layout
    ImageAnnotation result_;
};

AnnotatedField& Annotator::addRow(size_t offset, size_t length, std::string name, std::string value) {
    AnnotatedField row;
    row.offset = offset;
    row.length = length;
    row.name = std::move(name);
    row.value = std::move(value);
    result_.fields.push_back(std::move(row));
    return result_.fields.back();
}

void Annotator::fault(AnnotatedField& row, const std::string& note) {
    row.note = row.note.empty() || !row.fault ? note : row.note + "; " + note;
    row.fault = true;
}

void Annotator::inform(AnnotatedField& row, const std::string& note) {
    if (row.fault) return;  // the fault is what matters on this row
    row.note = row.note.empty() ? note : row.note + "; " + note;
}

void Annotator::dataEnds(const std::string& name, size_t needed) {
    const size_t left = limit_ - pos_;
    fault(addRow(pos_, left, name, ""),
          stringPrintf("needs %zu bytes, only %zu left: the reader fails without a report", needed, left));
    pos_ = limit_;
    stopped_ = true;
}

bool Annotator::read32(const std::string& name, uint32_t& value) {
    if (limit_ - pos_ < 4) {
        dataEnds(name, 4);
        return false;
    }
    value = loadBigEndian32(data_ + pos_);
    addRow(pos_, 4, name, stringPrintf("%u", value));
    pos_ += 4;
    return true;
}

bool Annotator::read64(const std::string& name, uint64_t& value) {
    if (limit_ - pos_ < 8) {
        dataEnds(name, 8);
        return false;
    }
    value = loadBigEndian64(data_ + pos_);
    addRow(pos_, 8, name, stringPrintf("%llu", static_cast<unsigned long long>(value)));
    pos_ += 8;
    return true;
}

bool Annotator::readBytes(const std::string& name, size_t count) {
    if (limit_ - pos_ < count) {
        dataEnds(name, count);
        return false;
    }
    addRow(pos_, count, name, quoteBytes(data_ + pos_, count, 48));
    pos_ += count;
    return true;
}

ImageAnnotation Annotator::run() {
    uint32_t prefix;
    if (!read32("length prefix", prefix)) return std::move(result_);
    last().value = stringPrintf("%u bytes", prefix);
    if (prefix < 4) {
        fault(last(), "below 4: the reader takes no block and every read fails");
    } else if (prefix > length_) {
        fault(last(),
              stringPrintf("beyond the %zu bytes present: the reader takes no block and every read fails",
                           length_));
    } else {
        limit_ = prefix;
    }
    const size_t imageEnd = limit_;
    switch (classifyImage(data_, limit_)) {
        case ImageKind::kList:
            annotateList();
            break;
        case ImageKind::kMessage:
            annotateMessageImage();
            break;
        case ImageKind::kUnknown: {
            uint32_t identifier;
            read32("identifier", identifier);
            last().value = stringPrintf("0x%08X", identifier);
            fault(last(), "neither a list image (0x00102000) nor a message image (0x00101000)");
            stopped_ = true;
            break;
        }
        case ImageKind::kTooShort:
            dataEnds("identifier", 4);
            break;
    }
    annotateLeftovers(imageEnd);
    return std::move(result_);
}

void Annotator::annotateLeftovers(size_t imageEnd) {
    limit_ = imageEnd;
    if (pos_ < imageEnd) {
        inform(addRow(pos_, imageEnd - pos_, "unread bytes", stringPrintf("%zu bytes", imageEnd - pos_)),
               stopped_ ? "not examined: the walk stopped at the fault above"
                        : "behind the last field: the reader ignores them");
    }
    if (imageEnd < length_) {
        inform(addRow(imageEnd, length_ - imageEnd, "bytes beyond the length prefix",
                      stringPrintf("%zu bytes", length_ - imageEnd)),
               "not part of the image");
    }
}

void Annotator::annotateList() {
    uint32_t value;
    read32("list identifier", value);
    last().value = stringPrintf("0x%08X (list image)", value);

    uint32_t listSize;
    if (!read32("list size", listSize)) return;
    last().value = stringPrintf("%u bytes", listSize);
    if (listSize != limit_ - 4) {
        inform(last(), stringPrintf("the image holds %zu bytes behind the length prefix", limit_ - 4));
    }
    int64_t remaining = int64_t{listSize} - 8;

    uint32_t version;
    if (!read32("list version", version)) return;
    remaining -= 4;
    if (version != 1) fault(last(), "expected 1: the reader reports 0x102002");

    uint32_t headerBytes;
    if (!read32("list header bytes", headerBytes)) return;
    remaining -= 4;
    int64_t headerLeft = int64_t{headerBytes} - 4;
    if (headerBytes < kListHeaderBytes) fault(last(), "below 20: the reader reports 0x102003");

    uint32_t count = 0, messageIdentifier = 0;
    const char* const kFields[] = {"node id", "application id", "message count", "message identifier"};
    for (const char* field : kFields) {
        if (!read32(field, value)) return;
        remaining -= 4;
        headerLeft -= 4;
        if (std::strcmp(field, "application id") == 0) last().value = stringPrintf("0x%X", value);
        if (std::strcmp(field, "message count") == 0) count = value;
        if (std::strcmp(field, "message identifier") == 0) {
            messageIdentifier = value;
            last().value = stringPrintf("0x%08X", value);
        }
    }
    if (messageIdentifier != kMessageIdentifier && count > 0) {
        fault(last(), "not 0x00101000: the message reader skips every block as foreign and fails");
    }
    if (headerLeft > 0) {
        if (!readBytes("extra list header bytes", static_cast<size_t>(headerLeft))) return;
        inform(last(), "skipped by the reader");
        remaining -= headerLeft;
    }

    for (uint32_t i = 0; i < count; ++i) {
        if (!annotateListBlock(i, messageIdentifier, remaining)) return;
    }
    AnnotatedField& left =
        addRow(pos_, 0, "list bytes left", stringPrintf("%lld", static_cast<long long>(remaining)));
    if (remaining != kListBytesBeforeTermination) {
        fault(left, "expected 12 before the termination words: the reader reports 0x102005");
    }
    for (int word = 0; word < 3; ++word) {
        if (!read32(stringPrintf("termination word %d", word + 1), value)) return;
        last().value = stringPrintf("0x%08X", value);
        if (value != kTerminationWords[word]) {
            fault(last(),
                  stringPrintf("expected 0x%08X: the reader reports 0x102006", kTerminationWords[word]));
        }
    }
}

bool Annotator::annotateListBlock(uint32_t index, uint32_t messageIdentifier, int64_t& remaining) {
    const std::string prefix = stringPrintf("message[%u] ", index);
    const size_t start = pos_;
    uint32_t identifier, size;
    if (!read32(prefix + "identifier", identifier)) return false;
    last().value = stringPrintf("0x%08X", identifier);
    if (identifier != messageIdentifier) {
        fault(last(), stringPrintf("expected 0x%08X from the list header: the reader reports 0x102004",
                                   messageIdentifier));
    }
    if (!read32(prefix + "size", size)) return false;
    last().value = stringPrintf("%u bytes", size);
    if (size < 8) {
        fault(last(), "below 8: too small for its own identifier and size; the reader fails");
        stopped_ = true;
        return false;
    }
    if (int64_t{size} > remaining) {
        fault(last(),
              stringPrintf("exceeds the %lld bytes left in the list: the reader fails without a report",
                           static_cast<long long>(remaining)));
    }
    const size_t outerLimit = limit_;
    const size_t blockEnd = start + size;
    if (blockEnd > outerLimit) {
        fault(last(),
              stringPrintf("runs %zu bytes past the end of the image: the reader fails without a report",
                           blockEnd - outerLimit));
    }
    // The list reader hands each block to the message reader as a copy of
    // exactly `size` bytes, so nothing of the block may be read beyond that.
    limit_ = blockEnd < outerLimit ? blockEnd : outerLimit;
    annotateMessageBody(prefix, start, size);
    if (pos_ < limit_) {
        inform(addRow(pos_, limit_ - pos_, prefix + "unread bytes", stringPrintf("%zu bytes", limit_ - pos_)),
               "inside the block but behind its last field");
        pos_ = limit_;
    }
    // The next block starts behind this one whatever happened inside it.
    limit_ = outerLimit;
    stopped_ = false;
    remaining -= size;
    return true;
}

void Annotator::annotateMessageImage() {
    const size_t start = pos_;
    uint32_t identifier, size;
    read32("message identifier", identifier);
    last().value = stringPrintf("0x%08X (message image)", identifier);
    if (!read32("message size", size)) return;
    last().value = stringPrintf("%u bytes", size);
    if (size != limit_ - 4) {
        inform(last(), stringPrintf("the image holds %zu bytes behind the length prefix", limit_ - 4));
    }
    annotateMessageBody("", start, size);
}

void Annotator::annotateMessageBody(const std::string& prefix, size_t blockStart, uint32_t messageSize) {
    uint32_t value;
    if (!read32(prefix + "version", value)) return;
    if (value != 1) fault(last(), "expected 1: the reader reports 0x102007");
    uint32_t headerBytes;
    if (!read32(prefix + "header bytes", headerBytes)) return;
    if (headerBytes < kMessageHeaderBytes) fault(last(), "below 48: the reader reports 0x102008");

    if (!read32(prefix + "origin node", value)) return;
    if (!read32(prefix + "message type", value)) return;
    last().value = stringPrintf("%u (%s)", value, messageTypeName(value));
    if (!read32(prefix + "line number", value)) return;
    uint64_t stamp;
    if (!read64(prefix + "time stamp", stamp)) return;
    last().value = describeTimeStamp(stamp);
    if (!read32(prefix + "error code", value)) return;
    last().value = stringPrintf("0x%08X", value);
    const char* const kNumbers[] = {"display mode", "main module number", "sub module number"};
    for (const char* field : kNumbers) {
        if (!read32(prefix + field, value)) return;
    }
    if (!read32(prefix + "parameter limit", value)) return;
    inform(last(), "ignored by the reader");
    if (!read32(prefix + "string bytes", value)) return;
    inform(last(), "ignored by the reader");
    if (headerBytes > kMessageHeaderBytes) {
        if (!readBytes(prefix + "extra header bytes", headerBytes - kMessageHeaderBytes)) return;
        inform(last(), "skipped by the reader");
    }

    std::string format;
    if (!annotateStrings(prefix, format)) return;
    if (!annotateParameters(prefix, format)) return;

    const size_t consumed = pos_ - blockStart;
    AnnotatedField& end = addRow(pos_, 0, prefix + "end", stringPrintf("%zu bytes read", consumed));
    if (consumed != messageSize) {
        fault(end, stringPrintf("the size field says %u: the reader reports 0x10200B", messageSize));
    }
}

bool Annotator::annotateStrings(const std::string& prefix, std::string& format) {
    uint32_t count;
    if (!read32(prefix + "string count", count)) return false;
    if (count > 3) fault(last(), "above 3: the reader stores three strings, then reports 0x10200A");
    const char* const kNames[] = {"format string", "function name", "message template"};
    const uint32_t examined = count > 3 ? 4 : count;
    for (uint32_t i = 0; i < examined; ++i) {
        const std::string name = prefix + (i < 3 ? kNames[i] : "string 3");
        uint32_t length;
        if (!read32(name + " length", length)) return false;
        if (!readBytes(name, length)) return false;
        const unsigned char* text = data_ + pos_ - length;
        if (i == 3) {
            fault(last(), "superfluous string: the reader reports 0x10200A and stops");
            stopped_ = true;
            return false;
        }
        if (length == 0) {
            inform(last(), "empty, without its NUL");
        } else if (text[length - 1] != 0) {
            inform(last(), "does not end in NUL: the reader replaces its last byte");
        }
        if (i == 0 && length > 0) {
            // The reader keeps the text up to the first NUL, its last byte forced to NUL.
            format.assign(reinterpret_cast<const char*>(text),
                          strnlen(reinterpret_cast<const char*>(text), length - 1));
        }
    }
    return true;
}

bool Annotator::annotateParameters(const std::string& prefix, const std::string& format) {
    const FormatDemand demand = walkFormat(format);
    const auto noteDemand = [this](size_t present, size_t wanted) {
        if (present < wanted) {
            inform(last(),
                   stringPrintf("the format string takes %zu: the reader adds the missing ones as empty",
                                wanted));
        }
    };

    uint32_t strings;
    if (!read32(prefix + "string parameter count", strings)) return false;
    noteDemand(strings, demand.strings);
    for (uint32_t i = 0; i < strings; ++i) {
        uint32_t length;
        const std::string name = stringPrintf("%sstring parameter %u", prefix.c_str(), i + 1);
        if (!read32(name + " length", length)) return false;
        if (!readBytes(name, length)) return false;
    }

    uint32_t integers, value;
    if (!read32(prefix + "integer count", integers)) return false;
    noteDemand(integers, demand.integers);
    for (uint32_t i = 0; i < integers; ++i) {
        if (!read32(stringPrintf("%sinteger %u", prefix.c_str(), i + 1), value)) return false;
        last().value = stringPrintf("%d", static_cast<int32_t>(value));
    }

    uint32_t wide;
    if (!read32(prefix + "wide value count", wide)) return false;
    noteDemand(wide, demand.wideKinds.size());
    for (uint32_t i = 0; i < wide; ++i) {
        uint64_t bits;
        if (!read64(stringPrintf("%swide value %u", prefix.c_str(), i + 1), bits)) return false;
        last().value = describeWideValue(bits, i < demand.wideKinds.size() ? demand.wideKinds[i] : '?');
    }
    return true;
}

std::string trimRight(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

const AnnotatedField* ImageAnnotation::firstFault() const {
    for (const AnnotatedField& field : fields) {
        if (field.fault) return &field;
    }
    return nullptr;
}

ImageAnnotation annotateImage(const unsigned char* data, size_t length) {
    if (data == nullptr) length = 0;
    static const unsigned char kNothing[1] = {0};
    return Annotator(data == nullptr ? kNothing : data, length).run();
}

std::string formatAnnotation(const ImageAnnotation& annotation, const unsigned char* data, size_t length) {
    std::string out = "offset    raw bytes                   field                                value\n";
    for (const AnnotatedField& field : annotation.fields) {
        const bool inside =
            data != nullptr && field.offset <= length && field.length <= length - field.offset;
        const std::string raw = inside ? hexBytes(data + field.offset, field.length, 8) : "";
        std::string line = stringPrintf("%08zx  %-26s  %-36s %s", field.offset, raw.c_str(),
                                        field.name.c_str(), field.value.c_str());
        if (!field.note.empty())
            line += (field.fault ? "   <-- " : "   (") + field.note + (field.fault ? "" : ")");
        out += trimRight(line) + "\n";
    }
    const AnnotatedField* first = annotation.firstFault();
    if (first == nullptr) {
        out += "no fault: the library's readers accept this image\n";
    } else {
        out += stringPrintf("first fault at offset 0x%zx, %s: %s\n", first->offset, first->name.c_str(),
                            first->note.c_str());
    }
    return out;
}

}  // namespace VkNTool

// The message block and the list image: the exact images of the worked
// examples, both writers, reading back and appending, parameter typing,
// foreign blocks and longer headers, the readers' failures with and without
// report, and the time-stamp conversion; random lists read back into equal
// entries, and every single-bit and two-bit flip within the headers and every
// truncation of valid images ends in a defined result (a count or -1) with at
// most one report of the readers' own codes. Every read takes an image both
// ways, by the fast path for regular blocks and field by field, and compares.
#include "serial/WireFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "list/EntryRelease.h"
#include "serial/ListReader.h"
#include "serial/MessageReader.h"
#include "support/EntryChecks.h"

namespace {

using Bytes = std::vector<unsigned char>;
using VkNTest::expectSameEntry;
using namespace VkNCatalogue;

// "00 10 20 00 ..." as bytes.
inline Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (unsigned int value; in >> std::hex >> value;) bytes.push_back(static_cast<unsigned char>(value));
    return bytes;
}

inline uint32_t wordAt(const Bytes& bytes, size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

inline void putWord(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// An image as bytes, released; empty when there is none.
inline Bytes taken(void* image, uint32_t size) {
    const auto* bytes = static_cast<const unsigned char*>(image);
    Bytes copy = image != nullptr ? Bytes(bytes, bytes + size) : Bytes();
    std::free(image);
    return copy;
}

inline Bytes messageImage(VkCErrorList& list, uint32_t index) {
    uint32_t size = 0;
    unsigned char* image = list.getSerializedMessage(index, size);
    return taken(image, size);
}

inline Bytes listImage(VkCErrorList& list) {
    uint32_t size = 0;
    char* image = list.serialize(size);
    return taken(image, size);
}

// A deep copy of `list`, entries, strings and counters, in a fresh list.
inline std::unique_ptr<VkCErrorList> copyOf(const VkCErrorList& list) {
    using Access = VkErrorListAccess;
    std::unique_ptr<VkCErrorList> copy(
        new VkCErrorList(list.getNumberOfEntries(), list.getMaxAdditionalParameters(0), 0, 0, nullptr));
    for (uint32_t i = 0; i < list.getNumberOfEntries(); ++i) {
        Access::Entry& e = *Access::entryAt(*copy, i);
        std::memcpy(&e, Access::entryAt(list, i), sizeof e);
        for (char** text : {&e.functionName, &e.formatString, &e.messageTemplate}) {
            if (*text != nullptr) *text = ::strdup(*text);
        }
        for (uint32_t k = 0; k < e.additionalParametersCount && k < kMaxAdditionalParameters; ++k) {
            VkSParameter& slot = e.additionalParameters[k];
            if (slot.type == kParameterString && slot.value.stringValue != nullptr)
                slot.value.stringValue = ::strdup(slot.value.stringValue);
        }
    }
    Access::usedEntries(*copy) = list.getNumberOfUsedEntries();
    Access::entryForWrite(*copy, list.getNumberOfEntries() - 1);  // reset releases the free ones too
    Access::errorCount(*copy) = list.getErrorCount();
    Access::nodeId(*copy) = list.getNodeId();
    Access::applicationId(*copy) = list.getApplicationId();
    Access::setIsMessageList(*copy, Access::isMessageList(list));
    return copy;
}

// Code, function, format string and parameters of each report from `first`.
inline std::vector<std::string> reportsFrom(const VkCErrorList& master, uint32_t first) {
    std::vector<std::string> reports;
    for (uint32_t i = first; i < master.getNumberOfUsedEntries(); ++i) {
        reports.push_back(std::to_string(master.getErrorCode(i)) + ' ' + master.getFunctionName(i) + ' ' +
                          master.getFormatString(i) + ' ' + VkNTest::describeParameters(master, i, true));
    }
    return reports;
}

// Reads by `read(list, path)` twice, field by field into a copy of `list`
// and by the fast path into `list` itself, and expects the same results,
// lists and reports. Only the second read's reports stay.
template <typename Read>
auto readBothWays(VkCErrorList& list, Read read) {
    using Access = VkErrorListAccess;
    VkCErrorList& master = VkCErrorManager::getInstance().getMasterErrorList();
    const uint32_t before = master.getNumberOfUsedEntries(), counted = master.getErrorCount();
    const std::unique_ptr<VkCErrorList> copy = copyOf(list);
    const auto plain = read(*copy, VkNSerial::BlockPath::kFieldByField);
    const std::vector<std::string> plainReports = reportsFrom(master, before);
    for (uint32_t& used = Access::usedEntries(master); used > before;)
        VkNList::releaseEntry(*Access::entryAt(master, --used));
    Access::errorCount(master) = counted;
    const auto fast = read(list, VkNSerial::BlockPath::kRegularFirst);
    EXPECT_EQ(fast, plain);
    EXPECT_EQ(reportsFrom(master, before), plainReports);
    VkNTest::expectSameList(*copy, list);
    return fast;
}

// The image's first `length` bytes read both ways: as a message into entry
// `index`, as a list, or as a message from a buffer (the result, then the
// read position).
inline int32_t readMessage(VkCErrorList& list, const Bytes& image, uint32_t index = 0, size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        return VkNSerial::readMessageImage(into, index, image.data(), std::min<size_t>(length, image.size()),
                                           path);
    });
}
inline int32_t readList(VkCErrorList& list, const Bytes& image, size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        return VkNSerial::readList(into, image.data(), std::min<size_t>(length, image.size()), path);
    });
}
inline std::vector<int64_t> readBuffered(VkCErrorList& list, const Bytes& image, uint32_t index,
                                         size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        VkCObjectBuffer buffer(image.data(), std::min<size_t>(length, image.size()));
        const int32_t result = VkNSerial::readBufferedMessage(into, index, buffer, path);
        return std::vector<int64_t>{result, buffer.getReadOffset()};
    });
}

// One way to damage a valid image, and the one report the reader must make
// (none for code 0): its code, format string and parameters (as
// describeParameters has them).
struct DamageRow {
    const char* name;
    std::function<void(Bytes&)> damage;
    uint32_t code = 0;
    const char* formatString = "";
    const char* parameters = "";
};

// The damage of writing `value` at `at`.
inline std::function<void(Bytes&)> edit(size_t at, uint32_t value) {
    return [at, value](Bytes& image) { putWord(image, at, value); };
}

// Installs a fresh master error list for the calling thread, so each test
// sees exactly the reports it caused.
class ReportCapture : public ::testing::Test {
  protected:
    ReportCapture() { VkCErrorManager::getInstance().setMasterErrorList(reports, -1, false); }
    ~ReportCapture() override { VkCErrorManager::getInstance().clearMasterErrorList(-1); }

    std::vector<std::string> takeReports() {
        std::vector<std::string> taken = reportsFrom(reports, 0);
        reports.reset();
        return taken;
    }

    void expectOnlyReport(const DamageRow& row, const char* function) {
        std::vector<std::string> expected;
        if (row.code != 0) {
            expected.push_back(std::to_string(row.code) + ' ' + function + ' ' + row.formatString + ' ' +
                               row.parameters);
        }
        EXPECT_EQ(takeReports(), expected);
    }

    VkCErrorListPool reports{50, 5, 0, 0, nullptr};
};

const Bytes kExampleImage = hexBytes(
    "00 00 00 6e 00 10 10 00 00 00 00 6a 00 00 00 01 00 00 00 30 00 00 00 02 00 00 00 02 00 00 00 2a "
    "00 00 00 00 00 00 10 10 00 30 00 05 00 00 00 00 00 00 00 80 00 00 00 03 00 00 00 05 00 00 00 0e "
    "00 00 00 03 00 00 00 03 25 64 00 00 00 00 02 66 00 00 00 00 09 56 61 6c 75 65 20 25 31 00 00 00 "
    "00 00 00 00 00 01 00 00 00 07 00 00 00 00");

// The list of the worked example: its header, the message block, the
// termination words.
Bytes exampleListImage() {
    Bytes image = hexBytes(
        "00 00 00 9a 00 10 20 00 00 00 00 96 00 00 00 01 00 00 00 14 00 00 00 01 "
        "00 00 00 10 00 00 00 01 00 10 10 00");
    image.insert(image.end(), kExampleImage.begin() + 4, kExampleImage.end());
    const Bytes termination = hexBytes("aa aa bb bb cc cc dd dd ee ee ff ff");
    image.insert(image.end(), termination.begin(), termination.end());
    return image;
}

// Image offsets of message block fields (behind the 4-byte length prefix).
constexpr size_t kSizeField = 8, kVersionField = 12, kHeaderBytesField = 16, kStringCountField = 64;
// Image offsets of list header fields.
constexpr size_t kListSizeField = 8, kListHeaderBytesField = 16, kCountField = 28, kFirstBlock = 36;

// Keeps a list image's length prefix and list size in step after an edit.
void fixSizes(Bytes& image) {
    putWord(image, 0, static_cast<uint32_t>(image.size()));
    putWord(image, kListSizeField, static_cast<uint32_t>(image.size() - 4));
}

class WireFormat : public ReportCapture {
  protected:
    // The worked example: a warning with one 32-bit parameter.
    WireFormat() {
        example.setApplicationId(0x10);
        example.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, "f", "%d", 7);
    }
    VkCErrorList example{4, 5, 0, 1, nullptr};
    VkCErrorList received{2, 5, 0, 0, nullptr};
};

TEST_F(WireFormat, ExampleMessageGivesTheExactImageAndReadsBack) {
    EXPECT_EQ(messageImage(example, 0), kExampleImage);
    VkCObjectBuffer buffer;
    uint32_t size = 0;
    ASSERT_TRUE(example.serializeMessage(0, &buffer, size));
    EXPECT_EQ(size, 106u);
    EXPECT_FALSE(example.serializeMessage(4, &buffer, size) || example.serializeMessage(0, nullptr, size));
    EXPECT_EQ(size + buffer.getOccupiedSize(), 110u);
    EXPECT_EQ(example.getSerializedMessage(4, size), nullptr);
    // A buffer grows field by field: by the 1001-byte name, then by 512.
    VkCErrorList named(1, 5, 0, 0, nullptr);
    named.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, std::string(1000, 'f').c_str(),
                     "%d", 7);
    VkCObjectBuffer nearlyFull;
    const Bytes filler(4000, 0);
    nearlyFull.writeBuffer(filler.data(), filler.size(), 1);
    ASSERT_TRUE(named.serializeMessage(0, &nearlyFull, size));
    EXPECT_EQ(nearlyFull.getSize(), 4100u + 1001u + 512u);

    // Reading replaces the strings and parameters the entry held (the
    // sanitizer build sees a leak otherwise) and leaves the counters alone.
    received.setMessage(1, 0, 1, 1, "old template", 6, 1, 1, 0x1010, "old", "%s%s", "a", "b");
    ASSERT_EQ(readMessage(received, kExampleImage), 0);
    expectSameEntry(example, 0, received, 0);
    EXPECT_EQ(received.getNumberOfUsedEntries() + received.getErrorCount(), 2u);
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(WireFormat, ExampleListGivesTheExactImageAndAnEmptyOneNone) {
    EXPECT_EQ(listImage(example), exampleListImage());
    VkCErrorList empty(2, 5, 0, 1, nullptr);
    uint32_t size = 99;
    EXPECT_EQ(empty.serialize(size), nullptr);
    EXPECT_EQ(size, 0u);
    char memory[200];
    std::memset(memory, 0x55, sizeof memory);
    size = 99;
    EXPECT_EQ(empty.serialize(memory, sizeof memory, size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Bytes(memory, memory + 4), hexBytes("00 00 00 04"));
}

// An event keeps its empty template; any other code sends its catalogue
// text, so the receiver has it even where the code means nothing to it.
// Sending stamps the manager's node and the module numbers into the entry.
TEST_F(WireFormat, SentTemplatesNodesAndModuleNumbers) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const uint32_t savedNode = manager.getMyNodeId();
    manager.setMyNodeId(77);
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setMessage(5, 0, 1, 1, nullptr, 0x00300005, 1, 9, 0x1010, nullptr, nullptr, int32_t{0});
    list.setError(kCodeListVersion, 1, "f", "%08X%08X", 1, 2);
    const Bytes event = messageImage(list, 0);
    const Bytes error = messageImage(list, 1);
    manager.setMyNodeId(savedNode);
    EXPECT_EQ(Bytes(event.begin() + 64, event.end()),
              hexBytes("00 00 00 03 00 00 00 01 00 00 00 00 01 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 "
                       "00 00 00"));
    EXPECT_EQ((std::vector<uint32_t>{wordAt(error, 20), wordAt(error, 48), wordAt(error, 52), 77}),
              (std::vector<uint32_t>{77, list.getMainModuleNumber(1), list.getSubModuleNumber(1),
                                     list.getOriginNode(1)}));
    ASSERT_EQ(readMessage(received, error), 0);
    EXPECT_STREQ(received.getMessageTemplate(0), list.getMessageTemplate(1));
    EXPECT_STRNE(received.getMessageTemplate(0), "");
}

// Wide values travel in a section of their own, in parameter order (the
// random round trips hold every descriptor to recording's typing).
// Descriptors without values read as defaults; a receiver with fewer slots
// keeps the first ones.
TEST_F(WireFormat, WideSectionDefaultsAndFewerSlots) {
    VkCErrorList list(3, 10, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%f%lld%llx", 2.5, -3LL, 1ULL << 40);
    list.setMessage(1, 0, 1, 1, "t", 7, 1, 1, 0x1010, "f", nullptr, int32_t{0});
    list.setFormatString(1, "%s%d%f%lld");
    list.setMessage(1, 0, 1, 1, "t", 8, 1, 1, 0x1010, "f", "%s%d%f%d", "one", 2, 3.0, 4);
    const Bytes image = messageImage(list, 0);
    EXPECT_EQ(
        Bytes(image.end() - 28, image.end()),
        hexBytes("00 00 00 03 40 04 00 00 00 00 00 00 ff ff ff ff ff ff ff fd 00 00 01 00 00 00 00 00"));
    ASSERT_EQ(readMessage(received, image), 0);
    expectSameEntry(list, 0, received, 0);
    ASSERT_EQ(readMessage(received, messageImage(list, 1)), 0);
    EXPECT_EQ(VkNTest::describeParameters(received, 0), "s: i:0 d:0 w:0");
    VkCErrorList narrow(1, 2, 0, 0, nullptr);
    ASSERT_EQ(readMessage(narrow, messageImage(list, 2)), 0);
    EXPECT_EQ(VkNTest::describeParameters(narrow, 0), "s:one i:2");
}

// Reading appends behind what the receiver holds, takes the sender's node
// and application id, counts the messages a full receiver drops, and keeps
// the messages read before a failure.
TEST_F(WireFormat, ReadingAppendsCountsDroppedAndKeepsWhatWasRead) {
    example.setError(6, 2, "g", "%s", "two");
    example.setError(7, 3, "h", "%f", 1.5);
    Bytes image = listImage(example);
    VkCErrorList oneFree(2, 5, 0, 0, nullptr);
    oneFree.setError(9, 1, "local", nullptr);
    ASSERT_EQ(readList(oneFree, image), 1);
    EXPECT_EQ(
        (std::vector<uint32_t>{2, 4, 1, 0x10, 9}),
        (std::vector<uint32_t>{oneFree.getNumberOfUsedEntries(), oneFree.getErrorCount(), oneFree.getNodeId(),
                               oneFree.getApplicationId(), oneFree.getErrorCode(0)}));
    expectSameEntry(example, 0, oneFree, 1);
    VkCErrorList roomy(5, 5, 0, 0, nullptr);
    ASSERT_EQ(readList(roomy, image), 3);
    for (uint32_t i = 0; i < 3; ++i) expectSameEntry(example, i, roomy, i);
    EXPECT_TRUE(takeReports().empty());

    putWord(image, kFirstBlock + wordAt(image, kFirstBlock + 4) + 8, 2);  // the second block's version
    roomy.reset();
    EXPECT_EQ(readList(roomy, image), -1);
    EXPECT_EQ(roomy.getNumberOfUsedEntries() + roomy.getErrorCount(), 3u);
    expectSameEntry(example, 0, roomy, 0);
    EXPECT_EQ(takeReports().size(), 1u);
}

// Foreign blocks before a message, and header fields after the known ones
// in a block or a list, are skipped; an image without messages only sets
// the identity. Through a buffer the read position ends behind the block,
// or behind the last value read of a section cut short, and no read starts
// behind the buffer's write position.
TEST_F(WireFormat, ForeignBlocksLongerHeadersAndEmptyListsRead) {
    Bytes image = kExampleImage;
    const Bytes foreign = hexBytes("12 34 56 78 00 00 00 10 de ad be ef de ad be ef");
    image.insert(image.begin() + 4, foreign.begin(), foreign.end());
    putWord(image, 0, static_cast<uint32_t>(image.size()));
    ASSERT_EQ(readMessage(received, image), 0);
    EXPECT_EQ(readBuffered(received, image, 1), (std::vector<int64_t>{0, int64_t(image.size()) - 4}));
    Bytes cut = kExampleImage;
    putWord(cut, 0x62, 5);  // five integers announced, three fit
    EXPECT_EQ(readBuffered(received, cut, 1), (std::vector<int64_t>{-1, int64_t(cut.size()) - 4}));
    putWord(image, 8, 7);  // a foreign block too small for its own size field
    EXPECT_EQ(readMessage(received, image), -1);

    Bytes longer = kExampleImage;
    putWord(longer, kHeaderBytesField, 52);
    longer.insert(longer.begin() + 64, 4, 0);
    putWord(longer, kSizeField, 110);
    putWord(longer, 0, 114);
    ASSERT_EQ(readMessage(received, longer), 0);
    Bytes list = exampleListImage();
    putWord(list, kListHeaderBytesField, 24);
    list.insert(list.begin() + kFirstBlock, 4, 0);
    fixSizes(list);
    ASSERT_EQ(readList(received, list), 1);
    expectSameEntry(example, 0, received, 0);

    list = exampleListImage();
    list.erase(list.begin() + kFirstBlock, list.begin() + kFirstBlock + 106);
    putWord(list, kCountField, 0);
    fixSizes(list);
    VkCErrorList identity(2, 5, 0, 0, nullptr);
    EXPECT_EQ(readList(identity, list), 0);
    EXPECT_EQ(identity.getNodeId() + identity.getApplicationId(), 0x11u);
    EXPECT_EQ(identity.getNumberOfUsedEntries() + identity.getErrorCount(), 0u);
    // Neither a stale block behind a rewritten one nor the rest of a block
    // that the write position cuts is read.
    for (const uint32_t rewriteAt : {0u, 114u}) {
        const auto results = readBothWays(received, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
            VkCObjectBuffer buffer;
            uint32_t size = 0;
            for (int i = 0; i < 2; ++i) example.serializeMessage(0, &buffer, size);
            buffer.setWriteOffset(rewriteAt);
            if (rewriteAt == 0) example.serializeMessage(0, &buffer, size);
            return std::vector<int32_t>{VkNSerial::readBufferedMessage(into, 0, buffer, path),
                                        VkNSerial::readBufferedMessage(into, 1, buffer, path)};
        });
        EXPECT_EQ(results, (std::vector<int32_t>{0, -1})) << rewriteAt;
    }
    EXPECT_TRUE(takeReports().empty());
}

// Each malformed image is rejected, with its own report or none (code 0):
// the values are given as the report entry's parameters, and positions are
// offsets into the buffer's payload at the time of the report.
TEST_F(WireFormat, MalformedImagesFailWithTheirOwnReportOrNone) {
    const DamageRow messageRows[] = {
        {"version 2", edit(kVersionField, 2), kCodeMessageVersion, "%08X%08X%08x", "i:12 i:1 i:2"},
        {"header bytes 44", edit(kHeaderBytesField, 44), kCodeMessageHeaderBytes, "%08X%d%d",
         "i:60 i:44 i:48"},
        {"fourth string",
         [](Bytes& image) {
             putWord(image, kStringCountField, 4);
             const Bytes extra = hexBytes("00 00 00 02 78 00");
             image.insert(image.begin() + 94, extra.begin(), extra.end());
             putWord(image, kSizeField, wordAt(image, kSizeField) + 6);
             putWord(image, 0, static_cast<uint32_t>(image.size()));
         },
         kCodeSuperfluousString, "%08X%d", "i:96 i:3"},
        {"size 4 too large",
         [](Bytes& image) {
             putWord(image, kSizeField, 110);
             image.insert(image.end(), 4, 0);
             putWord(image, 0, 114);
         },
         kCodeMessageRemainingBytes, "%08X%d%d", "i:106 i:110 i:106"},
        {"prefix below its own size", edit(0, 3)},
        {"format string of 4 G", edit(68, 0xFFFFFFFF)},
        {"string parameters 4 G", edit(94, 0xFFFFFFFF)},
        {"integers 4 G", edit(98, 0xFFFFFFFF)},
        {"wide values 4 G", edit(106, 0xFFFFFFFF)},
    };
    for (const auto& row : messageRows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        row.damage(image);
        EXPECT_EQ(readMessage(received, image), -1);
        expectOnlyReport(row, "VkCErrorList::deSerializeMessage");
    }
    EXPECT_STREQ(received.getFunctionName(0), "f");  // stored before the fourth string was refused
    EXPECT_EQ(received.deSerializeMessage(0, nullptr, 110) +
                  received.deSerializeMessage(2, kExampleImage.data(), 110),
              -2);

    const DamageRow listRows[] = {
        {"list identifier", edit(4, 0x00102001), kCodeListIdentifier, "%08X%08X", "i:1056768 i:1056769"},
        {"version", edit(12, 2), kCodeListVersion, "%08X%08X", "i:1 i:2"},
        {"header bytes 16", edit(kListHeaderBytesField, 16), kCodeListHeaderBytes, "%d", "i:-4"},
        {"block identifier", edit(kFirstBlock, 0x00101001), kCodeBlockIdentifier, "%d%08X%08X",
         "i:0 i:1052672 i:1052673"},
        {"4 bytes before the termination",
         [](Bytes& image) {
             image.insert(image.end() - 12, 4, 0);
             fixSizes(image);
         },
         kCodeListRemainingBytes, "%d%d", "i:12 i:16"},
        {"last termination word", [](Bytes& image) { image.back() = 0xFE; }, kCodeListTermination, "", ""},
        {"first termination word", [](Bytes& image) { image[image.size() - 12] = 0xAB; },
         kCodeListTermination, "", ""},
        {"message version", edit(kFirstBlock + 8, 3), kCodeMessageVersion, "%08X%08X%08x", "i:12 i:1 i:3"},
        // The termination words are taken for the second block.
        {"4 G messages", edit(kCountField, 0xFFFFFFFF), kCodeBlockIdentifier, "%d%08X%08X",
         "i:1 i:1052672 i:-1431651397"},
        {"block past the list", edit(kFirstBlock + 4, 0x200)},
        {"block below its own size", edit(kFirstBlock + 4, 4)},
        {"header bytes 4 G", edit(kListHeaderBytesField, 0xFFFFFFFF)},
    };
    for (const auto& row : listRows) {
        SCOPED_TRACE(row.name);
        Bytes image = exampleListImage();
        row.damage(image);
        VkCErrorList fresh(2, 5, 0, 0, nullptr);
        EXPECT_EQ(readList(fresh, image), -1);
        expectOnlyReport(row, row.code >= kCodeMessageVersion ? "VkCErrorList::deSerializeMessage"
                                                              : "VkCErrorList::deSerialize");
    }
    EXPECT_EQ(received.deSerialize(nullptr, 154) + received.deSerialize(exampleListImage().data(), 3), -2);
}

TEST_F(WireFormat, StampsTravelInWireTicksAndSaturate) {
    using VkNSerial::fromWireTicks;
    using VkNSerial::toWireTicks;
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double savedTick = manager.getTimeStampTickDuration();
    manager.setTimeStampTickDuration(17e-9);
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 1000, "f", "%d", 1);
    const Bytes image = messageImage(list, 0);
    const int32_t result = readMessage(received, image);
    manager.setTimeStampTickDuration(savedTick);
    EXPECT_EQ(wordAt(image, 36), 2000u);
    EXPECT_EQ(result + received.getTimeStamp(0), 1000u);

    EXPECT_EQ(toWireTicks((uint64_t{1} << 53) - 1, 8.5e-9), (uint64_t{1} << 53) - 1);
    // The default stamp is never converted; ticks that are no duration give
    // defined values, never a trapping cast.
    EXPECT_EQ(toWireTicks(0x1010, 17e-9) + fromWireTicks(0x1010, 17e-9), 0x2020u);
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double tick;
        uint64_t toWire, fromWire;
    } rows[] = {{0.0, 0, UINT64_MAX},
                {-1e-9, 0, 0},
                {inf, UINT64_MAX, 0},
                {-inf, 0, 0},
                {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
    for (const auto& row : rows) {
        EXPECT_EQ(toWireTicks(1000, row.tick), row.toWire) << row.tick;
        EXPECT_EQ(fromWireTicks(1000, row.tick), row.fromWire) << row.tick;
    }
    EXPECT_EQ(fromWireTicks(0, 0.0) + toWireTicks(UINT64_MAX, 1.0), UINT64_MAX);
}

// Every descriptor form recording knows, with the slot type it gives.
const struct {
    const char* text;
    char kind;  // i 32-bit, w 64-bit, d double, s string
} kDescriptors[] = {
    {"%d", 'i'},    {"%i", 'i'},      {"%u", 'i'},    {"%x", 'i'},   {"%X", 'i'},   {"%o", 'i'},
    {"%08X", 'i'},  {"%ld", 'i'},     {"%%d", 'i'},   {"%lld", 'w'}, {"%lli", 'w'}, {"%llu", 'w'},
    {"%llx", 'w'},  {"%016llX", 'w'}, {"%llo", 'w'},  {"%zu", 'w'},  {"%zd", 'w'},  {"%zx", 'w'},
    {"%p", 'w'},    {"%f", 'd'},      {"%e", 'd'},    {"%g", 'd'},   {"%E", 'd'},   {"%G", 'd'},
    {"%5.2f", 'd'}, {"%s", 's'},      {"%-12s", 's'},
};

// Appends one random message: types 0-5 and two unknown ones; empty,
// short or long texts with every byte value but NUL; a stamp clear of the
// default 0x1010 (never converted, so a stamp converting onto it would not
// come back) and of the top of the range (where a long tick saturates); up
// to four parameters typed by their descriptors, doubles of any magnitude,
// zero, infinity or NaN.
void recordRandom(std::mt19937_64& random, VkCErrorList& list) {
    auto pick = [&random](size_t bound) { return static_cast<uint32_t>(random() % bound); };
    auto text = [&] {
        std::string text(std::vector<size_t>{0, 1, 7, 300, 5000}[pick(5)], ' ');
        for (char& c : text) c = static_cast<char>(1 + pick(255));
        return text;
    };
    const std::string templateText = text(), function = text();
    list.setMessage(pick(8), pick(3), pick(2) * pick(400), pick(2) * pick(50), templateText.c_str(),
                    static_cast<uint32_t>(random()), static_cast<uint32_t>(random()),
                    static_cast<uint32_t>(random()), (random() >> (8 + pick(40))) + 0x100000,
                    function.c_str(), static_cast<const char*>(nullptr));
    const uint32_t index = list.getNumberOfUsedEntries() - 1;
    const double specials[] = {0.0, std::numeric_limits<double>::infinity(), std::nan("")};
    std::string format;
    for (uint32_t count = pick(5); count > 0; --count) {
        const auto& descriptor = kDescriptors[pick(std::size(kDescriptors))];
        format += descriptor.text;
        if (descriptor.kind == 'i') list.addAdditionalParameter(index, static_cast<int32_t>(random()));
        if (descriptor.kind == 'w') list.addAdditionalParameter(index, static_cast<int64_t>(random()));
        if (descriptor.kind == 's') list.addAdditionalParameter(index, text().c_str());
        if (descriptor.kind == 'd') {
            list.addAdditionalParameter(
                index, pick(2) == 0
                           ? specials[pick(3)]
                           : (pick(2) == 0 ? -1 : 1) * std::ldexp(static_cast<double>(random()),
                                                                  static_cast<int>(pick(600)) - 300));
        }
    }
    list.setFormatString(index, format.c_str());
}

// Stamps survive exactly when a local tick is a whole power of two of wire
// ticks; otherwise to the wire's resolution and the double arithmetic.
void expectStampsClose(uint64_t sent, uint64_t received, double tick) {
    const double ratio = tick / 8.5e-9;
    if ((ratio == 1.0 || ratio == 2.0) && sent < (uint64_t{1} << 52)) {
        EXPECT_EQ(sent, received);
    } else {
        EXPECT_NEAR(static_cast<double>(sent), static_cast<double>(received),
                    2.0 + 1.0 / ratio + static_cast<double>(sent) * 1e-15);
    }
}

class RoundTrip : public ReportCapture {};

TEST_F(RoundTrip, RandomListsReadBackIntoEqualEntries) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double savedTick = manager.getTimeStampTickDuration();
    std::mt19937_64 random(20240611);
    for (double tick : {8.5e-9, 17e-9, 4.25e-9, 1e-9, 3.3e-9, 1e-6}) {
        SCOPED_TRACE(tick);
        manager.setTimeStampTickDuration(tick);
        for (int round = 0; round < 20 && !HasFailure(); ++round) {
            VkCMessageListPool sent(12, 10, 0, 5, nullptr);
            for (int i = 0; i < 12; ++i) recordRandom(random, sent);
            const Bytes image = listImage(sent);
            VkCErrorList received(12, 10, 0, 0, nullptr);
            ASSERT_EQ(readList(received, image), 12);
            for (uint32_t i = 0; i < 12; ++i) {
                expectStampsClose(sent.getTimeStamp(i), received.getTimeStamp(i), tick);
                received.setTimeStamp(i, sent.getTimeStamp(i));
                expectSameEntry(sent, i, received, i);
            }
            // What was read writes the same image again.
            EXPECT_TRUE(tick != 8.5e-9 || listImage(received) == image);
            // Single messages travel the same way.
            VkCErrorList one(1, 10, 0, 0, nullptr);
            ASSERT_EQ(readMessage(one, messageImage(sent, 3)), 0);
            one.setTimeStamp(0, sent.getTimeStamp(3));
            expectSameEntry(sent, 3, one, 0);
        }
    }
    manager.setTimeStampTickDuration(savedTick);
    EXPECT_EQ(reports.getErrorCount(), 0u);
}

// Writers and readers carry what one block learnt over to the next (the
// catalogue text of a code, the plan of a format), so runs that repeat and
// then change a code or a format, at equal lengths too, must read back
// exactly; and the one-pass write into caller memory must give the image of
// the owned write, or fail as a whole when the memory is short.
TEST_F(RoundTrip, RunsOfOneCodeOrFormatAndCallerMemoryGiveTheSameImage) {
    VkCMessageListPool sent(8, 5, 0, 5, nullptr);
    sent.setError(kCodeListVersion, 1, "f", "%d%s", 1, "one");
    sent.setError(kCodeListVersion, 2, "f", "%d%s", 2, "two");
    sent.setError(kCodeListIdentifier, 3, "f", "%s%d", "three", 3);
    sent.setError(kCodeListIdentifier, 4, "f", "%s%d", "four", 4);
    sent.setError(kCodeListVersion, 5, "f", "%f%d", 5.5, 5);
    sent.setError(kCodeListVersion, 6, "f", "%lld", 6ll);
    const Bytes image = listImage(sent);
    VkCErrorList received(8, 5, 0, 0, nullptr);
    ASSERT_EQ(readList(received, image), 6);
    for (uint32_t i = 0; i < 6; ++i) {
        expectSameEntry(sent, i, received, i);
        EXPECT_STREQ(received.getMessageTemplate(i), sent.getMessageTemplate(i));
    }

    std::vector<char> memory(image.size() + 8, '\x5A');
    uint32_t size = 0;
    ASSERT_EQ(sent.serialize(memory.data(), static_cast<uint32_t>(image.size()), size), memory.data());
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + size), image);
    EXPECT_EQ(memory[image.size()], '\x5A');
    for (uint32_t shorter = 0; shorter < image.size(); ++shorter) {
        size = 1;
        EXPECT_EQ(sent.serialize(memory.data(), shorter, size), nullptr);
        EXPECT_EQ(size, 0u);
    }
    EXPECT_EQ(reports.getErrorCount(), 0u);
}

// List header (36 bytes) and the first block's fixed header (64 bytes).
constexpr size_t kListHeaderSpan = 36 + 64;
// A message image's prefix and fixed block header.
constexpr size_t kMessageHeaderSpan = 4 + 64;

class ImageDamage : public ReportCapture {
  protected:
    void SetUp() override {
        VkCErrorList sent(4, 10, 0, 3, nullptr);
        sent.setApplicationId(0x77);
        sent.setMessage(2, 1, 128, 3, "Value %1 %2", 0x00300005, 42, 2, 0x1010, "f", "%d%s", 7, "text");
        sent.setMessage(4, 0, 0, 0, nullptr, 0x00102002, 9, 0, 12345, "g", "%f%lld%08X", 0.5, -9LL, 3);
        listBytes = listImage(sent);
        messageBytes = messageImage(sent, 0);
        // The undamaged images read cleanly, so a failure below is the damage's.
        ASSERT_EQ(readList(receiver, listBytes), 2);
        ASSERT_EQ(readMessage(receiver, messageBytes), 0);
        ASSERT_EQ(reports.getErrorCount(), 0u);
    }

    // Checks one reader outcome and clears the reports for the next case.
    void expectDefined(int32_t result, int32_t maxCount) {
        EXPECT_GE(result, -1);
        EXPECT_LE(result, maxCount);
        const uint32_t reported = reports.getErrorCount(), code = reports.getErrorCode(0);
        EXPECT_LE(reported, result >= 0 ? 0u : 1u);
        EXPECT_TRUE(reported == 0 ||
                    (code >= kCodeListIdentifier && code <= kCodeMessageRemainingBytes && code != 0x102009))
            << code;
        reports.reset();
    }

    void checkList(const Bytes& image, size_t length) {
        receiver.reset();
        expectDefined(readList(receiver, image, length), 2);
        // A full receiver walks the same bytes without storing.
        expectDefined(readList(fullReceiver, image, length), 0);
    }

    void checkMessage(const Bytes& image, size_t length) {
        expectDefined(readMessage(receiver, image, 0, length), 0);
        expectDefined(static_cast<int32_t>(readBuffered(receiver, image, 1, length)[0]), 0);
    }

    // Every single bit flip within `span`, and with `pairs` every two.
    template <typename Read>
    void flipBits(Bytes image, size_t span, bool pairs, Read read) {
        const size_t bits = span * 8;
        auto flip = [&image](size_t bit) { image[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8)); };
        for (size_t first = 0; first < bits && !HasFailure(); ++first) {
            flip(first);
            read(image, image.size());
            for (size_t second = first + 1; pairs && second < bits; ++second) {
                flip(second);
                read(image, image.size());
                flip(second);
            }
            flip(first);
        }
    }

    // Cut at every length, once with the prefix as sent (too long for the
    // data) and once with the prefix matching the cut.
    template <typename Read>
    void truncate(const Bytes& image, Read read) {
        for (size_t length = 0; length < image.size() && !HasFailure(); ++length) {
            read(image, length);
            Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
            if (length >= 4) putWord(cut, 0, static_cast<uint32_t>(length));
            read(cut, length);
        }
    }

    Bytes listBytes;
    Bytes messageBytes;
    VkCErrorList receiver{2, 5, 0, 0, nullptr};
    VkCErrorList fullReceiver{1, 5, 0, 0, nullptr};
};

TEST_F(ImageDamage, BitFlipsInTheHeadersAndAnywhere) {
    fullReceiver.setError(1, 1, "f", nullptr);
    auto list = [this](const Bytes& image, size_t length) { checkList(image, length); };
    auto message = [this](const Bytes& image, size_t length) { checkMessage(image, length); };
    flipBits(listBytes, kListHeaderSpan, true, list);
    flipBits(listBytes, listBytes.size(), false, list);
    flipBits(messageBytes, kMessageHeaderSpan, true, message);
    flipBits(messageBytes, messageBytes.size(), false, message);
}

TEST_F(ImageDamage, Truncation) {
    truncate(listBytes, [this](const Bytes& image, size_t length) {
        receiver.reset();
        EXPECT_EQ(readList(receiver, image, length), -1);
        EXPECT_EQ(reports.getErrorCount(), 0u);
    });
    truncate(messageBytes, [this](const Bytes& image, size_t length) {
        EXPECT_EQ(readMessage(receiver, image, 0, length), -1);
        EXPECT_EQ(reports.getErrorCount(), 0u);
    });
}

}  // namespace

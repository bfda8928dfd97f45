// The message block and the list image: the exact images of the worked
// examples, both writers, reading back and appending, parameter typing,
// foreign blocks and longer headers, the readers' failures with and
// without report, and the time-stamp conversion.
#include "serial/WireFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"

namespace {

using namespace VkNSerialTest;
using namespace VkNCatalogue;

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
    WireFormat() {
        example.setApplicationId(0x10);
        recordExampleMessage(example);
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
    char memory[200];
    uint32_t size = 0;
    EXPECT_EQ(example.serialize(memory, sizeof memory, size), memory);
    EXPECT_EQ(Bytes(memory, memory + size), exampleListImage());
    EXPECT_EQ(example.serialize(memory, 100, size), nullptr);
    EXPECT_EQ(size, 0u);

    VkCErrorList empty(2, 5, 0, 1, nullptr);
    size = 99;
    EXPECT_EQ(empty.serialize(size), nullptr);
    EXPECT_EQ(size, 0u);
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

// Wide values travel in a section of their own, in parameter order. The
// reader must type "%o" as 32-bit and "%zu" as 64-bit as recording does, or
// the values land in the wrong sections. Descriptors without values read as
// defaults; a receiver with fewer slots keeps the first ones.
TEST_F(WireFormat, ReaderTypesParametersAsRecordingDoes) {
    VkCErrorList list(4, 10, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%f%lld%llx", 2.5, -3LL, 1ULL << 40);
#pragma GCC diagnostic push  // "%%d" is a descriptor here, so printf's reading is off by one
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
#pragma GCC diagnostic ignored "-Wpedantic"
    list.setMessage(1, 0, 1, 1, "t", 6, 1, 1, 0x1010, "f", "%o%zu%%d%5.2f%s%p%ld%zx", 8, size_t{1} << 33, 4,
                    0.25, "s", int64_t{0x1234}, 6, size_t{7});
#pragma GCC diagnostic pop
    list.setMessage(1, 0, 1, 1, "t", 7, 1, 1, 0x1010, "f", nullptr, int32_t{0});
    list.setFormatString(2, "%s%d%f%lld");
    list.setMessage(1, 0, 1, 1, "t", 8, 1, 1, 0x1010, "f", "%s%d%f%d", "one", 2, 3.0, 4);
    const Bytes image = messageImage(list, 0);
    EXPECT_EQ(
        Bytes(image.end() - 28, image.end()),
        hexBytes("00 00 00 03 40 04 00 00 00 00 00 00 ff ff ff ff ff ff ff fd 00 00 01 00 00 00 00 00"));
    VkCErrorList wide(2, 10, 0, 0, nullptr);
    for (uint32_t i = 0; i < 2; ++i) {
        ASSERT_EQ(readMessage(wide, messageImage(list, i), i), 0);
        expectSameEntry(list, i, wide, i);
    }
    ASSERT_EQ(readMessage(received, messageImage(list, 2)), 0);
    EXPECT_EQ(VkNTest::describeParameters(received, 0), "s: i:0 d:0 w:0");
    VkCErrorList narrow(1, 2, 0, 0, nullptr);
    ASSERT_EQ(readMessage(narrow, messageImage(list, 3)), 0);
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
// or behind the last value read of a section cut short.
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
    EXPECT_TRUE(takeReports().empty());
}

// Each malformed image is rejected with its own report, whose values are
// given here as the report entry's parameters; positions are offsets into
// the buffer's payload at the time of the report.
TEST_F(WireFormat, MalformedImagesAreReported) {
    const DamageRow messageRows[] = {
        {"version 2", [](Bytes& image) { putWord(image, kVersionField, 2); }, kCodeMessageVersion,
         "%08X%08X%08x", "i:12 i:1 i:2"},
        {"header bytes 44", [](Bytes& image) { putWord(image, kHeaderBytesField, 44); },
         kCodeMessageHeaderBytes, "%08X%d%d", "i:60 i:44 i:48"},
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
    };
    for (const auto& row : messageRows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        row.damage(image);
        EXPECT_EQ(readMessage(received, image), -1);
        expectOnlyReport(row, "VkCErrorList::deSerializeMessage");
    }
    EXPECT_STREQ(received.getFunctionName(0), "f");  // stored before the fourth string was refused

    const DamageRow listRows[] = {
        {"list identifier", [](Bytes& image) { putWord(image, 4, 0x00102001); }, kCodeListIdentifier,
         "%08X%08X", "i:1056768 i:1056769"},
        {"version", [](Bytes& image) { putWord(image, 12, 2); }, kCodeListVersion, "%08X%08X", "i:1 i:2"},
        {"header bytes 16", [](Bytes& image) { putWord(image, kListHeaderBytesField, 16); },
         kCodeListHeaderBytes, "%d", "i:-4"},
        {"block identifier", [](Bytes& image) { putWord(image, kFirstBlock, 0x00101001); },
         kCodeBlockIdentifier, "%d%08X%08X", "i:0 i:1052672 i:1052673"},
        {"4 bytes before the termination",
         [](Bytes& image) {
             image.insert(image.end() - 12, 4, 0);
             fixSizes(image);
         },
         kCodeListRemainingBytes, "%d%d", "i:12 i:16"},
        {"last termination word", [](Bytes& image) { image.back() = 0xFE; }, kCodeListTermination, "", ""},
        {"first termination word", [](Bytes& image) { image[image.size() - 12] = 0xAB; },
         kCodeListTermination, "", ""},
        {"message version", [](Bytes& image) { putWord(image, kFirstBlock + 8, 3); }, kCodeMessageVersion,
         "%08X%08X%08x", "i:12 i:1 i:3"},
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
}

TEST_F(WireFormat, MalformedLengthsFailWithoutReport) {
    const std::pair<size_t, uint32_t> messageRows[] = {{0, 111},         {0, 3},           {68, 0xFFFFFFFF},
                                                       {94, 0xFFFFFFFF}, {98, 0xFFFFFFFF}, {106, 0xFFFFFFFF}};
    for (const auto& [offset, value] : messageRows) {
        Bytes image = kExampleImage;
        putWord(image, offset, value);
        EXPECT_EQ(readMessage(received, image), -1) << offset;
    }
    EXPECT_EQ(received.deSerializeMessage(0, nullptr, 110) +
                  received.deSerializeMessage(2, kExampleImage.data(), 110),
              -2);
    // Only the count of 4 G makes a report: the termination words are taken
    // for the second block.
    const std::pair<size_t, uint32_t> listRows[] = {{0, 155},
                                                    {kFirstBlock + 4, 0x200},
                                                    {kFirstBlock + 4, 4},
                                                    {kListHeaderBytesField, 0xFFFFFFFF},
                                                    {kCountField, 0xFFFFFFFF}};
    for (const auto& [offset, value] : listRows) {
        Bytes image = exampleListImage();
        putWord(image, offset, value);
        VkCErrorList full(1, 5, 0, 0, nullptr);
        full.setError(1, 1, "f", nullptr);
        EXPECT_EQ(readList(full, image), -1) << offset;
        EXPECT_LE(full.getErrorCount(), 2u);
        EXPECT_EQ(takeReports().size(), offset == kCountField ? 1u : 0u) << offset;
    }
    EXPECT_EQ(received.deSerialize(nullptr, 154) + received.deSerialize(exampleListImage().data(), 3), -2);

    // In a buffer still being written no read starts behind the write
    // position: neither a stale block behind a rewritten one nor the rest of
    // a block that the write position cuts is read.
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

}  // namespace

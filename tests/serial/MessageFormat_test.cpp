// The message block: the exact image of the worked example, reading back,
// the reader's failure reports, foreign blocks, parameter typing and the
// time-stamp conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"
#include "serial/WireFormat.h"

namespace {

using namespace VkNSerialTest;

const Bytes kExampleImage = hexBytes(
    "00 00 00 6e 00 10 10 00 00 00 00 6a 00 00 00 01 "
    "00 00 00 30 00 00 00 02 00 00 00 02 00 00 00 2a "
    "00 00 00 00 00 00 10 10 00 30 00 05 00 00 00 00 "
    "00 00 00 80 00 00 00 03 00 00 00 05 00 00 00 0e "
    "00 00 00 03 00 00 00 03 25 64 00 00 00 00 02 66 "
    "00 00 00 00 09 56 61 6c 75 65 20 25 31 00 00 00 "
    "00 00 00 00 00 01 00 00 00 07 00 00 00 00");

// Image offsets of block fields (block offset + 4 for the length prefix).
constexpr size_t kSizeField = 8, kVersionField = 12, kHeaderBytesField = 16, kStringCountField = 64;

class MessageFormat : public ReportCapture {
  protected:
    VkCErrorList received{2, 5, 0, 0, nullptr};
};

TEST_F(MessageFormat, ExampleEntryGivesTheExactImage) {
    VkCErrorList list(4, 5, 0, 0, nullptr);
    recordExampleMessage(list);
    EXPECT_EQ(messageImage(list, 0), kExampleImage);

    VkCObjectBuffer buffer;
    uint32_t size = 0;
    ASSERT_TRUE(list.serializeMessage(0, &buffer, size));
    EXPECT_EQ(size, 106u);
    EXPECT_EQ(buffer.getOccupiedSize(), 110u);

    EXPECT_FALSE(list.serializeMessage(4, &buffer, size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(list.serializeMessage(0, nullptr, size));
    EXPECT_EQ(buffer.getOccupiedSize(), 110u);
    EXPECT_EQ(list.getSerializedMessage(4, size), nullptr);
    EXPECT_EQ(size, 0u);

    // A host's buffer grows field by field: by the 1001-byte function name,
    // then by 512 for the integer that no longer fits.
    const std::string longName(1000, 'f');
    VkCErrorList named(1, 5, 0, 0, nullptr);
    named.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, longName.c_str(), "%d", 7);
    VkCObjectBuffer nearlyFull;
    const Bytes filler(4000, 0);
    ASSERT_EQ(nearlyFull.writeBuffer(filler.data(), filler.size(), 1), 4000);
    ASSERT_TRUE(named.serializeMessage(0, &nearlyFull, size));
    EXPECT_EQ(size, 1105u);
    EXPECT_EQ(nearlyFull.getSize(), 4100u + 1001u + 512u);
}

// Reading replaces the strings and parameters the entry held (the sanitizer
// build sees a leak otherwise) and leaves the counters to the caller.
TEST_F(MessageFormat, ExampleImageReadsBackOverWhatTheEntryHeld) {
    VkCErrorList sent(1, 5, 0, 0, nullptr);
    recordExampleMessage(sent);
    received.setMessage(1, 0, 1, 1, "old template", 6, 1, 1, 0x1010, "old", "%s%s", "a", "b");
    ASSERT_EQ(readMessage(received, kExampleImage), 0);
    expectSameEntry(sent, 0, received, 0);
    EXPECT_EQ(received.getTimeStamp(0), 4112u);
    EXPECT_EQ(received.getNumberOfUsedEntries(), 1u);
    EXPECT_EQ(received.getErrorCount(), 1u);
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(MessageFormat, EventWithoutTextsCarriesThreeEmptyStrings) {
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(5, 0, 1, 1, nullptr, 0x00300005, 1, 9, 0x1010, nullptr, nullptr, int32_t{0});
    const Bytes image = messageImage(list, 0);
    ASSERT_EQ(image.size(), 95u);
    EXPECT_EQ(wordAt(image, kSizeField), 91u);
    EXPECT_EQ(Bytes(image.begin() + 64, image.end()),
              hexBytes("00 00 00 03 00 00 00 01 00 00 00 00 01 00 00 00 00 01 00 "
                       "00 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST_F(MessageFormat, MissingTemplateTravelsAsTheCatalogueText) {
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setError(VkNCatalogue::kCodeListVersion, 1, "f", "%08X%08X", 1, 2);
    ASSERT_EQ(readMessage(received, messageImage(list, 0)), 0);
    // The receiver has the text even where the code means nothing to it.
    EXPECT_STREQ(received.getMessageTemplate(0), list.getMessageTemplate(0));
    EXPECT_STRNE(received.getMessageTemplate(0), "");
}

TEST_F(MessageFormat, SendingStampsOriginNodeAndModuleNumbers) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const uint32_t savedNode = manager.getMyNodeId();
    manager.setMyNodeId(77);
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 0, 0, nullptr, 0x00300005, 1, 0, 0x1010, "f", "%d", 1);
    const Bytes image = messageImage(list, 0);
    manager.setMyNodeId(savedNode);
    EXPECT_EQ(list.getOriginNode(0), 77u);
    EXPECT_EQ(wordAt(image, 20), 77u);
    EXPECT_EQ(wordAt(image, 48), list.getMainModuleNumber(0));
    EXPECT_EQ(wordAt(image, 52), list.getSubModuleNumber(0));
}

// Wide values travel in a section of their own, in parameter order. The
// reader must type "%o" as 32-bit and "%zu" as 64-bit as recording does, or
// the values land in the wrong sections.
TEST_F(MessageFormat, ReaderTypesParametersAsRecordingDoes) {
    VkCErrorList list(2, 10, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%f%lld%llx", 2.5, int64_t{-3}, int64_t{1} << 40);
    list.setMessage(1, 0, 1, 1, "t", 6, 1, 1, 0x1010, "f", "%o%zu%%d%5.2f%s%p%ld%zx", 8, size_t{1} << 33, 4,
                    0.25, "s", int64_t{0x1234}, 6, size_t{7});
    ASSERT_EQ(list.getAdditionalParametersCount(1), 8u);
    const Bytes image = messageImage(list, 0);
    EXPECT_EQ(Bytes(image.end() - 28, image.end()),
              hexBytes("00 00 00 03 40 04 00 00 00 00 00 00 ff ff ff ff ff ff ff fd "
                       "00 00 01 00 00 00 00 00"));
    VkCErrorList wide(2, 10, 0, 0, nullptr);
    for (uint32_t i = 0; i < 2; ++i) {
        ASSERT_EQ(readMessage(wide, messageImage(list, i), i), 0);
        expectSameEntry(list, i, wide, i);
    }
}

// Descriptors without values read as defaults; a receiver with fewer
// parameter slots keeps the first ones in format order.
TEST_F(MessageFormat, ParameterSectionsShorterOrLongerThanTheReceiver) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", nullptr, int32_t{0});
    list.setFormatString(0, "%s%d%f%lld");
    list.setMessage(1, 0, 1, 1, "t", 6, 1, 1, 0x1010, "f", "%s%d%f%d", "one", 2, 3.0, 4);
    ASSERT_EQ(readMessage(received, messageImage(list, 0)), 0);
    EXPECT_EQ(VkNTest::describeParameters(received, 0), "s: i:0 d:0 w:0");
    VkCErrorList narrow(1, 2, 0, 0, nullptr);
    ASSERT_EQ(readMessage(narrow, messageImage(list, 1)), 0);
    EXPECT_EQ(VkNTest::describeParameters(narrow, 0), "s:one i:2");
}

TEST_F(MessageFormat, ForeignBlocksBeforeTheMessageAreSkipped) {
    Bytes image = kExampleImage;
    const Bytes foreign = hexBytes("12 34 56 78 00 00 00 10 de ad be ef de ad be ef");
    image.insert(image.begin() + 4, foreign.begin(), foreign.end());
    putWord(image, 0, static_cast<uint32_t>(image.size()));
    ASSERT_EQ(readMessage(received, image), 0);
    EXPECT_EQ(received.getErrorCode(0), 0x00300005u);

    // Through a buffer, the read position ends behind the block.
    VkCObjectBuffer buffer(image.data(), static_cast<uint32_t>(image.size()));
    ASSERT_EQ(received.deSerializeMessage(1, buffer), 0);
    EXPECT_EQ(buffer.getReadOffset(), image.size() - 4);
    // A section cut short leaves it behind the last value read: five integers
    // announced, three fit.
    Bytes cut = kExampleImage;
    putWord(cut, 0x62, 5);
    VkCObjectBuffer cutBuffer(cut.data(), static_cast<uint32_t>(cut.size()));
    EXPECT_EQ(received.deSerializeMessage(1, cutBuffer), -1);
    EXPECT_EQ(cutBuffer.getReadOffset(), cut.size() - 4);

    // A foreign block too small for its own size field ends the read.
    putWord(image, 8, 7);
    EXPECT_EQ(readMessage(received, image), -1);
    EXPECT_TRUE(takeReports().empty());
}

// Each malformed block is rejected with its own report; positions are
// offsets into the buffer's payload at the time of the report.
TEST_F(MessageFormat, MalformedBlocksAreReported) {
    const DamageRow rows[] = {
        {"version 2", [](Bytes& image) { putWord(image, kVersionField, 2); },
         VkNCatalogue::kCodeMessageVersion, "%08X%08X%08x",
         "Invalid message data at 0000000C: Version mismatch (expected 00000001, actual 00000002)."},
        {"header bytes 44", [](Bytes& image) { putWord(image, kHeaderBytesField, 44); },
         VkNCatalogue::kCodeMessageHeaderBytes, "%08X%d%d",
         "Invalid message data at 0000003C: Remaining header bytes mismatch (expected 44, actual 48)."},
        {"fourth string",
         [](Bytes& image) {
             putWord(image, kStringCountField, 4);
             const Bytes extra = hexBytes("00 00 00 02 78 00");
             image.insert(image.begin() + 94, extra.begin(), extra.end());
             putWord(image, kSizeField, wordAt(image, kSizeField) + 6);
             putWord(image, 0, static_cast<uint32_t>(image.size()));
         },
         VkNCatalogue::kCodeSuperfluousString, "%08X%d",
         "Invalid message data at 00000060: Detected superfluous string at index 3."},
        {"size 4 too large",
         [](Bytes& image) {
             putWord(image, kSizeField, 110);
             image.insert(image.end(), 4, 0);
             putWord(image, 0, 114);
         },
         VkNCatalogue::kCodeMessageRemainingBytes, "%08X%d%d",
         "Invalid message data at 0000006A: Remaining bytes mismatch (expected 110, actual 106)."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        row.damage(image);
        EXPECT_EQ(readMessage(received, image), -1);
        expectOnlyReport(row, "VkCErrorList::deSerializeMessage");
    }
    // The three fixed strings were stored before the fourth was refused.
    EXPECT_STREQ(received.getFunctionName(0), "f");
}

TEST_F(MessageFormat, LongerHeadersAreSkipped) {
    Bytes image = kExampleImage;
    putWord(image, kHeaderBytesField, 52);
    insertZeros(image, 64, 4);
    putWord(image, kSizeField, 110);
    putWord(image, 0, 114);
    ASSERT_EQ(readMessage(received, image), 0);
    EXPECT_STREQ(received.getFormatString(0), "%d");
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(MessageFormat, MalformedLengthsFailWithoutReport) {
    const struct {
        const char* name;
        size_t offset;
        uint32_t value;
    } rows[] = {
        {"prefix beyond data", 0, 111},        {"prefix below 4", 0, 3},
        {"string of 4 GB", 68, 0xFFFFFFFF},    {"4 G string parameters", 94, 0xFFFFFFFF},
        {"integers of 16 GB", 98, 0xFFFFFFFF}, {"wide values of 32 GB", 106, 0xFFFFFFFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        putWord(image, row.offset, row.value);
        EXPECT_EQ(readMessage(received, image), -1);
    }
    EXPECT_EQ(received.deSerializeMessage(0, nullptr, 110), -1);
    EXPECT_EQ(received.deSerializeMessage(2, kExampleImage.data(), 110), -1);

    // In a buffer still being written no read starts behind the write
    // position, so the stale block behind a rewritten one is not read.
    VkCErrorList sent(1, 5, 0, 0, nullptr);
    recordExampleMessage(sent);
    VkCObjectBuffer rewritten;
    uint32_t size = 0;
    ASSERT_TRUE(sent.serializeMessage(0, &rewritten, size));
    ASSERT_TRUE(sent.serializeMessage(0, &rewritten, size));
    ASSERT_EQ(rewritten.setWriteOffset(0), 0);
    ASSERT_TRUE(sent.serializeMessage(0, &rewritten, size));
    EXPECT_EQ(received.deSerializeMessage(0, rewritten), 0);
    EXPECT_EQ(received.deSerializeMessage(1, rewritten), -1);
    EXPECT_TRUE(takeReports().empty());
}

TEST(TimeStampConversion, ScalesByTheTickDurationAndSaturates) {
    using VkNSerial::fromWireTicks;
    using VkNSerial::toWireTicks;
    EXPECT_EQ(toWireTicks(1000, 17e-9), 2000u);
    EXPECT_EQ(fromWireTicks(2000, 17e-9), 1000u);
    EXPECT_EQ(toWireTicks((uint64_t{1} << 53) - 1, 8.5e-9), (uint64_t{1} << 53) - 1);
    // The default stamp is never converted, whichever way.
    EXPECT_EQ(toWireTicks(0x1010, 17e-9), 0x1010u);
    EXPECT_EQ(fromWireTicks(0x1010, 17e-9), 0x1010u);

    // Ticks that are no duration give defined values, never a trapping cast.
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
    EXPECT_EQ(fromWireTicks(0, 0.0), 0u);
    EXPECT_EQ(toWireTicks(UINT64_MAX, 1.0), UINT64_MAX);
}

TEST_F(MessageFormat, StampsTravelInWireTicks) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double savedTick = manager.getTimeStampTickDuration();
    manager.setTimeStampTickDuration(17e-9);
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 1000, "f", "%d", 1);
    const Bytes image = messageImage(list, 0);
    EXPECT_EQ(hexBytes("00 00 00 00 00 00 07 d0"), Bytes(image.begin() + 32, image.begin() + 40));
    const int32_t result = readMessage(received, image);
    manager.setTimeStampTickDuration(savedTick);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(received.getTimeStamp(0), 1000u);
}

}  // namespace

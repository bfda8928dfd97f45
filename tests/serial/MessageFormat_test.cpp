// The message block: the exact image of the worked example, reading back,
// the reader's failure reports, foreign blocks, parameter typing and the
// time-stamp conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

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
constexpr size_t kSizeField = 8;
constexpr size_t kVersionField = 12;
constexpr size_t kHeaderBytesField = 16;
constexpr size_t kStringCountField = 64;
constexpr size_t kAfterHeader = 64;

class MessageFormat : public ReportCapture {
  protected:
    // Reads `image` into entry 0 of a fresh 5-parameter list.
    int32_t readImage(const Bytes& image) {
        return received.deSerializeMessage(0, image.data(), static_cast<uint32_t>(image.size()));
    }

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
}

TEST_F(MessageFormat, ExampleImageReadsBackIntoAnEqualEntry) {
    VkCErrorList sent(1, 5, 0, 0, nullptr);
    recordExampleMessage(sent);
    ASSERT_EQ(readImage(kExampleImage), 0);
    expectSameEntry(sent, 0, received, 0);
    EXPECT_EQ(received.getTimeStamp(0), 4112u);
    // Readers leave the counters to their caller.
    EXPECT_EQ(received.getNumberOfUsedEntries(), 0u);
    EXPECT_EQ(received.getErrorCount(), 0u);
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
    ASSERT_EQ(readImage(messageImage(list, 0)), 0);
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

TEST_F(MessageFormat, WideValuesKeepParameterOrderAndReadBackByFormat) {
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%f%lld%llx", 2.5, int64_t{-3}, int64_t{1} << 40);
    const Bytes image = messageImage(list, 0);
    // The image ends with M = 3 and the three values in parameter order.
    EXPECT_EQ(Bytes(image.end() - 28, image.end()),
              hexBytes("00 00 00 03 40 04 00 00 00 00 00 00 ff ff ff ff ff ff ff fd "
                       "00 00 01 00 00 00 00 00"));
    ASSERT_EQ(readImage(image), 0);
    expectSameEntry(list, 0, received, 0);
}

// Recording types "%o" as 32-bit and "%zu" as 64-bit; the reader must agree
// or the values land in the wrong sections.
TEST_F(MessageFormat, ReaderTypesDescriptorsAsRecordingDoes) {
    VkCErrorList list(1, 10, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%o%zu%%d%5.2f%s%p%ld%zx", 8, size_t{1} << 33, 4,
                    0.25, "s", int64_t{0x1234}, 6, size_t{7});
    ASSERT_EQ(list.getAdditionalParametersCount(0), 8u);
    VkCErrorList wide(1, 10, 0, 0, nullptr);
    const Bytes image = messageImage(list, 0);
    ASSERT_EQ(wide.deSerializeMessage(0, image.data(), static_cast<uint32_t>(image.size())), 0);
    expectSameEntry(list, 0, wide, 0);
}

TEST_F(MessageFormat, EmptySectionsYieldDefaults) {
    // Four descriptors against an image without any parameter values.
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", nullptr, int32_t{0});
    list.setFormatString(0, "%s%d%f%lld");
    ASSERT_EQ(readImage(messageImage(list, 0)), 0);
    ASSERT_EQ(received.getAdditionalParametersCount(0), 4u);
    const char* text = nullptr;
    int32_t integer = -1;
    double real = -1;
    int64_t wide = -1;
    EXPECT_EQ(received.getAdditionalParameter(0, 1, text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(received.getAdditionalParameter(0, 2, integer), 0);
    EXPECT_EQ(integer, 0);
    EXPECT_EQ(received.getAdditionalParameter(0, 3, real), 0);
    EXPECT_EQ(real, 0.0);
    EXPECT_EQ(received.getAdditionalParameter(0, 4, wide), 0);
    EXPECT_EQ(wide, 0);
}

TEST_F(MessageFormat, NarrowReceiverKeepsTheFirstParametersInFormatOrder) {
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setMessage(1, 0, 1, 1, "t", 5, 1, 1, 0x1010, "f", "%s%d%f%d", "one", 2, 3.0, 4);
    VkCErrorList narrow(1, 2, 0, 0, nullptr);
    const Bytes image = messageImage(list, 0);
    ASSERT_EQ(narrow.deSerializeMessage(0, image.data(), static_cast<uint32_t>(image.size())), 0);
    ASSERT_EQ(narrow.getAdditionalParametersCount(0), 2u);
    const char* text = nullptr;
    int32_t value = 0;
    EXPECT_EQ(narrow.getAdditionalParameter(0, 1, text), 0);
    EXPECT_STREQ(text, "one");
    EXPECT_EQ(narrow.getAdditionalParameter(0, 2, value), 0);
    EXPECT_EQ(value, 2);
}

TEST_F(MessageFormat, ReadingReplacesWhatTheEntryHeld) {
    received.setMessage(1, 0, 1, 1, "old template", 5, 1, 1, 0x1010, "old", "%s%s", "a", "b");
    ASSERT_EQ(readImage(kExampleImage), 0);
    EXPECT_STREQ(received.getFunctionName(0), "f");
    EXPECT_STREQ(received.getMessageTemplate(0), "Value %1");
    ASSERT_EQ(received.getAdditionalParametersCount(0), 1u);
    int32_t value = 0;
    EXPECT_EQ(received.getAdditionalParameter(0, 1, value), 0);
    EXPECT_EQ(value, 7);
}

TEST_F(MessageFormat, ForeignBlocksBeforeTheMessageAreSkipped) {
    Bytes image = kExampleImage;
    const Bytes foreign = hexBytes("12 34 56 78 00 00 00 10 de ad be ef de ad be ef");
    image.insert(image.begin() + 4, foreign.begin(), foreign.end());
    putWord(image, 0, static_cast<uint32_t>(image.size()));
    ASSERT_EQ(readImage(image), 0);
    EXPECT_EQ(received.getErrorCode(0), 0x00300005u);

    // Through a buffer, the read position ends behind the block.
    VkCObjectBuffer buffer(image.data(), static_cast<uint32_t>(image.size()));
    ASSERT_EQ(received.deSerializeMessage(1, buffer), 0);
    EXPECT_EQ(buffer.getReadOffset(), image.size() - 4);

    // A foreign block too small for its own size field ends the read.
    putWord(image, 8, 7);
    EXPECT_EQ(readImage(image), -1);
    EXPECT_TRUE(takeReports().empty());
}

struct FailureRow {
    const char* name;
    void (*damage)(Bytes& image);
    uint32_t code;
    const char* formatString;
    const char* text;
};

// Each malformed block is rejected with its own report; positions are
// offsets into the buffer's payload at the time of the report.
TEST_F(MessageFormat, MalformedBlocksAreReported) {
    const FailureRow rows[] = {
        {"version 2", [](Bytes& image) { putWord(image, kVersionField, 2); },
         VkNCatalogue::kCodeMessageVersion, "%08X%08X%08x",
         "Internal error. Varnik Support information: Invalid message data at 0000000C: Version mismatch "
         "(expected 00000001, actual 00000002)."},
        {"header bytes 44", [](Bytes& image) { putWord(image, kHeaderBytesField, 44); },
         VkNCatalogue::kCodeMessageHeaderBytes, "%08X%d%d",
         "Internal error. Varnik Support information: Invalid message data at 0000003C: Remaining header "
         "bytes "
         "mismatch (expected 44, actual 48)."},
        {"fourth string",
         [](Bytes& image) {
             putWord(image, kStringCountField, 4);
             const Bytes extra = hexBytes("00 00 00 02 78 00");
             image.insert(image.begin() + 94, extra.begin(), extra.end());
             putWord(image, kSizeField, wordAt(image, kSizeField) + 6);
             putWord(image, 0, static_cast<uint32_t>(image.size()));
         },
         VkNCatalogue::kCodeSuperfluousString, "%08X%d",
         "Internal error. Varnik Support information: Invalid message data at 00000060: Detected superfluous "
         "string at index 3."},
        {"size 4 too large",
         [](Bytes& image) {
             putWord(image, kSizeField, 110);
             image.insert(image.end(), 4, 0);
             putWord(image, 0, 114);
         },
         VkNCatalogue::kCodeMessageRemainingBytes, "%08X%d%d",
         "Internal error. Varnik Support information: Invalid message data at 0000006A: Remaining bytes "
         "mismatch (expected 110, actual 106)."},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        row.damage(image);
        EXPECT_EQ(readImage(image), -1);
        const auto reports = takeReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].code, row.code);
        EXPECT_EQ(reports[0].functionName, "VkCErrorList::deSerializeMessage");
        EXPECT_EQ(reports[0].formatString, row.formatString);
        EXPECT_EQ(reports[0].text, row.text);
    }
    // The three fixed strings were stored before the fourth was refused.
    EXPECT_STREQ(received.getFunctionName(0), "f");
}

TEST_F(MessageFormat, LongerHeadersAreSkipped) {
    Bytes image = kExampleImage;
    putWord(image, kHeaderBytesField, 52);
    insertZeros(image, kAfterHeader, 4);
    putWord(image, kSizeField, 110);
    putWord(image, 0, 114);
    ASSERT_EQ(readImage(image), 0);
    EXPECT_STREQ(received.getFormatString(0), "%d");
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(MessageFormat, MalformedLengthsFailWithoutReport) {
    struct Row {
        const char* name;
        size_t offset;
        uint32_t value;
    };
    const Row rows[] = {
        {"prefix beyond data", 0, 111},        {"prefix below 4", 0, 3},
        {"string of 4 GB", 68, 0xFFFFFFFF},    {"4 G string parameters", 94, 0xFFFFFFFF},
        {"integers of 16 GB", 98, 0xFFFFFFFF}, {"wide values of 32 GB", 106, 0xFFFFFFFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleImage;
        putWord(image, row.offset, row.value);
        EXPECT_EQ(readImage(image), -1);
    }
    EXPECT_EQ(received.deSerializeMessage(0, nullptr, 110), -1);
    EXPECT_EQ(received.deSerializeMessage(2, kExampleImage.data(), 110), -1);
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

    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double tick : {0.0, -1e-9, inf, -inf, nan}) {
        SCOPED_TRACE(tick);
        EXPECT_LE(toWireTicks(1000, tick), UINT64_MAX);  // defined, never trapping
        EXPECT_LE(fromWireTicks(1000, tick), UINT64_MAX);
    }
    EXPECT_EQ(toWireTicks(1000, 0.0), 0u);
    EXPECT_EQ(toWireTicks(1000, -1e-9), 0u);
    EXPECT_EQ(toWireTicks(1000, nan), 0u);
    EXPECT_EQ(toWireTicks(1000, inf), UINT64_MAX);
    EXPECT_EQ(fromWireTicks(1000, 0.0), UINT64_MAX);
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
    const int32_t result = readImage(image);
    manager.setTimeStampTickDuration(savedTick);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(received.getTimeStamp(0), 1000u);
}

}  // namespace

// The list image: the exact image of the worked example, both writers,
// appending on read, full receivers, and the reader's failure reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"

namespace {

using namespace VkNSerialTest;

const Bytes kExampleListImage = hexBytes(
    "00 00 00 9a 00 10 20 00 00 00 00 96 00 00 00 01 "
    "00 00 00 14 00 00 00 01 00 00 00 10 00 00 00 01 "
    "00 10 10 00 00 10 10 00 00 00 00 6a 00 00 00 01 "
    "00 00 00 30 00 00 00 02 00 00 00 02 00 00 00 2a "
    "00 00 00 00 00 00 10 10 00 30 00 05 00 00 00 00 "
    "00 00 00 80 00 00 00 03 00 00 00 05 00 00 00 0e "
    "00 00 00 03 00 00 00 03 25 64 00 00 00 00 02 66 "
    "00 00 00 00 09 56 61 6c 75 65 20 25 31 00 00 00 "
    "00 00 00 00 00 01 00 00 00 07 00 00 00 00 aa aa "
    "bb bb cc cc dd dd ee ee ff ff");

// Image offsets of list header fields.
constexpr size_t kListSizeField = 8, kVersionField = 12, kHeaderBytesField = 16, kCountField = 28,
                 kFirstBlock = 36;

// Keeps the image's length prefix and list size in step after an edit.
void fixSizes(Bytes& image) {
    putWord(image, 0, static_cast<uint32_t>(image.size()));
    putWord(image, kListSizeField, static_cast<uint32_t>(image.size() - 4));
}

class ListFormat : public ReportCapture {
  protected:
    ListFormat() {
        example.setApplicationId(0x10);
        recordExampleMessage(example);
    }

    VkCErrorList example{4, 5, 0, 1, nullptr};
};

TEST_F(ListFormat, ExampleListGivesTheExactImageAndAnEmptyOneNone) {
    EXPECT_EQ(listImage(example), kExampleListImage);

    char memory[200];
    uint32_t size = 0;
    EXPECT_EQ(example.serialize(memory, sizeof memory, size), memory);
    EXPECT_EQ(size, 154u);
    EXPECT_EQ(0, std::memcmp(memory, kExampleListImage.data(), 154));
    EXPECT_EQ(example.serialize(memory, 100, size), nullptr);
    EXPECT_EQ(size, 0u);

    // An empty list has no image.
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

// Reading appends behind what the receiver holds, takes the sender's node
// and application id, and counts the messages a full receiver drops.
TEST_F(ListFormat, ReadingAppendsAndCountsDroppedMessages) {
    example.setError(6, 2, "g", "%s", "two");
    example.setError(7, 3, "h", "%f", 1.5);
    const Bytes image = listImage(example);
    ASSERT_EQ(wordAt(image, kCountField), 3u);

    VkCErrorList oneFree(2, 5, 0, 0, nullptr);
    oneFree.setError(9, 1, "local", nullptr);
    ASSERT_EQ(readList(oneFree, image), 1);
    EXPECT_EQ(oneFree.getNumberOfUsedEntries(), 2u);
    EXPECT_EQ(oneFree.getErrorCount(), 4u);
    EXPECT_EQ(oneFree.getNodeId(), 1u);
    EXPECT_EQ(oneFree.getApplicationId(), 0x10u);
    EXPECT_EQ(oneFree.getErrorCode(0), 9u);
    expectSameEntry(example, 0, oneFree, 1);
    EXPECT_EQ(oneFree.getTimeStamp(1), 4112u);

    VkCErrorList roomy(5, 5, 0, 0, nullptr);
    ASSERT_EQ(readList(roomy, image), 3);
    for (uint32_t i = 0; i < 3; ++i) expectSameEntry(example, i, roomy, i);
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(ListFormat, ImageWithoutMessagesOnlySetsTheIdentity) {
    Bytes image = kExampleListImage;
    image.erase(image.begin() + kFirstBlock, image.begin() + kFirstBlock + 106);
    putWord(image, kCountField, 0);
    fixSizes(image);
    ASSERT_EQ(image.size(), 48u);
    VkCErrorList received(2, 5, 0, 0, nullptr);
    EXPECT_EQ(readList(received, image), 0);
    EXPECT_EQ(received.getNodeId(), 1u);
    EXPECT_EQ(received.getApplicationId(), 0x10u);
    EXPECT_EQ(received.getNumberOfUsedEntries() + received.getErrorCount(), 0u);
}

TEST_F(ListFormat, LongerListHeadersAreSkipped) {
    Bytes image = kExampleListImage;
    putWord(image, kHeaderBytesField, 24);
    insertZeros(image, kFirstBlock, 4);
    fixSizes(image);
    VkCErrorList received(2, 5, 0, 0, nullptr);
    ASSERT_EQ(readList(received, image), 1);
    expectSameEntry(example, 0, received, 0);
}

TEST_F(ListFormat, MalformedImagesAreReported) {
    const DamageRow rows[] = {
        {"list identifier", [](Bytes& image) { putWord(image, 4, 0x00102001); },
         VkNCatalogue::kCodeListIdentifier, "%08X%08X",
         "Cannot deserialize buffer. Identifier mismatch (expected 00102000, actual 00102001)."},
        {"version", [](Bytes& image) { putWord(image, kVersionField, 2); }, VkNCatalogue::kCodeListVersion,
         "%08X%08X", "Cannot deserialize buffer. Version mismatch (expected 00000001, actual 00000002)."},
        {"header bytes 16", [](Bytes& image) { putWord(image, kHeaderBytesField, 16); },
         VkNCatalogue::kCodeListHeaderBytes, "%d",
         "Cannot deserialize buffer. Remaining header bytes count mismatch (expected 0, actual -4)."},
        {"block identifier", [](Bytes& image) { putWord(image, kFirstBlock, 0x00101001); },
         VkNCatalogue::kCodeBlockIdentifier, "%d%08X%08X",
         "Cannot deserialize error 0 from buffer. Identifier mismatch (expected 00101000, actual 00101001)."},
        {"4 bytes before the termination",
         [](Bytes& image) {
             insertZeros(image, image.size() - 12, 4);
             fixSizes(image);
         },
         VkNCatalogue::kCodeListRemainingBytes, "%d%d",
         "Error while deserializing buffer. Remaining byte count mismatch (expected 12, actual 16)."},
        {"last termination word", [](Bytes& image) { image[image.size() - 1] = 0xFE; },
         VkNCatalogue::kCodeListTermination, "",
         "Error while deserializing buffer. Termination bytes mismatch."},
        {"first termination word", [](Bytes& image) { image[image.size() - 12] = 0xAB; },
         VkNCatalogue::kCodeListTermination, "",
         "Error while deserializing buffer. Termination bytes mismatch."},
        {"message version", [](Bytes& image) { putWord(image, kFirstBlock + 8, 3); },
         VkNCatalogue::kCodeMessageVersion, "%08X%08X%08x",
         "Invalid message data at 0000000C: Version mismatch (expected 00000001, actual 00000003)."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleListImage;
        row.damage(image);
        VkCErrorList received(2, 5, 0, 0, nullptr);
        EXPECT_EQ(readList(received, image), -1);
        const bool fromMessageReader = row.code >= VkNCatalogue::kCodeMessageVersion;
        expectOnlyReport(
            row, fromMessageReader ? "VkCErrorList::deSerializeMessage" : "VkCErrorList::deSerialize");
    }
}

TEST_F(ListFormat, MalformedSizesFailWithoutReport) {
    const struct {
        const char* name;
        size_t offset;
        uint32_t value;
        uint32_t reportCode;  // 0 for none
    } rows[] = {
        {"prefix beyond data", 0, 155, 0},
        {"message size beyond the list", kFirstBlock + 4, 0x200, 0},
        {"message size below 8", kFirstBlock + 4, 4, 0},
        {"header bytes of 4 GB", kHeaderBytesField, 0xFFFFFFFF, 0},
        // The termination words are taken for the second block.
        {"message count of 4 G", kCountField, 0xFFFFFFFF, VkNCatalogue::kCodeBlockIdentifier},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes image = kExampleListImage;
        putWord(image, row.offset, row.value);
        VkCErrorList full(1, 5, 0, 0, nullptr);
        full.setError(1, 1, "f", nullptr);
        EXPECT_EQ(readList(full, image), -1);
        EXPECT_LE(full.getErrorCount(), 2u);
        const auto reports = takeReports();
        ASSERT_EQ(reports.size(), row.reportCode != 0 ? 1u : 0u);
        if (!reports.empty()) {
            EXPECT_EQ(reports[0][0], std::to_string(row.reportCode));
        }
    }
    VkCErrorList received(1, 5, 0, 0, nullptr);
    EXPECT_EQ(received.deSerialize(nullptr, 154), -1);
    EXPECT_EQ(received.deSerialize(kExampleListImage.data(), 3), -1);
    EXPECT_TRUE(takeReports().empty());
}

TEST_F(ListFormat, FailureKeepsMessagesReadBeforeIt) {
    example.setError(6, 2, "g", "%d", 2);
    Bytes image = listImage(example);
    const size_t secondBlock = kFirstBlock + wordAt(image, kFirstBlock + 4);
    putWord(image, secondBlock + 8, 2);  // the second block's version
    VkCErrorList received(4, 5, 0, 0, nullptr);
    EXPECT_EQ(readList(received, image), -1);
    EXPECT_EQ(received.getNumberOfUsedEntries(), 1u);
    EXPECT_EQ(received.getErrorCount(), 2u);
    expectSameEntry(example, 0, received, 0);
    EXPECT_EQ(takeReports().size(), 1u);
}

TEST_F(ListFormat, FreeingAnImageClearsThePointer) {
    uint32_t size = 0;
    char* image = example.serialize(size);
    ASSERT_NE(image, nullptr);
    example.freeSerializedBuffer(&image);
    EXPECT_EQ(image, nullptr);
    example.freeSerializedBuffer(&image);
    example.freeSerializedBuffer(nullptr);
    example.freeSerializedBuffer();
}

}  // namespace

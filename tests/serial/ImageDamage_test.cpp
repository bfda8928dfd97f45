// Damaged images: every single-bit and two-bit flip within the headers and
// every truncation of valid images must end in a defined result (a count or
// -1) with at most one report of the readers' own codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"

namespace {

using namespace VkNSerialTest;

// List header (36 bytes) and the first block's fixed header (64 bytes).
constexpr size_t kListHeaderSpan = 36 + 64;
// A message image's prefix and fixed block header.
constexpr size_t kMessageHeaderSpan = 4 + 64;

bool isReaderCode(uint32_t code) {
    return code >= VkNCatalogue::kCodeListIdentifier && code <= VkNCatalogue::kCodeMessageRemainingBytes &&
           code != 0x102009;
}

class ImageDamage : public ReportCapture {
  protected:
    void SetUp() override {
        VkCErrorList sent(4, 10, 0, 3, nullptr);
        sent.setApplicationId(0x77);
        sent.setMessage(2, 1, 128, 3, "Value %1 %2", 0x00300005, 42, 2, 0x1010, "f", "%d%s", 7, "text");
        sent.setMessage(4, 0, 0, 0, nullptr, 0x00102002, 9, 0, 12345, "g", "%f%lld%08X", 0.5, int64_t{-9}, 3);
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
        const uint32_t reported = reports.getErrorCount();
        EXPECT_LE(reported, result >= 0 ? 0u : 1u);
        if (reported == 1) {
            EXPECT_TRUE(isReaderCode(reports.getErrorCode(0))) << reports.getErrorCode(0);
        }
        reports.reset();
    }

    void checkList(const Bytes& image, size_t length) {
        receiver.reset();
        expectDefined(receiver.deSerialize(image.data(), static_cast<uint32_t>(length)), 2);
        // A full receiver walks the same bytes without storing.
        expectDefined(fullReceiver.deSerialize(image.data(), static_cast<uint32_t>(length)), 0);
    }

    void checkMessage(const Bytes& image, size_t length) {
        expectDefined(receiver.deSerializeMessage(0, image.data(), static_cast<uint32_t>(length)), 0);
        VkCObjectBuffer buffer(image.data(), static_cast<uint32_t>(length));
        expectDefined(receiver.deSerializeMessage(1, buffer), 0);
    }

    template <typename Read>
    void flipBits(Bytes image, size_t span, bool pairs, Read read) {
        const size_t bits = span * 8;
        for (size_t first = 0; first < bits; ++first) {
            image[first / 8] ^= static_cast<unsigned char>(1u << (first % 8));
            read(image, image.size());
            for (size_t second = first + 1; pairs && second < bits; ++second) {
                image[second / 8] ^= static_cast<unsigned char>(1u << (second % 8));
                read(image, image.size());
                image[second / 8] ^= static_cast<unsigned char>(1u << (second % 8));
            }
            image[first / 8] ^= static_cast<unsigned char>(1u << (first % 8));
            if (HasFailure()) return;
        }
    }

    // Cut at every length, once with the prefix as sent (too long for the
    // data) and once with the prefix matching the cut.
    template <typename Read>
    void truncate(const Bytes& image, Read read) {
        for (size_t length = 0; length < image.size(); ++length) {
            read(image, length);
            Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
            if (length >= 4) putWord(cut, 0, static_cast<uint32_t>(length));
            read(cut, length);
            if (HasFailure()) return;
        }
    }

    Bytes listBytes;
    Bytes messageBytes;
    VkCErrorList receiver{2, 5, 0, 0, nullptr};
    VkCErrorList fullReceiver{1, 5, 0, 0, nullptr};
};

TEST_F(ImageDamage, ListHeaderBitFlips) {
    fullReceiver.setError(1, 1, "f", nullptr);
    auto read = [this](const Bytes& image, size_t length) { checkList(image, length); };
    flipBits(listBytes, kListHeaderSpan, true, read);
    // Single flips anywhere in the image.
    flipBits(listBytes, listBytes.size(), false, read);
}

TEST_F(ImageDamage, MessageHeaderBitFlips) {
    auto read = [this](const Bytes& image, size_t length) { checkMessage(image, length); };
    flipBits(messageBytes, kMessageHeaderSpan, true, read);
    flipBits(messageBytes, messageBytes.size(), false, read);
}

TEST_F(ImageDamage, Truncation) {
    fullReceiver.setError(1, 1, "f", nullptr);
    truncate(listBytes, [this](const Bytes& image, size_t length) {
        receiver.reset();
        EXPECT_EQ(receiver.deSerialize(image.data(), static_cast<uint32_t>(length)), -1);
        EXPECT_EQ(reports.getErrorCount(), 0u);
    });
    truncate(messageBytes, [this](const Bytes& image, size_t length) {
        EXPECT_EQ(receiver.deSerializeMessage(0, image.data(), static_cast<uint32_t>(length)), -1);
        EXPECT_EQ(reports.getErrorCount(), 0u);
    });
}

}  // namespace

// Properties of the wire format over many images: random lists read back
// into equal entries, and every single-bit and two-bit flip within the
// headers and every truncation of valid images ends in a defined result (a
// count or -1) with at most one report of the readers' own codes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"

namespace {

using namespace VkNSerialTest;

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
    using VkNCatalogue::kCodeListIdentifier;
    using VkNCatalogue::kCodeListVersion;
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
        const uint32_t reported = reports.getErrorCount();
        EXPECT_LE(reported, result >= 0 ? 0u : 1u);
        EXPECT_TRUE(reported == 0 || isReaderCode(reports.getErrorCode(0))) << reports.getErrorCode(0);
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

// Round trips of random content: messages recorded through every conversion
// letter and size prefix, empty and long strings, every message type and
// several tick durations read back into equal entries.
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
#include "catalogue/MessageCodes.h"
#include "serial/SerialTestSupport.h"

namespace {

using namespace VkNSerialTest;

enum class Kind { kInt32, kInt64, kDouble, kString };

// Every descriptor form recording knows, with the value type it takes.
const struct Descriptor {
    const char* text;
    Kind kind;
} kDescriptors[] = {
    {"%d", Kind::kInt32},     {"%i", Kind::kInt32},      {"%u", Kind::kInt32},     {"%x", Kind::kInt32},
    {"%X", Kind::kInt32},     {"%o", Kind::kInt32},      {"%08X", Kind::kInt32},   {"%ld", Kind::kInt32},
    {"%%d", Kind::kInt32},    {"%lld", Kind::kInt64},    {"%lli", Kind::kInt64},   {"%llu", Kind::kInt64},
    {"%llx", Kind::kInt64},   {"%016llX", Kind::kInt64}, {"%llo", Kind::kInt64},   {"%zu", Kind::kInt64},
    {"%zd", Kind::kInt64},    {"%zx", Kind::kInt64},     {"%p", Kind::kInt64},     {"%f", Kind::kDouble},
    {"%e", Kind::kDouble},    {"%g", Kind::kDouble},     {"%E", Kind::kDouble},    {"%G", Kind::kDouble},
    {"%5.2f", Kind::kDouble}, {"%s", Kind::kString},     {"%-12s", Kind::kString},
};

constexpr size_t kMaxDescriptors = 4;

class RandomMessages {
  public:
    explicit RandomMessages(uint32_t seed) : random_(seed) { strings_.reserve(kMaxDescriptors); }

    // Records one random message into `list`: types 0-5 and two unknown
    // ones, random texts, numbers and stamp, up to four descriptors.
    void record(VkCErrorList& list) {
        descriptors_.clear();
        format_.clear();
        for (size_t count = pick(kMaxDescriptors + 1); descriptors_.size() < count;) {
            descriptors_.push_back(&kDescriptors[pick(std::size(kDescriptors))]);
            format_ += descriptors_.back()->text;
        }
        strings_.clear();
        template_ = randomText();
        function_ = randomText();
        recordWith(list);
    }

  private:
    size_t pick(size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(random_); }
    uint32_t word() { return static_cast<uint32_t>(random_()); }

    // Empty, short or long, with every byte value but NUL.
    std::string randomText() {
        static const size_t kLengths[] = {0, 1, 7, 300, 5000};
        std::string text(kLengths[pick(std::size(kLengths))], ' ');
        for (char& c : text) c = static_cast<char>(1 + pick(255));
        return text;
    }

    // Stays clear of the default stamp 0x1010, which is never converted (a
    // stamp converting onto it would not come back), and of the top of the
    // range, where a long tick saturates the wire value.
    uint64_t randomStamp() { return (random_() >> (8 + pick(40))) + 0x100000; }

    // Zero, infinity, NaN, or either sign at any magnitude.
    double randomDouble() {
        const double specials[] = {0.0, std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
        if (pick(2) == 0) return specials[pick(3)];
        return (pick(2) == 0 ? -1 : 1) *
               std::ldexp(static_cast<double>(random_()), static_cast<int>(pick(600)) - 300);
    }

    // Builds the variable arguments one descriptor at a time, so each value
    // goes through recording's own walk with the type its descriptor names.
    template <typename... Values>
    void recordWith(VkCErrorList& list, Values... values) {
        constexpr size_t next = sizeof...(Values);
        if constexpr (next < kMaxDescriptors) {
            if (next < descriptors_.size()) {
                switch (descriptors_[next]->kind) {
                    case Kind::kInt32:
                        return recordWith(list, values..., static_cast<int32_t>(word()));
                    case Kind::kInt64:
                        return recordWith(list, values..., static_cast<int64_t>(random_()));
                    case Kind::kDouble:
                        return recordWith(list, values..., randomDouble());
                    case Kind::kString:
                        strings_.push_back(randomText());
                        return recordWith(list, values..., strings_.back().c_str());
                }
            }
        }
        list.setMessage(static_cast<uint32_t>(pick(8)), static_cast<uint32_t>(pick(3)),
                        static_cast<uint32_t>(pick(2) * pick(400)), static_cast<uint32_t>(pick(2) * pick(50)),
                        template_.c_str(), word(), word(), word(), randomStamp(), function_.c_str(),
                        format_.c_str(), values..., int32_t{0});
    }

    std::mt19937_64 random_;
    std::vector<const Descriptor*> descriptors_;
    std::vector<std::string> strings_;
    std::string format_, template_, function_;
};

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
    RandomMessages messages(20240611);
    for (double tick : {8.5e-9, 17e-9, 4.25e-9, 1e-9, 3.3e-9, 1e-6}) {
        SCOPED_TRACE(tick);
        manager.setTimeStampTickDuration(tick);
        for (int round = 0; round < 20 && !HasFailure(); ++round) {
            VkCMessageListPool sent(12, 10, 0, 5, nullptr);
            for (int i = 0; i < 12; ++i) messages.record(sent);
            const Bytes image = listImage(sent);
            VkCErrorList received(12, 10, 0, 0, nullptr);
            ASSERT_EQ(readList(received, image), 12);
            for (uint32_t i = 0; i < 12; ++i) {
                expectStampsClose(sent.getTimeStamp(i), received.getTimeStamp(i), tick);
                received.setTimeStamp(i, sent.getTimeStamp(i));
                expectSameEntry(sent, i, received, i);
            }
            // What was read writes the same image again.
            if (tick == 8.5e-9) {
                EXPECT_EQ(listImage(received), image);
            }
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
    ASSERT_FALSE(image.empty());

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

}  // namespace

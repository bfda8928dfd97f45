// Printing whole lists to streams, and tab-separated rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/BlockWrite.h"

namespace {

std::string row(VkCErrorList& list, uint32_t index) {
    std::string out;
    list.getTabbedMessageData(out, index, nullptr);
    return out;
}

TEST(TabbedRowTest, Columns) {
    VkCMessageListPool list(5, 2, 0, 0, nullptr);
    list.setApplicationId(42);
    list.setMessage(3, 0, 128, 2, "sent %1", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d", 9);
    EXPECT_EQ(row(list, 0), "Error\t3\t0x2A\t0x00100402\topenChannel:57\t\t250\tMain 128, Sub 2\tsent 9\n");

    list.setApplicationId(0);
    const uint32_t code = 0x7FF00005;  // module 0x7FF has no row: no module numbers
    list.setMessage(9, 0, 0, 0, "t", code, 0, 0, uint64_t{0}, "f", "");
    list.setMessage(5, 0, 0, 0, "t", code, 12, 0, uint64_t{0}, nullptr, "");
    list.setMessage(1, 0, 0, 0, nullptr, 0, 1, 0, uint64_t{0}, "f", "%s", "user text");
    EXPECT_EQ(row(list, 1), "Unknown Type\t\t0x0\t0x7FF00005\tf\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 2), "Event\t\t0x0\t0x7FF00005\t\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 3), "Info\t\t0x0\t(User)\tf:1\t\t0\tMain 128, Sub 1\tuser text\n");
    EXPECT_EQ(row(list, 5), "");

    // A row is one line: every line feed of the string becomes a carriage
    // return, also those of rows appended before.
    list.setMessage(0, 0, 1, 1, "one\ntwo %1\n", 0x5, 1, 0, uint64_t{7}, "f", "%s", "a\nb");
    std::string out = "earlier row\n";
    list.getTabbedMessageData(out, 4, nullptr);
    EXPECT_EQ(out, "earlier row\rLog\t\t0x0\t0x00000005\tf:1\t\t7\tMain 1, Sub 1\tone\rtwo a\rb\r\n");
}

// Records what reaches a stream through its write function.
struct CookieLog {
    int calls = 0;
    std::string received;
};

FILE* openCookieStream(CookieLog& log) {
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* data, size_t size) -> ssize_t {
        auto& log = *static_cast<CookieLog*>(cookie);
        ++log.calls;
        log.received.append(data, size);
        return static_cast<ssize_t>(size);
    };
    return fopencookie(&log, "w", functions);
}

TEST(ListPrintTest, OneBlockPerListAndNothingForAnEmptyOne) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    CookieLog log;
    FILE* stream = openCookieStream(log);
    std::fputs("pending|", stream);  // a flush would hand this to the cookie
    list.print(stream, false);
    list.print(nullptr, false);
    EXPECT_EQ(log.calls, 0);

    list.setMessage(3, 0, 1, 1, "first %1\nsecond line", 0x5, 10, 0, uint64_t{0}, "f", "%d", 1);
    list.setMessage(2, 0, 1, 1, "other", 0x6, 11, 0, uint64_t{0}, "g", "");
    std::string plain;
    list.printError(plain, 0);
    list.printError(plain, 1);
    list.print(stream, false);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.received, "pending|" + plain);

    log.received.clear();
    list.print(stream, true);
    EXPECT_EQ(log.received, row(list, 0) + row(list, 1));
    std::fclose(stream);
}

// An unbuffered stream hands each block write straight to its write
// function, so a device taking three bytes a call shows the retry bound: five
// writes, continuing behind each short one, and the rest is dropped.
TEST(ListPrintTest, ShortWritesAreRetriedAtMostFiveTimes) {
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "a text longer than fifteen characters", 0x5, 10, 0, uint64_t{0}, "f", "");
    std::string plain;
    list.printError(plain, 0);

    CookieLog log;
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* data, size_t size) -> ssize_t {
        auto& log = *static_cast<CookieLog*>(cookie);
        ++log.calls;
        const size_t taken = std::min<size_t>(size, 3);
        log.received.append(data, taken);
        return static_cast<ssize_t>(taken);
    };
    FILE* stream = fopencookie(&log, "w", functions);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(std::setvbuf(stream, nullptr, _IONBF, 0), 0);
    list.print(stream, false);
    EXPECT_EQ(log.calls, 5);
    EXPECT_EQ(log.received, plain.substr(0, 15));
    std::fclose(stream);
}

TEST(BlockWriteTest, AtMostFiveWritesContinuingBehindShortOnes) {
    const std::string text = "abcdefghijklmnopqrstuvwxyz";
    struct Case {
        size_t takePerCall;
        int expectedCalls;
        std::string expectedText;
    };
    const Case cases[] = {{100, 1, text}, {3, 5, "abcdefghijklmno"}, {6, 5, text}, {0, 5, ""}};
    for (const Case& c : cases) {
        int calls = 0;
        std::string received;
        VkNText::writeBlock(text.data(), text.size(), [&](const char* data, size_t size) {
            ++calls;
            received.append(data, std::min(size, c.takePerCall));
            return std::min(size, c.takePerCall);
        });
        EXPECT_EQ(calls, c.expectedCalls) << c.takePerCall;
        EXPECT_EQ(received, c.expectedText) << c.takePerCall;
    }
}

}  // namespace

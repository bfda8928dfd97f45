// Printing whole lists to streams, and tab-separated rows.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/ModuleTable.h"
#include "text/BlockWrite.h"

namespace {

std::string row(VkCErrorList& list, uint32_t index) {
    std::string out;
    list.getTabbedMessageData(out, index, nullptr);
    return out;
}

// A code whose module has no row in the module table, so its module
// numbers stay 0.
uint32_t codeWithoutModule() {
    for (uint32_t module = 0x7FF; module > 0; --module) {
        uint32_t main = 0, sub = 0;
        VkNCatalogue::getModuleNumbers(module << 20, main, sub);
        if (main == 0 && sub == 0) return (module << 20) | 5;
    }
    ADD_FAILURE() << "every module has a row";
    return 0;
}

TEST(TabbedRowTest, Columns) {
    VkCMessageListPool list(4, 2, 0, 0, nullptr);
    list.setApplicationId(42);
    list.setMessage(3, 0, 128, 2, "sent %1", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d", 9);
    EXPECT_EQ(row(list, 0), "Error\t3\t0x2A\t0x00100402\topenChannel:57\t\t250\tMain 128, Sub 2\tsent 9\n");

    const uint32_t code = codeWithoutModule();
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "0x%08X", code);
    list.setApplicationId(0);
    list.setMessage(9, 0, 0, 0, "t", code, 0, 0, uint64_t{0}, "f", "");
    list.setMessage(5, 0, 0, 0, "t", code, 12, 0, uint64_t{0}, nullptr, "");
    list.setMessage(1, 0, 0, 0, nullptr, 0, 1, 0, uint64_t{0}, "f", "%s", "user text");
    EXPECT_EQ(row(list, 1), std::string("Unknown Type\t\t0x0\t") + codeText + "\tf\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 2), std::string("Event\t\t0x0\t") + codeText + "\t\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 3), "Info\t\t0x0\t(User)\tf:1\t\t0\tMain 128, Sub 1\tuser text\n");
    EXPECT_EQ(row(list, 4), "");  // beyond the capacity
}

TEST(TabbedRowTest, LineFeedsOfTheWholeStringBecomeCarriageReturns) {
    VkCErrorList list(1, 1, 0, 0, nullptr);
    list.setMessage(0, 0, 1, 1, "one\ntwo %1\n", 0x5, 1, 0, uint64_t{7}, "f", "%s", "a\nb");
    EXPECT_EQ(row(list, 0), "Log\t\t0x0\t0x00000005\tf:1\t\t7\tMain 1, Sub 1\tone\rtwo a\rb\r\n");

    std::string out = "earlier row\n";
    list.getTabbedMessageData(out, 0, nullptr);
    EXPECT_EQ(out, "earlier row\rLog\t\t0x0\t0x00000005\tf:1\t\t7\tMain 1, Sub 1\tone\rtwo a\rb\r\n");
}

// A memory stream for what print writes.
class StreamCapture {
  public:
    StreamCapture() : stream(open_memstream(&buffer, &size)) {}
    ~StreamCapture() {
        if (stream != nullptr) std::fclose(stream);
        std::free(buffer);
    }
    std::string text() {
        std::fflush(stream);
        return std::string(buffer, size);
    }
    FILE* stream;

  private:
    char* buffer = nullptr;
    size_t size = 0;
};

TEST(ListPrintTest, PlainAndTabbedLayouts) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "first %1\nsecond line", 0x5, 10, 0, uint64_t{0}, "f", "%d", 1);
    list.setMessage(2, 0, 1, 1, "other", 0x6, 11, 0, uint64_t{0}, "g", "");

    std::string expected;
    list.printError(expected, 0);
    list.printError(expected, 1);
    StreamCapture plain;
    list.print(plain.stream, false);
    EXPECT_EQ(plain.text(), expected);
    EXPECT_NE(expected.find("first 1\nsecond line\n"), std::string::npos);  // line feeds stay

    StreamCapture tabbed;
    list.print(tabbed.stream, true);
    EXPECT_EQ(tabbed.text(), row(list, 0) + row(list, 1));
    EXPECT_NE(row(list, 0).find("first 1\rsecond line\n"), std::string::npos);
}

// Counts what reaches a stream through its write function.
struct CookieLog {
    int calls = 0;
    std::string received;
    size_t takePerCall = 0;  // 0: take everything
    bool failAfterTake = false;
    bool tookLast = false;
};

FILE* openCookieStream(CookieLog& log) {
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* data, size_t size) -> ssize_t {
        CookieLog& log = *static_cast<CookieLog*>(cookie);
        ++log.calls;
        if (log.failAfterTake && log.tookLast) {
            log.tookLast = false;
            return -1;
        }
        const size_t taken = log.takePerCall == 0 || size < log.takePerCall ? size : log.takePerCall;
        log.received.append(data, taken);
        log.tookLast = true;
        return static_cast<ssize_t>(taken);
    };
    return fopencookie(&log, "w", functions);
}

TEST(ListPrintTest, AnEmptyListWritesAndFlushesNothing) {
    CookieLog log;
    FILE* stream = openCookieStream(log);
    ASSERT_NE(stream, nullptr);
    std::fputs("pending", stream);  // a flush would hand this to the cookie

    VkCErrorList list(2, 0, 0, 0, nullptr);
    list.print(stream, false);
    list.print(stream, true);
    list.setError(0x5, 1, "f", "");
    list.reset();
    list.print(stream, false);
    list.print(nullptr, false);
    EXPECT_EQ(log.calls, 0);

    std::fclose(stream);
    EXPECT_EQ(log.received, "pending");
}

TEST(ListPrintTest, WritesOnceAndFlushes) {
    CookieLog log;
    FILE* stream = openCookieStream(log);
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "text", 0x5, 1, 0, uint64_t{0}, "f", "");
    list.print(stream, false);
    EXPECT_EQ(log.received, "ERROR , 0x00000005, module 1/1, in f():1\ntext\n");
    EXPECT_EQ(log.calls, 1);
    std::fclose(stream);
}

TEST(ListPrintTest, AStreamThatKeepsFailingIsGivenUp) {
    // Each write call takes three bytes and the next one fails, so every block
    // write comes back short. Printing must stop after its retries.
    CookieLog log;
    log.takePerCall = 3;
    log.failAfterTake = true;
    FILE* stream = openCookieStream(log);
    setvbuf(stream, nullptr, _IONBF, 0);
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "a text long enough to need many writes", 0x5, 1, 0, uint64_t{0}, "f", "");
    list.print(stream, false);
    EXPECT_EQ(log.received.rfind("ERR", 0), 0u);
    EXPECT_LT(log.received.size(), 30u);
    std::fclose(stream);
}

TEST(BlockWriteTest, AtMostFiveWritesContinuingBehindShortOnes) {
    const std::string text = "abcdefghijklmnopqrstuvwxyz";
    struct Case {
        size_t takePerCall;
        int expectedCalls;
        std::string expectedText;
    };
    const Case cases[] = {
        {100, 1, text},
        {3, 5, "abcdefghijklmno"},
        {6, 5, text},
        {0, 5, ""},
    };
    for (const Case& c : cases) {
        int calls = 0;
        std::string received;
        const size_t taken =
            VkNText::writeBlock(text.data(), text.size(), [&](const char* data, size_t size) {
                ++calls;
                const size_t count = size < c.takePerCall ? size : c.takePerCall;
                received.append(data, count);
                return count;
            });
        EXPECT_EQ(calls, c.expectedCalls) << c.takePerCall;
        EXPECT_EQ(received, c.expectedText) << c.takePerCall;
        EXPECT_EQ(taken, c.expectedText.size());
    }
}

}  // namespace

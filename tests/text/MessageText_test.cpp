// The two-line layout of one entry: header pieces, type names, and the
// message text below it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"

namespace {

// Module 0x7FF has no row in the module table: its module numbers stay 0
// and it has no texts.
constexpr uint32_t kCodeWithoutModule = 0x7FF00005;

class MessageTextTest : public ::testing::Test {
  protected:
    ~MessageTextTest() override { manager.setTimeStampTickDuration(savedTick); }
    static std::string printed(VkCErrorList& list, uint32_t index) {
        std::string out;
        list.printError(out, index);
        return out;
    }
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double savedTick = manager.getTimeStampTickDuration();
};

TEST_F(MessageTextTest, WorkedExamples) {
    manager.setTimeStampTickDuration(0.002);
    VkCErrorList list(4, 5, 0, 0, nullptr);
    list.setMessage(2, 0, 128, 2, "opened %1", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d", 1);
    list.setMessage(1, 0, 0, 0, nullptr, 0, 0, 0, uint64_t{0}, nullptr, "%s", "hello");
    list.setMessage(3, 0, 0, 0, nullptr, 0x00102003, 1277, 0, uint64_t{0}, "VkCErrorList::deSerialize", "%d",
                    -4);
    EXPECT_EQ(printed(list, 0),
              "WARNING , 0x00100402, node 3, time 0.500 sec., module 128/2, in openChannel():57\nopened 1\n");
    EXPECT_EQ(printed(list, 1), "INFO (user) , module 128/1, fcn/line n/a\nhello\n");
    EXPECT_EQ(printed(list, 2),
              "ERROR , 0x00102003, module 128/2, in VkCErrorList::deSerialize():1277\n"
              "Internal error. Varnik Support information: Cannot deserialize buffer. Remaining header bytes "
              "count mismatch (expected 0, actual -4).\n");
    EXPECT_EQ(list.getSubModuleNumber(1), 1u);  // looked-up module numbers are kept
}

TEST_F(MessageTextTest, HeaderPieces) {
    VkCMessageListPool list(6, 2, 0, 0, nullptr);
    const uint32_t code = kCodeWithoutModule;
    list.setMessage(3, 0, 0, 5, "text", code, 0, 0, uint64_t{0}, "f", "");
    list.setMessage(3, 0, 0, 0, "text", code, 99, 0, uint64_t{0}, "", "");
    list.setMessage(3, 0, 0, 0, "a\nb %1", code, 1, 0, uint64_t{0}, "f", "");
    list.setMessage(3, 0, 0, 0, nullptr, code, 1, 0, uint64_t{0}, std::string(2000, 'n').c_str(), "%d", 4);
    EXPECT_EQ(printed(list, 0), "ERROR , 0x7FF00005, module 0/5, in f():0\ntext\n");
    EXPECT_EQ(printed(list, 1), "ERROR , 0x7FF00005, fcn/line n/a\ntext\n");
    EXPECT_EQ(printed(list, 2), "ERROR , 0x7FF00005, in f():1\na\nb %1\n");  // no format string
    EXPECT_EQ(printed(list, 3), "ERROR , 0x7FF00005" + (", in " + std::string(2000, 'n')).substr(0, 1022) +
                                    "\n< no error description or additional data available >\n");
    EXPECT_EQ(printed(list, 6), "");

    // Every type has its name (the plain-header test draws them all); one far
    // beyond the table must still read as unknown.
    list.setMessageType(1, 0xFFFFFFFF);
    EXPECT_EQ(printed(list, 1), "UNKNOWN TYPE , 0x7FF00005, fcn/line n/a\ntext\n");
}

TEST_F(MessageTextTest, TimesMatchTheFormatter) {
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "t", 0x5, 1, 0, uint64_t{1}, "f", "");
    const std::pair<uint64_t, double> cases[] = {{1, 8.5e-9}, {~0ULL, 8.5e-9},   {625, 1e-4}, {5, 1e-4},
                                                 {3, -0.5},   {1ULL << 60, 1e6}, {1, 1e300},  {7, 0.0}};
    for (const auto& [ticks, tick] : cases) {
        manager.setTimeStampTickDuration(tick);
        list.setTimeStamp(0, ticks);
        char expected[2048];
        std::snprintf(expected, sizeof expected, "ERROR , 0x00000005, time %4.3f sec.",
                      static_cast<double>(ticks) * tick);
        const std::string header = printed(list, 0);
        EXPECT_EQ(header.substr(0, header.find(", module ")), std::string(expected).substr(0, 1022 + 18))
            << ticks << " x " << tick;
    }
}

TEST_F(MessageTextTest, ErrorTextIsTheTextAlone) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "got %1", 0x5, 1, 0, uint64_t{9}, "f", "%u", 7);
    EXPECT_EQ(list.getErrorText(0), "got 7");
    EXPECT_EQ(list.getErrorText(2), "%1");  // a free entry renders what it holds: code 0
    EXPECT_EQ(list.getErrorText(3), "");
}

}  // namespace

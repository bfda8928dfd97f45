// The two-line layout of one entry: header pieces, type names, and the
// message text below it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/ModuleTable.h"

namespace {

// Restores the manager's tick duration, which some tests change.
class MessageTextTest : public ::testing::Test {
  protected:
    MessageTextTest() : savedTick(VkCErrorManager::getInstance().getTimeStampTickDuration()) {}
    ~MessageTextTest() override { VkCErrorManager::getInstance().setTimeStampTickDuration(savedTick); }

    static std::string printed(VkCErrorList& list, uint32_t index) {
        std::string out;
        list.printError(out, index);
        return out;
    }

    // A code whose module has no row in the module table.
    static uint32_t codeWithoutModule() {
        for (uint32_t module = 0x7FF; module > 0; --module) {
            uint32_t main = 0, sub = 0;
            VkNCatalogue::getModuleNumbers(module << 20, main, sub);
            if (main == 0 && sub == 0) return (module << 20) | 5;
        }
        ADD_FAILURE() << "every module has a row";
        return 0;
    }

    const double savedTick;
};

TEST_F(MessageTextTest, WorkedExamples) {
    VkCErrorManager::getInstance().setTimeStampTickDuration(0.002);
    VkCErrorList list(4, 5, 0, 0, nullptr);
    list.setMessage(2, 0, 128, 2, "opened %1 of %2", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d%d",
                    1, 2);
    list.setMessage(1, 0, 0, 0, nullptr, 0, 0, 0, uint64_t{0}, nullptr, "%s", "hello");
    list.setMessage(3, 0, 0, 0, nullptr, 0x00102003, 1277, 0, uint64_t{0}, "VkCErrorList::deSerialize", "%d",
                    -4);

    EXPECT_EQ(printed(list, 0),
              "WARNING , 0x00100402, node 3, time 0.500 sec., module 128/2, in openChannel():57\n"
              "opened 1 of 2\n");
    EXPECT_EQ(printed(list, 1), "INFO (user) , module 128/1, fcn/line n/a\nhello\n");
    EXPECT_EQ(printed(list, 2),
              "ERROR , 0x00102003, module 128/2, in VkCErrorList::deSerialize():1277\n"
              "Internal error. Varnik Support information: Cannot deserialize buffer. Remaining header bytes "
              "count mismatch (expected 0, actual -4).\n");
    // The looked-up module numbers are kept in the entry.
    EXPECT_EQ(list.getMainModuleNumber(1), 128u);
    EXPECT_EQ(list.getSubModuleNumber(1), 1u);
}

TEST_F(MessageTextTest, TypeNames) {
    const char* const names[] = {"LOG ",          "INFO ",  "WARNING ",      "ERROR ",
                                 "SEVERE ERROR ", "EVENT ", "UNKNOWN TYPE ", "UNKNOWN TYPE "};
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(0, 0, 0, 0, "t", 0x5, 1, 0, uint64_t{0}, "f", "");
    for (uint32_t type = 0; type < 8; ++type) {
        list.setMessageType(0, type);
        const std::string header = printed(list, 0);
        EXPECT_EQ(header.substr(0, header.find(", 0x")), names[type]) << type;
    }
    list.setMessageType(0, 0xFFFFFFFF);
    EXPECT_EQ(printed(list, 0).rfind("UNKNOWN TYPE , 0x", 0), 0u);
}

TEST_F(MessageTextTest, HeaderPiecesAppearOnlyWhenSet) {
    const uint32_t code = codeWithoutModule();
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "0x%08X", code);
    VkCMessageListPool list(6, 2, 0, 0, nullptr);  // keeps repeated codes
    list.setMessage(3, 0, 0, 0, "text", code, 12, 0, uint64_t{0}, "f", "");
    list.setMessage(3, 0, 0, 5, "text", code, 0, 0, uint64_t{0}, "f", "");
    list.setMessage(3, 0, 0, 0, "text", code, 99, 0, uint64_t{0}, "", "");
    list.setMessage(3, 0, 0, 0, "a\nb %1", code, 1, 0, uint64_t{0}, "f", "");
    list.setMessage(3, 0, 0, 0, nullptr, code, 1, 0, uint64_t{0}, "f", "%d", 4);

    EXPECT_EQ(printed(list, 0), std::string("ERROR , ") + codeText + ", in f():12\ntext\n");
    EXPECT_EQ(printed(list, 1), std::string("ERROR , ") + codeText + ", module 0/5, in f():0\ntext\n");
    EXPECT_EQ(printed(list, 2), std::string("ERROR , ") + codeText + ", fcn/line n/a\ntext\n");
    // Without a format string the placeholders stay; line feeds are kept.
    EXPECT_EQ(printed(list, 3), std::string("ERROR , ") + codeText + ", in f():1\na\nb %1\n");
    EXPECT_EQ(printed(list, 4), std::string("ERROR , ") + codeText +
                                    ", in f():1\n< no error description or additional data available >\n");
    EXPECT_EQ(printed(list, 6), "");  // beyond the capacity

    std::string out = "kept|";
    list.printError(out, 0);
    EXPECT_EQ(out.rfind("kept|ERROR , ", 0), 0u);
}

TEST_F(MessageTextTest, TimesMatchTheFormatter) {
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "t", 0x5, 1, 0, uint64_t{1}, "f", "");
    struct Case {
        uint64_t ticks;
        double tick;
    };
    // Rounding boundaries, the default tick, and times beyond any fast path.
    const Case cases[] = {{1, 8.5e-9},   {0xFFFFFFFFFFFFFFFF, 8.5e-9},
                          {625, 0.0001}, {5, 0.0001},
                          {3, -0.5},     {1ULL << 60, 1e6},
                          {1, 1e300},    {7, 0.0}};
    for (const Case& c : cases) {
        VkCErrorManager::getInstance().setTimeStampTickDuration(c.tick);
        list.setTimeStamp(0, c.ticks);
        char expected[2048];
        std::snprintf(expected, sizeof expected, ", time %4.3f sec.", static_cast<double>(c.ticks) * c.tick);
        const std::string header = printed(list, 0);
        const size_t start = header.find(", time ");
        ASSERT_NE(start, std::string::npos);
        const std::string piece = header.substr(start, header.find(", module ") - start);
        EXPECT_EQ(piece, std::string(expected).substr(0, 1022)) << c.ticks << " x " << c.tick;
    }
}

TEST_F(MessageTextTest, LongFunctionNamesAreCutLikeAnyPiece) {
    const std::string name(2000, 'n');
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "t", 0x5, 1, 0, uint64_t{0}, name.c_str(), "");
    const std::string expectedPiece = (", in " + name).substr(0, 1022);
    EXPECT_EQ(printed(list, 0), "ERROR , 0x00000005, module 1/1" + expectedPiece + "\nt\n");
}

TEST_F(MessageTextTest, ErrorTextIsTheTextAlone) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "got %1", 0x5, 1, 0, uint64_t{9}, "f", "%u", 7);
    list.setMessage(3, 0, 1, 1, nullptr, codeWithoutModule(), 1, 0, uint64_t{9}, "f", "%u", 7);
    EXPECT_EQ(list.getErrorText(0), "got 7");
    EXPECT_EQ(list.getErrorText(1), "< no error description or additional data available >");
    EXPECT_EQ(list.getErrorText(2), "%1");  // a free entry renders what it holds: code 0
    EXPECT_EQ(list.getErrorText(3), "");
}

}  // namespace

// Recording: counting and the repeat rule, the format walk's typing, the
// parameter bound, the panic lines, the short forms and string ownership.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/ModuleTable.h"
#include "list/ErrorEntry.h"
#include "support/EntryChecks.h"

namespace {

using VkNTest::describeParameters;
using VkNTest::storedCodes;

// Records through the va_list form, then reads one more int from the same
// argument list: it shows how many arguments the walk consumed.
int32_t recordThenReadNext(VkCErrorList& list, const char* format, ...) {
    va_list args;
    va_start(args, format);
    list.setMessage(3, 0, 0, 0, nullptr, 1, 1, 0, 0, "f", format, args);
    const int32_t next = va_arg(args, int);
    va_end(args);
    return next;
}

void restartWalk(VkCErrorList& list, uint32_t index, ...) {
    va_list args;
    va_start(args, index);
    list.addAdditionalParameter(index, args);
    va_end(args);
}

// Every message is counted; a full list drops it, and an error list drops a
// repeat of its last entry (codes 0 and 0x100800 excepted).
TEST(Recording, FullListAndRepeatRuleCountButDrop) {
    const struct {
        bool messageList;
        uint32_t capacity;
        std::vector<uint32_t> codes, stored;
    } rows[] = {
        {false, 2, {5, 6, 7}, {5, 6}},
        {false, 8, {5, 5}, {5}},
        {true, 8, {5, 5}, {5, 5}},
        {false, 8, {5, 6, 5}, {5, 6, 5}},
        {false, 8, {5, 6, 6, 6}, {5, 6}},
        {false, 8, {0, 0}, {0, 0}},
        {false, 8, {0x100800, 0x100800}, {0x100800, 0x100800}},
    };
    for (const auto& row : rows) {
        VkCErrorListPool errorList(row.capacity, 2, 0, 0, nullptr);
        VkCMessageListPool messageList(row.capacity, 2, 0, 0, nullptr);
        VkCErrorList& list = row.messageList ? static_cast<VkCErrorList&>(messageList) : errorList;
        for (uint32_t code : row.codes) list.setMessage(2, code, 1, "f", nullptr);
        EXPECT_EQ(row.stored, storedCodes(list)) << "message list " << row.messageList;
        EXPECT_EQ(row.codes.size(), list.getErrorCount());
    }
}

TEST(Recording, WalkTypesEachDescriptorByItsLetterAndPrefix) {
    // A spare value behind the one the descriptor takes must not be read.
    auto check = [](const char* format, auto value, const char* stored) {
        VkCErrorList list(1, 10, 0, 0, nullptr);
        list.setError(1, 1, "f", format, value, 77);
        EXPECT_EQ(describeParameters(list, 0), stored) << format;
    };
    for (const char* f : {"%d", "%i", "%o", "%u", "%x", "%08X", "%ld", "%hd", "%I64d"}) check(f, 7, "i:7");
    for (const char* f : {"%lld", "%llx", "%-12llu", "%zu", "%zd", "%zx", "%p"}) {
        check(f, int64_t{0x123456789}, "w:4886718345");
    }
    for (const char* f : {"%e", "%E", "%f", "%.3g", "%G"}) check(f, 2.5, "d:2.5");
    for (const char* f : {"%s", "%-10s"}) check(f, "abc", "s:abc");

    VkCErrorList list(2, 10, 0, 0, nullptr);
    list.setError(1, 1, "f", "%d%s%f", 7, "abc", 2.5);
    EXPECT_EQ(describeParameters(list, 0), "i:7 s:abc d:2.5");
    EXPECT_STREQ("%d%s%f", list.getFormatString(0));
    // "%%" stands for no value; the second '%' starts the next descriptor.
    list.setError(2, 1, "f", "%%d", 9);
    EXPECT_EQ(describeParameters(list, 1), "i:9");
}

TEST(Recording, RefusedValuesAreStillConsumed) {
    VkCErrorList bounded(1, 2, 0, 0, nullptr);
    bounded.setError(1, 1, "f", "%d%d%d%s", 1, 2, 3, "x");
    EXPECT_EQ(describeParameters(bounded, 0), "i:1 i:2");

    // Each refused descriptor still takes its value of its own type, so what
    // follows the walk in the argument list is where it should be.
    VkCErrorList one(2, 1, 0, 0, nullptr);
    EXPECT_EQ(4242, recordThenReadNext(one, "%d%f%s%lld%p", 1, 2.5, "s", int64_t{4}, &one, 4242));
    EXPECT_EQ(1u, one.getAdditionalParametersCount(0));
    VkCErrorList none(2, 0, 0, 0, nullptr);
    EXPECT_EQ(4243, recordThenReadNext(none, "%s%%%e", "s", 1.0, 4243));
}

TEST(Recording, MalformedFormatPrintsOnePanicLineAndKeepsTheMessage) {
    const std::string panic = "VkErrorHandling: Panic! ";
    const struct {
        const char* format;
        uint32_t parameters;
        std::string line;
    } rows[] = {
        {"d%d", 0, "Format string 'd%d' for code 0x1234 starts with invalid character 'd'. Expecting '%'!\n"},
        {"%d%c", 1,
         "Did not recognize type identifier 'c'. Error format string for code 0x1234 is invalid: '%c'!\n"},
        {"%d, %d", 0,
         "Did not recognize type identifier ' '. Error format string for code 0x1234 is invalid: '%d, "
         "%d'!\n"},
    };
    for (const auto& row : rows) {
        VkCErrorList list(1, 10, 0, 0, nullptr);
        testing::internal::CaptureStdout();
        list.setError(0x1234, 1, "f", row.format, 1, 'x', 3);
        std::fflush(stdout);
        EXPECT_EQ(panic + row.line, testing::internal::GetCapturedStdout());
        EXPECT_EQ(1u, list.getNumberOfUsedEntries()) << row.format;
        EXPECT_EQ(row.parameters, list.getAdditionalParametersCount(0)) << row.format;
    }
}

TEST(Recording, ShortFormsStampNodeAndManagerTime) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setTimeStampCallback([]() -> uint64_t { return 777; });
    VkCErrorList list(3, 2, 0, 9, nullptr);
    list.setMessage(1, 20, 30, "info", nullptr);
    list.setError(4, 5, "tmpl %1", 21, 31, "longError", "%d", 6);
    manager.setTimeStampCallback(nullptr);
    list.setError(22, 32, "error", nullptr);

    // Type, origin node, stamp, display mode and module numbers of each.
    const std::vector<std::vector<uint64_t>> expected = {
        {1, 9, 777, 0, 0, 0}, {3, 9, 777, 0, 4, 5}, {3, 9, 0x1010, 0, 0, 0}};
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i],
                  (std::vector<uint64_t>{list.getMessageType(i), list.getOriginNode(i), list.getTimeStamp(i),
                                         list.getDisplayMode(i), list.getMainModuleNumber(i),
                                         list.getSubModuleNumber(i)}))
            << i;
    }
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);
    EXPECT_STREQ("tmpl %1", VkErrorListAccess::entryAt(list, 1)->messageTemplate);
    EXPECT_EQ(describeParameters(list, 1), "i:6");
}

TEST(Recording, ReusedEntriesNeitherLeakNorReadFreedStrings) {
    VkCErrorList list(2, 4, 0, 0, nullptr);
    // Strings parked in the free entry 0, then passed back in while entry 0
    // is being rewritten: ASan reports a leak or a use after free here.
    list.setFunctionName(0, "parked name");
    list.setMessageTemplate(0, "parked template");
    list.addAdditionalParameter(0, "parked parameter");
    const char* parkedParameter = nullptr;
    ASSERT_EQ(0, list.getAdditionalParameter(0, 1, parkedParameter));
    list.setError(1, 1, list.getFunctionName(0), "%s%s", list.getFunctionName(0), parkedParameter);
    EXPECT_STREQ("parked name", list.getFunctionName(0));
    EXPECT_EQ(describeParameters(list, 0), "s:parked name s:parked parameter");
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);

    // A restarted walk replaces the string parameters, including with its own.
    const char* s = nullptr;
    list.getAdditionalParameter(0, 1, s);
    restartWalk(list, 0, s, "second");
    EXPECT_EQ(describeParameters(list, 0), "s:parked name s:second");
}

TEST(Recording, ModuleNumbersAreFilledOnlyWhenBothAreUnknown) {
    VkCErrorList list(2, 0, 0, 0, nullptr);
    list.setError(0x100004, 1, "f", nullptr);
    list.setError(0x100005, 1, "f", nullptr);
    list.setMainModuleNumber(1, 3);
    uint32_t main = 0;
    uint32_t sub = 0;
    VkNCatalogue::getModuleNumbers(0x100004, main, sub);
    ASSERT_NE(0u, main + sub);

    VkErrorListAccess::setMainSubModule(list, 0);
    VkErrorListAccess::setMainSubModule(list, 1);
    VkErrorListAccess::setMainSubModule(list, 2);  // bad index: no effect
    EXPECT_EQ(main, list.getMainModuleNumber(0));
    EXPECT_EQ(sub, list.getSubModuleNumber(0));
    EXPECT_EQ(3u, list.getMainModuleNumber(1));
    EXPECT_EQ(0u, list.getSubModuleNumber(1));
}

}  // namespace

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

namespace {

std::vector<uint32_t> storedCodes(const VkCErrorList& list) {
    std::vector<uint32_t> codes;
    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) codes.push_back(list.getErrorCode(i));
    return codes;
}

uint32_t slotType(const VkCErrorList& list, uint32_t index, uint32_t parameter) {
    return VkErrorListAccess::entryAt(list, index)->additionalParameters[parameter - 1].type;
}

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

TEST(Recording, FullListCountsButDropsMessages) {
    VkCErrorList list(2, 0, 0, 0, nullptr);
    list.setError(5, 1, "f", nullptr);
    list.setError(6, 2, "f", nullptr);
    list.setError(7, 3, "f", nullptr);
    EXPECT_EQ((std::vector<uint32_t>{5, 6}), storedCodes(list));
    EXPECT_EQ(3u, list.getErrorCount());
    EXPECT_EQ(2u, list.getNumberOfUsedEntries());
}

TEST(Recording, RepeatRuleComparesOnlyTheLastEntryOfErrorLists) {
    struct Row {
        bool messageList;
        std::vector<uint32_t> codes;
        std::vector<uint32_t> stored;
    };
    const Row rows[] = {
        {false, {5, 5}, {5}},          {true, {5, 5}, {5, 5}},
        {false, {5, 6, 5}, {5, 6, 5}}, {false, {5, 6, 6, 6}, {5, 6}},
        {false, {0, 0}, {0, 0}},       {false, {0x100800, 0x100800}, {0x100800, 0x100800}},
    };
    for (const Row& row : rows) {
        VkCErrorListPool errorList(8, 2, 0, 0, nullptr);
        VkCMessageListPool messageList(8, 2, 0, 0, nullptr);
        VkCErrorList& list = row.messageList ? static_cast<VkCErrorList&>(messageList) : errorList;
        for (uint32_t code : row.codes) list.setMessage(2, code, 1, "f", nullptr);
        EXPECT_EQ(row.stored, storedCodes(list)) << "message list " << row.messageList;
        EXPECT_EQ(row.codes.size(), list.getErrorCount());
    }
}

TEST(Recording, WalkTypesEachDescriptorByItsLetterAndPrefix) {
    struct Row {
        const char* format;
        uint32_t type;
    };
    const Row rows[] = {
        {"%d", 2},  {"%i", 2},   {"%o", 2},    {"%u", 2},   {"%x", 2},    {"%08X", 2},
        {"%ld", 2}, {"%hd", 2},  {"%I64d", 2}, {"%lld", 4}, {"%llx", 4},  {"%-12llu", 4},
        {"%zu", 4}, {"%zd", 4},  {"%zx", 4},   {"%p", 4},   {"%e", 1},    {"%E", 1},
        {"%f", 1},  {"%.3g", 1}, {"%G", 1},    {"%s", 3},   {"%-10s", 3},
    };
    const int64_t wide = int64_t{0x123456789};
    for (const Row& row : rows) {
        VkCErrorList list(1, 10, 0, 0, nullptr);
        switch (row.type) {
            case 1:
                list.setError(1, 1, "f", row.format, 2.5, 77);
                break;
            case 2:
                list.setError(1, 1, "f", row.format, 7, 77);
                break;
            case 3:
                list.setError(1, 1, "f", row.format, "abc", 77);
                break;
            default:
                list.setError(1, 1, "f", row.format, wide, 77);
                break;
        }
        ASSERT_EQ(1u, list.getAdditionalParametersCount(0)) << row.format;
        EXPECT_EQ(row.type, slotType(list, 0, 1)) << row.format;
        int32_t i32 = 0;
        int64_t i64 = 0;
        double d = 0;
        const char* s = nullptr;
        int32_t found = -1;
        switch (row.type) {
            case 1:
                found = list.getAdditionalParameter(0, 1, d);
                break;
            case 2:
                found = list.getAdditionalParameter(0, 1, i32);
                break;
            case 3:
                found = list.getAdditionalParameter(0, 1, s);
                break;
            default:
                found = list.getAdditionalParameter(0, 1, i64);
                break;
        }
        EXPECT_EQ(0, found) << row.format;
        EXPECT_EQ(row.type == 1 ? 2.5 : 0.0, d) << row.format;
        EXPECT_EQ(row.type == 2 ? 7 : 0, i32) << row.format;
        EXPECT_EQ(row.type == 4 ? wide : 0, i64) << row.format;
        if (row.type == 3) {
            EXPECT_STREQ("abc", s);
        }
    }
}

TEST(Recording, MixedFormatAndEscapedPercent) {
    VkCErrorList list(2, 10, 0, 0, nullptr);
    list.setError(1, 1, "f", "%d%s%f", 7, "abc", 2.5);
    int32_t i32 = 0;
    const char* s = nullptr;
    double d = 0;
    EXPECT_EQ(0, list.getAdditionalParameter(0, 1, i32));
    EXPECT_EQ(0, list.getAdditionalParameter(0, 2, s));
    EXPECT_EQ(0, list.getAdditionalParameter(0, 3, d));
    EXPECT_EQ(7, i32);
    EXPECT_STREQ("abc", s);
    EXPECT_EQ(2.5, d);
    EXPECT_STREQ("%d%s%f", list.getFormatString(0));

    // "%%" stands for no value; the second '%' starts the next descriptor.
    list.setError(2, 1, "f", "%%d", 9);
    ASSERT_EQ(1u, list.getAdditionalParametersCount(1));
    EXPECT_EQ(0, list.getAdditionalParameter(1, 1, i32));
    EXPECT_EQ(9, i32);
}

TEST(Recording, RefusedValuesAreStillConsumed) {
    VkCErrorList bounded(1, 2, 0, 0, nullptr);
    bounded.setError(1, 1, "f", "%d%d%d%s", 1, 2, 3, "x");
    ASSERT_EQ(2u, bounded.getAdditionalParametersCount(0));
    int32_t second = 0;
    EXPECT_EQ(0, bounded.getAdditionalParameter(0, 2, second));
    EXPECT_EQ(2, second);

    // Each refused descriptor still takes its value of its own type, so what
    // follows the walk in the argument list is where it should be.
    VkCErrorList one(2, 1, 0, 0, nullptr);
    EXPECT_EQ(4242, recordThenReadNext(one, "%d%f%s%lld%p", 1, 2.5, "s", int64_t{4}, &one, 4242));
    EXPECT_EQ(1u, one.getAdditionalParametersCount(0));
    VkCErrorList none(2, 0, 0, 0, nullptr);
    EXPECT_EQ(4243, recordThenReadNext(none, "%s%%%e", "s", 1.0, 4243));
}

TEST(Recording, MalformedFormatPrintsOnePanicLineAndKeepsTheMessage) {
    struct Row {
        const char* format;
        uint32_t parameters;
        const char* line;
    };
    const Row rows[] = {
        {"d%d", 0,
         "VkErrorHandling: Panic! Format string 'd%d' for code 0x1234 starts with invalid character 'd'. "
         "Expecting '%'!\n"},
        {"%d%c", 1,
         "VkErrorHandling: Panic! Did not recognize type identifier 'c'. Error format string for code 0x1234 "
         "is "
         "invalid: '%c'!\n"},
        {"%d, %d", 0,
         "VkErrorHandling: Panic! Did not recognize type identifier ' '. Error format string for code 0x1234 "
         "is "
         "invalid: '%d, %d'!\n"},
    };
    for (const Row& row : rows) {
        VkCErrorList list(1, 10, 0, 0, nullptr);
        testing::internal::CaptureStdout();
        list.setError(0x1234, 1, "f", row.format, 1, 'x', 3);
        std::fflush(stdout);
        EXPECT_EQ(row.line, testing::internal::GetCapturedStdout());
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

    EXPECT_EQ(1u, list.getMessageType(0));
    EXPECT_EQ(9u, list.getOriginNode(0));
    EXPECT_EQ(777u, list.getTimeStamp(0));
    EXPECT_EQ(0u, list.getDisplayMode(0));
    EXPECT_EQ(0u, list.getMainModuleNumber(0));
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);

    EXPECT_EQ(3u, list.getMessageType(1));
    EXPECT_EQ(9u, list.getOriginNode(1));
    EXPECT_EQ(777u, list.getTimeStamp(1));
    EXPECT_EQ(4u, list.getMainModuleNumber(1));
    EXPECT_EQ(5u, list.getSubModuleNumber(1));
    EXPECT_STREQ("tmpl %1", VkErrorListAccess::entryAt(list, 1)->messageTemplate);
    EXPECT_EQ(1u, list.getAdditionalParametersCount(1));

    EXPECT_EQ(3u, list.getMessageType(2));
    EXPECT_EQ(0x1010u, list.getTimeStamp(2));
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
    ASSERT_EQ(2u, list.getAdditionalParametersCount(0));
    const char* s = nullptr;
    EXPECT_EQ(0, list.getAdditionalParameter(0, 2, s));
    EXPECT_STREQ("parked parameter", s);
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);

    // A restarted walk replaces the string parameters, including with its own.
    list.getAdditionalParameter(0, 1, s);
    restartWalk(list, 0, s, "second");
    EXPECT_EQ(2u, list.getAdditionalParametersCount(0));
    EXPECT_EQ(0, list.getAdditionalParameter(0, 2, s));
    EXPECT_STREQ("second", s);
    EXPECT_EQ(0, list.getAdditionalParameter(0, 1, s));
    EXPECT_STREQ("parked name", s);
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

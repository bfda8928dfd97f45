// The list store and recording: clamping, the index rule, typed reads, owned
// strings, reset, the detached list, counting and the repeat rule, the
// format walk's typing, the parameter bound, the panic lines and the short
// forms.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "support/EntryChecks.h"

namespace {

using VkNTest::describeParameters;
using VkNTest::storedCodes;

// Records through the va_list form (or restarts the walk of entry 0 when
// `restart`), then reads one more int: it shows what the walk consumed.
int32_t walkThenReadNext(VkCErrorList& list, bool restart, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (restart) {
        list.addAdditionalParameter(0, args);
    } else {
        list.setMessage(3, 0, 0, 0, nullptr, 1, 1, 0, 0, "f", format, args);
    }
    const int32_t next = va_arg(args, int);
    va_end(args);
    return next;
}

TEST(ErrorListStore, ClampsCapacityAndParameterBound) {
    const uint32_t rows[][4] = {{0, 5, 1, 5}, {3, 11, 3, 10}, {2, 0, 2, 0}};  // asked for, then got
    for (const auto& row : rows) {
        VkCErrorList list(row[0], row[1], 0, 0, nullptr);
        list.setError(7, 1, "f", nullptr);
        list.addAdditionalParameter(0, "x");
        EXPECT_EQ(
            (std::vector<uint32_t>{row[2], row[3], 1, row[3] == 0 ? 0u : 1u}),
            (std::vector<uint32_t>{list.getNumberOfEntries(), list.getMaxAdditionalParameters(99),
                                   list.getNumberOfUsedEntries(), list.getAdditionalParametersCount(0)}));
    }
}

// The last entry exists although unused and can be written without
// touching the counters; one past it does not.
TEST(ErrorListStore, IndexRuleIsAgainstCapacity) {
    VkCErrorList list(3, 4, 0, 0, nullptr);
    EXPECT_STREQ("", list.getFunctionName(2));
    EXPECT_EQ(nullptr, list.getFormatString(3));
    list.setFunctionName(2, "late");
    list.setErrorCode(3, 43);
    list.setMessageTemplate(0xFFFFFFFF, "nowhere");
    EXPECT_STREQ("late", list.getFunctionName(2));
    EXPECT_EQ(0u, list.getErrorCode(3) + list.getNumberOfUsedEntries() + list.getErrorCount());
}

// Which overload may read which position; 0 and 6 fit none, and a refused
// read leaves 0 or null. A null text is stored as none and read as "".
TEST(ErrorListStore, TypedReadsAcceptOnlyTheirOwnSlotType) {
    VkCErrorList list(1, 10, 0, 0, nullptr);
    list.addAdditionalParameter(0, int32_t{-5});
    list.addAdditionalParameter(0, int64_t{1} << 40);
    list.addAdditionalParameter(0, 2.5);
    list.addAdditionalParameter(0, "text");
    list.addAdditionalParameter(0, static_cast<const char*>(nullptr));
    int32_t i32 = 9;
    int64_t i64 = 9;
    double d = 9;
    const char* s = "unset";
    std::string accepted;
    for (uint32_t p = 0; p <= 6; ++p) {
        accepted += list.getAdditionalParameter(0, p, i32) == 0 ? "i" : ".";
        accepted += list.getAdditionalParameter(0, p, i64) == 0 ? "w" : ".";
        accepted += list.getAdditionalParameter(0, p, d) == 0 ? "d" : ".";
        accepted += list.getAdditionalParameter(0, p, s) == 0 ? std::string("s") + s : ".";
        accepted += p == 1   ? std::to_string(i32)
                    : p == 2 ? std::to_string(i64)
                    : p == 3 ? std::to_string(d)
                             : "";
        accepted += "|";
    }
    EXPECT_EQ(accepted, "....|i...-5|.w..1099511627776|..d.2.500000|...stext|...s|....|");
    EXPECT_EQ(i32 + i64 + d, 0);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(-1, list.getAdditionalParameter(1, 1, i32));
}

// Storing a field's own text back must copy before it frees; strings parked
// in free entries are released too (the sanitizer build sees a leak
// otherwise, after reset and after destruction alone).
TEST(ErrorListStore, StringsAreOwnedAndResetReleasesThem) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    char buffer[] = "caller";
    list.setFunctionName(0, buffer);
    std::strcpy(buffer, "change");
    list.setFunctionName(0, list.getFunctionName(0));
    EXPECT_STREQ("caller", list.getFunctionName(0));
    list.setFormatString(0, "%d");
    list.setFormatString(0, "");
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->formatString);

    list.setError(11, 101, "first", "%s", "p");
    list.setError(12, 102, "second", "%d", 5);
    list.setFunctionName(2, "parked");
    list.addAdditionalParameter(2, "parked parameter");
    list.reset();
    EXPECT_EQ(0u, list.getErrorCount() + list.getNumberOfUsedEntries());
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ("|0", list.getFunctionName(i) + std::string("|") +
                            std::to_string(list.getAdditionalParametersCount(i)));
    EXPECT_EQ(list.getLineNumber(0) + list.getErrorCode(1), 101u + 12u);  // number fields stay
    VkCErrorList parked(8, 1, 0, 0, nullptr);
    parked.setMessageTemplate(6, "parked");
    parked.addAdditionalParameter(3, "parked");
}

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

// These tests pin the library's own reading of format strings where it
// differs from printf's ("%%d" takes a value, "%c" stops the walk), with the
// formats in tables: the compiler's printf checks don't apply to them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
TEST(Recording, WalkTypesEachDescriptorByItsLetterAndPrefix) {
    // A spare value behind the one the descriptor takes must not be read.
    auto check = [](const char* format, auto value, const char* stored) {
        VkCErrorList list(1, 10, 0, 0, nullptr);
        list.setError(1, 1, "f", format, value, 77);
        EXPECT_EQ(describeParameters(list, 0), stored) << format;
    };
    for (const char* f : {"%d", "%i", "%o", "%u", "%x", "%08X", "%ld", "%hd", "%I64d", "%%d"})
        check(f, 7, "i:7");
    for (const char* f : {"%lld", "%llx", "%-12llu", "%zu", "%zd", "%zx", "%p"}) {
        check(f, int64_t{0x123456789}, "w:4886718345");
    }
    for (const char* f : {"%e", "%E", "%f", "%.3g", "%G"}) check(f, 2.5, "d:2.5");
    for (const char* f : {"%s", "%-10s"}) check(f, "abc", "s:abc");
    VkCErrorList list(1, 10, 0, 0, nullptr);
    list.setError(1, 1, "f", "%d%s%f", 7, "abc", 2.5);
    EXPECT_EQ(describeParameters(list, 0), "i:7 s:abc d:2.5");
}

// Each refused descriptor still takes its value of its own type, so what
// follows the walk in the argument list is where it should be.
TEST(Recording, RefusedValuesAreStillConsumed) {
    VkCErrorList bounded(1, 2, 0, 0, nullptr);
    bounded.setError(1, 1, "f", "%d%d%d%s", 1, 2, 3, "x");
    EXPECT_EQ(describeParameters(bounded, 0), "i:1 i:2");
    VkCErrorList one(2, 1, 0, 0, nullptr);
    EXPECT_EQ(4242, walkThenReadNext(one, false, "%d%f%s%lld%p", 1, 2.5, "s", int64_t{4}, &one, 4242));
    EXPECT_EQ(1u, one.getAdditionalParametersCount(0));
    VkCErrorList none(2, 0, 0, 0, nullptr);
    EXPECT_EQ(4243, walkThenReadNext(none, false, "%s%%%e", "s", 1.0, 4243));
}

TEST(Recording, MalformedFormatPrintsOnePanicLineAndKeepsTheMessage) {
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
        EXPECT_EQ("VkErrorHandling: Panic! " + row.line, testing::internal::GetCapturedStdout());
        EXPECT_EQ(1u, list.getNumberOfUsedEntries()) << row.format;
        EXPECT_EQ(row.parameters, list.getAdditionalParametersCount(0)) << row.format;
    }
}
#pragma GCC diagnostic pop

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
                                         list.getSubModuleNumber(i)}));
    }
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);
    EXPECT_STREQ("tmpl %1", VkErrorListAccess::entryAt(list, 1)->messageTemplate);
}

// Strings parked in free entry 0 are passed back in while it is rewritten,
// and a restarted walk takes its own string: ASan sees a leak or a use
// after free otherwise.
TEST(Recording, ReusedEntriesNeitherLeakNorReadFreedStrings) {
    VkCErrorList list(2, 4, 0, 0, nullptr);
    list.setFunctionName(0, "parked name");
    list.setMessageTemplate(0, "parked template");
    list.addAdditionalParameter(0, "parked parameter");
    const char* parked = nullptr;
    ASSERT_EQ(0, list.getAdditionalParameter(0, 1, parked));
    list.setError(1, 1, list.getFunctionName(0), "%s%s", list.getFunctionName(0), parked);
    EXPECT_STREQ("parked name", list.getFunctionName(0));
    EXPECT_EQ(describeParameters(list, 0), "s:parked name s:parked parameter");
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);

    list.getAdditionalParameter(0, 1, parked);
    EXPECT_EQ(99, walkThenReadNext(list, true, nullptr, parked, "second", 99));
    EXPECT_EQ(describeParameters(list, 0), "s:parked name s:second");
}

}  // namespace

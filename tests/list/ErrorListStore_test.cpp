// The list store: capacity and parameter clamping, the index rule, typed
// parameter reads, owned strings, pop/reset and the degenerate list.
#include <gtest/gtest.h>

#include <cstring>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"

namespace {

TEST(ErrorListStore, ClampsCapacityAndParameterBound) {
    const struct {
        uint32_t entries, parameters, wantEntries, wantParameters;
    } rows[] = {{0, 5, 1, 5}, {3, 11, 3, 10}, {2, 0, 2, 0}, {4, 10, 4, 10}};
    for (const auto& row : rows) {
        VkCErrorList list(row.entries, row.parameters, 0, 0, nullptr);
        EXPECT_EQ(row.wantEntries, list.getNumberOfEntries()) << row.entries;
        EXPECT_EQ(row.wantParameters, list.getMaxAdditionalParameters(99)) << row.parameters;
    }

    VkCErrorList single(0, 0, 0, 0, nullptr);
    single.setError(7, 1, "f", nullptr);
    EXPECT_EQ(1u, single.getNumberOfUsedEntries());
    single.addAdditionalParameter(0, int32_t{1});
    single.addAdditionalParameter(0, "x");
    EXPECT_EQ(0u, single.getAdditionalParametersCount(0));
}

TEST(ErrorListStore, IndexRuleIsAgainstCapacity) {
    VkCErrorList list(3, 4, 0, 0, nullptr);
    // The last entry exists although unused: "" for strings, 0 for numbers.
    EXPECT_STREQ("", list.getFunctionName(2));
    EXPECT_STREQ("", list.getFormatString(2));
    EXPECT_EQ(0u, list.getErrorCode(2) + list.getTimeStamp(2));
    // One past it does not.
    EXPECT_EQ(nullptr, list.getFunctionName(3));
    EXPECT_EQ(nullptr, list.getFormatString(3));
    EXPECT_EQ(0.0, list.getTimeStampSeconds(3));

    // Free entries can be written, without touching the counters.
    list.setErrorCode(2, 42);
    list.setFunctionName(2, "late");
    list.setErrorCode(3, 43);
    list.setFunctionName(3, "nowhere");
    list.setMessageTemplate(0xFFFFFFFF, "nowhere");
    EXPECT_EQ(42u, list.getErrorCode(2));
    EXPECT_STREQ("late", list.getFunctionName(2));
    EXPECT_EQ(0u, list.getErrorCode(3));
    EXPECT_EQ(0u, list.getNumberOfUsedEntries() + list.getErrorCount());
}

TEST(ErrorListStore, TypedReadsAcceptOnlyTheirOwnSlotType) {
    VkCErrorList list(1, 10, 0, 0, nullptr);
    list.addAdditionalParameter(0, int32_t{-5});
    list.addAdditionalParameter(0, int64_t{1} << 40);
    list.addAdditionalParameter(0, 2.5);
    list.addAdditionalParameter(0, "text");
    list.addAdditionalParameter(0, static_cast<const char*>(nullptr));
    ASSERT_EQ(5u, list.getAdditionalParametersCount(0));

    // Which overload may read which position (1-based); 0 and 6 fit none.
    // A refused read leaves 0 or null.
    for (uint32_t p = 0; p <= 6; ++p) {
        int32_t i32 = 99;
        int64_t i64 = 99;
        double d = 99;
        const char* s = "unset";
        EXPECT_EQ(p == 1 ? 0 : -1, list.getAdditionalParameter(0, p, i32)) << p;
        EXPECT_EQ(p == 2 ? 0 : -1, list.getAdditionalParameter(0, p, i64)) << p;
        EXPECT_EQ(p == 3 ? 0 : -1, list.getAdditionalParameter(0, p, d)) << p;
        EXPECT_EQ(p == 4 || p == 5 ? 0 : -1, list.getAdditionalParameter(0, p, s)) << p;
        EXPECT_EQ(p == 1 ? -5 : 0, i32);
        EXPECT_EQ(p == 2 ? int64_t{1} << 40 : 0, i64);
        EXPECT_EQ(p == 3 ? 2.5 : 0.0, d);
        // A null text is stored as none and read as "".
        EXPECT_STREQ(p == 4 ? "text" : p == 5 ? "" : nullptr, s);
    }
    int32_t value = 1;
    EXPECT_EQ(-1, list.getAdditionalParameter(1, 1, value));  // bad entry index
    EXPECT_EQ(0, value);
}

TEST(ErrorListStore, StringsAreOwnedCopies) {
    VkCErrorList list(2, 0, 0, 0, nullptr);
    char buffer[] = "caller";
    list.setFunctionName(0, buffer);
    std::strcpy(buffer, "change");
    EXPECT_STREQ("caller", list.getFunctionName(0));

    // Storing a field's own text back must copy before it frees.
    list.setFunctionName(0, list.getFunctionName(0));
    EXPECT_STREQ("caller", list.getFunctionName(0));

    list.setFormatString(0, "%d");
    list.setFormatString(0, "");
    EXPECT_STREQ("", list.getFormatString(0));
    list.setMessageTemplate(0, "t");
    list.setMessageTemplate(0, nullptr);
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(list, 0)->messageTemplate);
}

// Strings parked in free entries are released as well: the sanitizer build
// sees a leak otherwise, after reset and after destruction alone.
TEST(ErrorListStore, ResetReleasesEntriesButKeepsNumberFields) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    list.reset();  // pops nothing on an empty list
    list.setError(11, 101, "first", "%s", "p");
    list.setError(12, 102, "second", "%d", 5);
    list.setFunctionName(2, "parked");
    list.addAdditionalParameter(2, "parked parameter");
    ASSERT_EQ(2u, list.getErrorCount());

    list.reset();
    EXPECT_EQ(0u, list.getErrorCount() + list.getNumberOfUsedEntries());
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_STREQ("", list.getFunctionName(i)) << i;
        EXPECT_STREQ("", list.getFormatString(i)) << i;
        EXPECT_EQ(0u, list.getAdditionalParametersCount(i)) << i;
    }
    EXPECT_EQ(101u, list.getLineNumber(0));
    EXPECT_EQ(12u, list.getErrorCode(1));
    EXPECT_EQ(3u, list.getMessageType(1));

    VkCErrorList parked(8, 1, 0, 0, nullptr);
    parked.setError(1, 1, "used", nullptr);
    parked.setMessageTemplate(6, "parked");
    parked.addAdditionalParameter(3, "parked");
}

TEST(ErrorListStore, TimeStampSecondsUsesTheManagersTickDuration) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double saved = manager.getTimeStampTickDuration();
    manager.setTimeStampTickDuration(0.002);
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setTimeStamp(0, 250);
    EXPECT_DOUBLE_EQ(0.5, list.getTimeStampSeconds(0));
    manager.setTimeStampTickDuration(saved);
}

TEST(ErrorListStore, ListWithoutEntryBlockRecordsAndCountsNothing) {
    VkCErrorList list(4, 3, 0, 0, nullptr);
    VkErrorListAccess::detach(list);
    list.setError(1, 2, "f", "%d", 3);
    list.setFunctionName(0, "f");
    list.reset();
    EXPECT_EQ(0u, list.getErrorCount() + list.getNumberOfUsedEntries());
    EXPECT_EQ(nullptr, list.getFunctionName(0));
    EXPECT_EQ(3u, list.getMaxAdditionalParameters(0));
}

}  // namespace

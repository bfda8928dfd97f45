// Merging lists (copies, repeats, overflow, self-merge) and the pool
// allocation operators.
#include <gtest/gtest.h>

#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "support/EntryChecks.h"

namespace {

using VkNTest::expectSameEntry;
using VkNTest::storedCodes;

TEST(ListMerge, CopiesEveryFieldAndTypedParameters) {
    VkCErrorList source(3, 5, 0, 4, nullptr);
    source.setMessage(2, 7, 8, 9, "template %1", 1, 11, 44, 1234, "first", "%d%s%f%lld%s", 5, "five", 5.5,
                      int64_t{-5}, "");
    source.setError(2, 12, "second", "%p", &source);
    source.setMessage(0, 3, 13, nullptr, nullptr);  // no function name, format or template

    VkCErrorList target(10, 5, 0, 99, nullptr);
    target += source;
    ASSERT_EQ((std::vector<uint32_t>{1, 2, 3}), storedCodes(target));
    EXPECT_EQ(3u, target.getErrorCount());
    for (uint32_t i = 0; i < 3; ++i) expectSameEntry(source, i, target, i);
    // Origin and time stay the source's (compared above); absent texts stay absent.
    const VkErrorListAccess::Entry& bare = *VkErrorListAccess::entryAt(target, 2);
    EXPECT_EQ(nullptr, bare.functionName);
    EXPECT_EQ(nullptr, bare.formatString);
    EXPECT_EQ(nullptr, bare.messageTemplate);
}

TEST(ListMerge, TargetBoundsParametersAndRepeatsAgainstItsLastEntry) {
    VkCErrorList source(2, 4, 0, 0, nullptr);
    source.setError(1, 1, "f", "%d%d%d", 1, 2, 3);
    source.setError(2, 2, "g", "%s", "kept");

    VkCErrorList target(4, 2, 0, 0, nullptr);
    target.setError(1, 5, "old", nullptr);
    target += source;
    // The copy of code 1 repeats the old last entry: counted, not stored, and
    // its format string and parameters are attached nowhere.
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), storedCodes(target));
    EXPECT_EQ(3u, target.getErrorCount());
    EXPECT_STREQ("", target.getFormatString(0));
    EXPECT_EQ(0u, target.getAdditionalParametersCount(0));
    EXPECT_STREQ("%s", target.getFormatString(1));

    VkCErrorList narrow(2, 2, 0, 0, nullptr);
    narrow += source;
    EXPECT_EQ(2u, narrow.getAdditionalParametersCount(0));
}

TEST(ListMerge, OverflowReplacesTheLastEntryWithAWarning) {
    VkCErrorList source(5, 0, 0, 0, nullptr);
    for (uint32_t code = 11; code <= 15; ++code) source.setError(code, code, "src", nullptr);
    VkCErrorList target(3, 0, 0, 6, nullptr);
    target.setError(1, 1, "old", nullptr);

    target += source;
    EXPECT_EQ((std::vector<uint32_t>{1, 11, 0x100004}), storedCodes(target));
    EXPECT_EQ(2u, target.getMessageType(2));
    EXPECT_STREQ("VkCErrorList::operator +=", target.getFunctionName(2));
    EXPECT_STREQ("", target.getFormatString(2));
    EXPECT_EQ(6u, target.getOriginNode(2));
    EXPECT_EQ(4u, target.getErrorCount());  // old + two copies + warning
}

TEST(ListMerge, SelfMergeOfAMessageListStopsAtItsOwnOverflow) {
    VkCMessageListPool list(4, 1, 0, 0, nullptr);
    list.setError(1, 1, "f", "%s", "one");
    list.setError(2, 2, "g", nullptr);
    list += list;
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 1, 0x100004}), storedCodes(list));
    expectSameEntry(list, 0, list, 2);

    // The pool forms share the same behaviour.
    VkCErrorListPool a(4, 1, 0, 0, nullptr);
    VkCErrorListPool b(4, 1, 0, 0, nullptr);
    b.setError(7, 1, "f", nullptr);
    (a += b) += b;
    EXPECT_EQ((std::vector<uint32_t>{7}), storedCodes(a));  // repeat collapses on an error list
    EXPECT_EQ(2u, a.getErrorCount());
}

struct Throwing {
    Throwing() { throw 1; }
};

// The pool operators report a null release (0x100400) and a failed
// allocation (0x100401, here simulated) into the pool, and nothing else. A
// message list keeps equal reports in a row.
TEST(PoolAllocation, ReportsNullReleasesAndFailedAllocationsOnly) {
    VkCMessageListPool pool(4, 0, 0, 0, nullptr);
    int* one = new (pool) int(5);
    int* many = new (pool) int[8];
    ASSERT_NE(nullptr, one);
    ASSERT_NE(nullptr, many);
    EXPECT_EQ(5, *one);
    operator delete(one, pool);
    operator delete[](many, pool);
    // A throwing constructor hands the block to the matching placement delete.
    EXPECT_THROW(new (pool) Throwing, int);
    EXPECT_EQ(0u, pool.getErrorCount());

    operator delete(nullptr, pool);
    operator delete[](nullptr, pool);
    VkNErrorManager::DebugSimulateMemoryOverflow = 1;
    EXPECT_EQ(nullptr, new (pool) int(5));
    EXPECT_EQ(nullptr, new (pool) int[8]);
    VkNErrorManager::DebugSimulateMemoryOverflow = 0;
    EXPECT_EQ((std::vector<uint32_t>{0x100400, 0x100400, 0x100401, 0x100401}), storedCodes(pool));
    const char* const functions[] = {"operator delete", "operator delete[]", "operator new",
                                     "operator new[]"};
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_STREQ(functions[i], pool.getFunctionName(i));
        EXPECT_STREQ("", pool.getFormatString(i));
    }
    EXPECT_EQ(3u, pool.getMessageType(2));

    // A host clock that throws cannot escape the noexcept operators: the
    // report is kept, with the default stamp.
    pool.reset();
    VkCErrorManager::getInstance().setTimeStampCallback([]() -> uint64_t { throw 1; });
    VkNErrorManager::DebugSimulateMemoryOverflow = 1;
    EXPECT_EQ(nullptr, new (pool) int(5));
    VkNErrorManager::DebugSimulateMemoryOverflow = 0;
    VkCErrorManager::getInstance().setTimeStampCallback(nullptr);
    EXPECT_EQ(0x100401u, pool.getErrorCode(0));
    EXPECT_EQ(0x1010u, pool.getTimeStamp(0));
}

}  // namespace

// Merging lists (copies, repeats, overflow, self-merge) and the pool
// allocation operators.
#include <gtest/gtest.h>

#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"

namespace {

std::vector<uint32_t> storedCodes(const VkCErrorList& list) {
    std::vector<uint32_t> codes;
    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) codes.push_back(list.getErrorCode(i));
    return codes;
}

void expectSameEntry(const VkCErrorList& a, uint32_t i, const VkCErrorList& b, uint32_t j) {
    const VkErrorListAccess::Entry& x = *VkErrorListAccess::entryAt(a, i);
    const VkErrorListAccess::Entry& y = *VkErrorListAccess::entryAt(b, j);
    EXPECT_EQ(x.messageType, y.messageType);
    EXPECT_EQ(x.errorCode, y.errorCode);
    EXPECT_EQ(x.lineNumber, y.lineNumber);
    EXPECT_EQ(x.timeStamp, y.timeStamp);
    EXPECT_EQ(x.displayMode, y.displayMode);
    EXPECT_EQ(x.mainModuleNumber, y.mainModuleNumber);
    EXPECT_EQ(x.subModuleNumber, y.subModuleNumber);
    EXPECT_EQ(x.originNode, y.originNode);
    EXPECT_STREQ(a.getFunctionName(i), b.getFunctionName(j));
    EXPECT_STREQ(a.getFormatString(i), b.getFormatString(j));
    EXPECT_EQ(x.messageTemplate == nullptr, y.messageTemplate == nullptr);
    if (x.messageTemplate != nullptr && y.messageTemplate != nullptr) {
        EXPECT_STREQ(x.messageTemplate, y.messageTemplate);
    }
    ASSERT_EQ(x.additionalParametersCount, y.additionalParametersCount);
    for (uint32_t k = 0; k < x.additionalParametersCount; ++k) {
        const VkSParameter& p = x.additionalParameters[k];
        const VkSParameter& q = y.additionalParameters[k];
        ASSERT_EQ(p.type, q.type) << "parameter " << k;
        if (p.type == kParameterString) {
            EXPECT_STREQ(p.value.stringValue, q.value.stringValue);
            if (p.value.stringValue != nullptr) {
                EXPECT_NE(p.value.stringValue, q.value.stringValue);  // a copy, not shared
            }
        } else {
            EXPECT_EQ(p.value.int64Value, q.value.int64Value);
        }
    }
}

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
    // Origin and time are the source's, not the target's node or a new stamp.
    EXPECT_EQ(44u, target.getOriginNode(0));
    EXPECT_EQ(1234u, target.getTimeStamp(0));
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(target, 2)->functionName);
    EXPECT_EQ(nullptr, VkErrorListAccess::entryAt(target, 2)->formatString);
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

class PoolAllocation : public testing::Test {
  protected:
    void TearDown() override { VkNErrorManager::DebugSimulateMemoryOverflow = 0; }
    // A message list, so that equal reports in a row are all kept.
    VkCMessageListPool pool{4, 0, 0, 0, nullptr};
};

TEST_F(PoolAllocation, SimulatedOverflowYieldsNullAndAReport) {
    VkNErrorManager::DebugSimulateMemoryOverflow = 1;
    EXPECT_EQ(nullptr, new (pool) int(5));
    EXPECT_EQ(nullptr, new (pool) int[8]);
    ASSERT_EQ(2u, pool.getNumberOfUsedEntries());
    EXPECT_EQ(0x100401u, pool.getErrorCode(0));
    EXPECT_EQ(3u, pool.getMessageType(0));
    EXPECT_STREQ("operator new", pool.getFunctionName(0));
    EXPECT_STREQ("operator new[]", pool.getFunctionName(1));
    EXPECT_STREQ("", pool.getFormatString(0));
}

TEST_F(PoolAllocation, NormalAllocationReportsNothing) {
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
}

TEST_F(PoolAllocation, ReleasingNullIsReported) {
    operator delete(nullptr, pool);
    operator delete[](nullptr, pool);
    EXPECT_EQ((std::vector<uint32_t>{0x100400, 0x100400}), storedCodes(pool));
    EXPECT_STREQ("operator delete", pool.getFunctionName(0));
    EXPECT_STREQ("operator delete[]", pool.getFunctionName(1));
}

}  // namespace

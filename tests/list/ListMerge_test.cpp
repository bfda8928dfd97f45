// Merging lists (copies, repeats, overflow, self-merge) and the pool
// allocation operators.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "support/EntryChecks.h"

namespace {

using VkNTest::expectSameEntry;
using VkNTest::storedCodes;

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

// Merging copies entries directly; it must store exactly what copying each
// entry through the public recording form and setters stores.
void plainMerge(VkCErrorList& target, const VkCErrorList& source) {
    for (uint32_t i = 0; i < source.getNumberOfUsedEntries(); ++i) {
        const VkErrorListAccess::Entry& e = *VkErrorListAccess::entryAt(source, i);
        const uint32_t index = target.getNumberOfUsedEntries();
        target.setMessage(e.messageType, e.displayMode, e.mainModuleNumber, e.subModuleNumber,
                          e.messageTemplate, e.errorCode, e.lineNumber, e.originNode, e.timeStamp,
                          e.functionName, static_cast<const char*>(nullptr));
        if (target.getNumberOfUsedEntries() != index + 1) continue;
        target.setFormatString(index, e.formatString);
        for (uint32_t p = 1; p <= source.getAdditionalParametersCount(i); ++p) {
            int32_t i32;
            const char* text;
            double d;
            int64_t i64;
            if (source.getAdditionalParameter(i, p, i32) == 0) target.addAdditionalParameter(index, i32);
            if (source.getAdditionalParameter(i, p, text) == 0) target.addAdditionalParameter(index, text);
            if (source.getAdditionalParameter(i, p, d) == 0) target.addAdditionalParameter(index, d);
            if (source.getAdditionalParameter(i, p, i64) == 0) target.addAdditionalParameter(index, i64);
        }
    }
}

// Random sources into error and message lists with random parameter
// limits, behind an old entry whose code a copy may repeat.
TEST(ListMerge, DirectCopiesMatchCopiesThroughTheSetters) {
    std::mt19937 random(7);
    const char* const texts[] = {nullptr, "", "text", "%d%s"};
    for (int round = 0; round < 300; ++round) {
        VkCErrorList source(8, 10, 0, 1, nullptr);
        for (uint32_t i = random() % 8; i > 0; --i) {
            source.setMessage(random() % 7, random() % 3, random() % 3, random() % 3, texts[random() % 4],
                              (random() % 4 == 0) ? 0x100800 : random() % 3, random(), random(), random(),
                              texts[random() % 4], static_cast<const char*>(nullptr));
            const uint32_t last = source.getNumberOfUsedEntries() - 1;
            source.setFormatString(last, texts[random() % 4]);
            for (uint32_t p = random() % 11; p > 0; --p) {
                const uint32_t kind = random() % 4;
                if (kind == 0) source.addAdditionalParameter(last, static_cast<int32_t>(random()));
                if (kind == 1) source.addAdditionalParameter(last, texts[random() % 4]);
                if (kind == 2) source.addAdditionalParameter(last, random() / 7.0);
                if (kind == 3) source.addAdditionalParameter(last, static_cast<int64_t>(random()) << 20);
            }
        }
        const uint32_t limit = random() % 11;
        std::unique_ptr<VkCErrorList> direct(new VkCErrorList(20, limit, 0, 2, nullptr));
        std::unique_ptr<VkCErrorList> plain(new VkCErrorList(20, limit, 0, 2, nullptr));
        if (random() % 2 == 0) {
            direct.reset(new VkCMessageListPool(20, limit, 0, 2, nullptr));
            plain.reset(new VkCMessageListPool(20, limit, 0, 2, nullptr));
        }
        const uint32_t code = random() % 3;
        direct->setError(code, 1, "old", nullptr);
        plain->setError(code, 1, "old", nullptr);
        *direct += source;
        plainMerge(*plain, source);
        ASSERT_EQ(storedCodes(*plain), storedCodes(*direct)) << "round " << round;
        ASSERT_EQ(plain->getErrorCount(), direct->getErrorCount()) << "round " << round;
        for (uint32_t i = 0; i < plain->getNumberOfUsedEntries(); ++i) expectSameEntry(*plain, i, *direct, i);
    }
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

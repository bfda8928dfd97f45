#include "catalogue/ModuleTable.h"

#include <gtest/gtest.h>

namespace VkNCatalogue {
namespace {

constexpr uint32_t moduleCode(uint32_t moduleNumber) { return moduleNumber << 20; }

uint32_t subModuleOf(uint32_t moduleNumber) {
    uint32_t main = 99;
    uint32_t sub = 99;
    getModuleNumbers(moduleCode(moduleNumber), main, sub);
    EXPECT_EQ(main, sub == 0 ? 0u : 128u) << "module " << moduleNumber;
    return sub;
}

// Each range of modules with its first sub module number; within a range the
// sub module number either follows the module number or stays the same.
TEST(ModuleTableTest, EveryModuleOfEveryRangeHasItsSubModule) {
    enum Step { kFollows = 1, kSame = 0 };
    struct Range {
        uint32_t first;
        uint32_t last;
        uint32_t firstSub;
        Step step;
    };
    const Range ranges[] = {
        {0, 3, 1, kFollows},      {4, 13, 4, kFollows},      {14, 15, 13, kSame},
        {16, 18, 4, kSame},       {19, 19, 14, kSame},       {20, 21, 14, kFollows},
        {22, 22, 14, kSame},      {23, 25, 16, kFollows},    {256, 281, 19, kFollows},
        {282, 283, 4, kSame},     {284, 284, 45, kSame},     {285, 320, 45, kFollows},
        {321, 322, 80, kSame},    {323, 328, 80, kFollows},  {329, 331, 88, kFollows},
        {384, 478, 91, kFollows}, {479, 618, 185, kFollows},
    };
    for (const Range& range : ranges) {
        for (uint32_t moduleNumber = range.first; moduleNumber <= range.last; ++moduleNumber) {
            EXPECT_EQ(subModuleOf(moduleNumber), range.firstSub + (moduleNumber - range.first) * range.step)
                << "module " << moduleNumber;
        }
    }
}

TEST(ModuleTableTest, ModulesOutsideTheRangesHaveNoRow) {
    for (uint32_t moduleNumber : {26u, 255u, 332u, 383u, 619u, 624u, 2047u}) {
        EXPECT_EQ(findModuleRow(moduleCode(moduleNumber)), -1) << moduleNumber;
        EXPECT_EQ(subModuleOf(moduleNumber), 0u) << moduleNumber;
    }
}

// Walks every possible module number: a search that skips a row or runs off
// either end shows up as a missing or out-of-order row, and the index must
// answer as the search does, also for keys with other bits set.
TEST(ModuleTableTest, EveryRowIsFoundExactlyOnceInOrder) {
    int32_t expectedRow = 0;
    for (uint32_t moduleNumber = 0; moduleNumber < 4096; ++moduleNumber) {
        for (uint32_t lowBits : {0x0u, 0x1u, 0x400u, 0x80000u}) {
            const uint32_t key = (moduleNumber << 20) | lowBits;
            ASSERT_EQ(findModuleRow(key), searchModuleRow(key)) << std::hex << key;
        }
        const int32_t row = findModuleRow(moduleCode(moduleNumber));
        if (row < 0) continue;
        ASSERT_EQ(row, expectedRow) << "module " << moduleNumber;
        ++expectedRow;
    }
    EXPECT_EQ(expectedRow, static_cast<int32_t>(kModuleRowCount));
    EXPECT_EQ(findModuleRow(0), 0);
    EXPECT_EQ(findModuleRow(0x26A00000), 336);
}

TEST(ModuleTableTest, KeysWithCodeBitsBelowTheModuleFindNoRow) {
    for (uint32_t key :
         {0x1u, 0x400u, 0x800u, 0x100001u, 0x100400u, 0x102008u, 0x26A00001u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(findModuleRow(key), -1) << std::hex << key;
    }
}

TEST(ModuleTableTest, ModuleNumbersIgnoreBit31AndTheLowerFields) {
    uint32_t main = 0;
    uint32_t sub = 0;
    getModuleNumbers(0x102008, main, sub);
    EXPECT_EQ(main, 128u);
    EXPECT_EQ(sub, 2u);
    getModuleNumbers(0x80102008, main, sub);
    EXPECT_EQ(main, 128u);
    EXPECT_EQ(sub, 2u);
    getModuleNumbers(0x9DF00000, main, sub);  // module 479 with bit 31
    EXPECT_EQ(sub, 185u);
}

}  // namespace
}  // namespace VkNCatalogue

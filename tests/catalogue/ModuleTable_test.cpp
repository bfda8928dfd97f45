#include "catalogue/ModuleTable.h"

#include <gtest/gtest.h>

#include <utility>

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

// Walks every module number, bit 31 included: a search that skips a row or
// runs off either end shows up as a missing or out-of-order row, so with the
// ranges above no module outside them has one. The index must answer as the
// search does, and a key with group, flag or index bits finds no row.
TEST(ModuleTableTest, EveryRowIsFoundExactlyOnceInOrder) {
    int32_t expectedRow = 0;
    for (uint32_t moduleNumber = 0; moduleNumber < 4096; ++moduleNumber) {
        for (uint32_t lowBits : {0x1u, 0x400u, 0x80000u}) {
            ASSERT_EQ(findModuleRow(moduleCode(moduleNumber) | lowBits), -1) << moduleNumber;
            ASSERT_EQ(searchModuleRow(moduleCode(moduleNumber) | lowBits), -1) << moduleNumber;
        }
        const int32_t row = findModuleRow(moduleCode(moduleNumber));
        ASSERT_EQ(row, searchModuleRow(moduleCode(moduleNumber))) << moduleNumber;
        if (row < 0) continue;
        ASSERT_EQ(row, expectedRow) << "module " << moduleNumber;
        ++expectedRow;
    }
    EXPECT_EQ(expectedRow, static_cast<int32_t>(kModuleRowCount));
    EXPECT_EQ(findModuleRow(0x26A00000), 336);
}

TEST(ModuleTableTest, ModuleNumbersIgnoreBit31AndTheLowerFields) {
    const struct {
        uint32_t code, main, sub;
    } rows[] = {{0x102008, 128, 2}, {0x80102008, 128, 2}, {0x9DF00000, 128, 185}, {0x27000000, 0, 0}};
    for (const auto& row : rows) {
        uint32_t main = 99, sub = 99;
        getModuleNumbers(row.code, main, sub);
        EXPECT_EQ(std::make_pair(main, sub), std::make_pair(row.main, row.sub)) << std::hex << row.code;
    }
}

}  // namespace
}  // namespace VkNCatalogue

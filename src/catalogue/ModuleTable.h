// The static module table: module code -> main and sub module numbers and the
// text set registered for the module. Lookups read constant data; they
// allocate nothing and take no lock.
#ifndef VKERRORHANDLING_SRC_CATALOGUE_MODULETABLE_H_
#define VKERRORHANDLING_SRC_CATALOGUE_MODULETABLE_H_

#include <cstdint>

struct VkResText;

namespace VkNCatalogue {

constexpr uint32_t kModuleRowCount = 337;

// Row of the module whose code (module number << 20) is exactly
// `moduleCode`, or -1. One look into an index by module number: rendering
// and serializing ask for every message.
int32_t findModuleRow(uint32_t moduleCode);

// The same answer by binary search over the rows: the plain path the index
// is built from and tested against.
int32_t searchModuleRow(uint32_t moduleCode);

// Main and sub module numbers of `code`'s module (bits 20-30; bit 31 is
// ignored), or 0 and 0 when the module has no row.
void getModuleNumbers(uint32_t code, uint32_t& mainModuleNumber, uint32_t& subModuleNumber);

// The text set registered for row `row` (null when none), and its update.
const VkResText* registeredTextSet(int32_t row);
void setRegisteredTextSet(int32_t row, const VkResText* set);

}  // namespace VkNCatalogue

#endif  // VKERRORHANDLING_SRC_CATALOGUE_MODULETABLE_H_

// Registration of text sets in the module table, and the registration of the
// library's own two sets for as long as the library is loaded.
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/LibraryTexts.h"
#include "catalogue/ModuleTable.h"

bool VkCErrorManager::_registerMessages(const VkResText* set) {
    if (set == nullptr) return false;
    const int32_t row = VkNCatalogue::findModuleRow(set->moduleCode);
    if (row < 0) return false;
    VkNCatalogue::setRegisteredTextSet(row, set);
    return true;
}

bool VkCErrorManager::_unregisterMessages(const VkResText* set) {
    if (set == nullptr) return false;
    const int32_t row = VkNCatalogue::findModuleRow(set->moduleCode);
    if (row < 0) return false;
    VkNCatalogue::setRegisteredTextSet(row, nullptr);
    return true;
}

namespace VkNCatalogue {
namespace {

// Keeps one of the library's own text sets registered from load to unload.
// Instances live only in this file, so their construction order (module 1,
// then module 0) and the reverse destruction order are defined. The manager
// singleton is created later, at first use, and is therefore destroyed before
// these, while its texts are still registered.
class LibraryTextRegistration {
  public:
    explicit LibraryTextRegistration(const VkResText& set) : set_(set) {
        VkCErrorManager::_registerMessages(&set_);
    }
    ~LibraryTextRegistration() { VkCErrorManager::_unregisterMessages(&set_); }
    LibraryTextRegistration(const LibraryTextRegistration&) = delete;
    LibraryTextRegistration& operator=(const LibraryTextRegistration&) = delete;

  private:
    const VkResText& set_;
};

const LibraryTextRegistration g_libraryModuleTexts(libraryTextSet());
const LibraryTextRegistration g_userMessageTexts(userMessageTextSet());

}  // namespace
}  // namespace VkNCatalogue

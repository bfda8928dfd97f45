// The five-minute tour of VkErrorHandling, as shown in the README.
#include <VkErrorHandling/VkCErrorList.h>
#include <VkErrorHandling/VkCErrorManager.h>

#include <cstdio>

// 1. A module's texts: module 2, group 0. "%1", "%2" are filled from each
//    message's parameters.
static const char* const kTexts[] = {"Disk %1 is %2 percent full.", "Cannot open '%1' (error %2)."};
static const uint32_t kGroupStarts[] = {0, 2};
static const VkResText kMyTexts = {kTexts, kGroupStarts, 1, 0x00200000};

int main() {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorManager::_registerMessages(&kMyTexts);

    // 2. Send an error: one call, printed to standard output by default.
    manager.sendError(0x00200001, __LINE__, __func__, "%s%d", "/etc/app.conf", 2);

    // 3. Fill a list of your own and send all of it at once.
    VkCErrorListPool& list = manager.createErrorList(0, 1, 8, 5, 0);
    if (list.getNumberOfEntries() == 0) return 1;  // no list could be made
    list.setError(0x00200001, __LINE__, __func__, "%s%d", "/data/a.bin", 13);
    list.setMessage(2, 0x00200000, __LINE__, __func__, "%s%d", "/var", 93);
    manager.sendErrorList(list, 0);

    // 4. Serialize a list, read it back elsewhere, print it.
    list.setError(0x00200001, __LINE__, __func__, "%s%d", "/srv/share", 110);
    uint32_t size = 0;
    char* image = list.serialize(size);
    VkCErrorList received(8, 5, 0, 0, nullptr);
    received.deSerialize(reinterpret_cast<const unsigned char*>(image), size);
    list.freeSerializedBuffer(&image);
    received.print(stdout, true);  // one tab-separated row per message

    manager.deleteErrorList(list);
    VkCErrorManager::_unregisterMessages(&kMyTexts);
    return 0;
}

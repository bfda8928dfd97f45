// A host's calls of the format-checked members, compiled on their own by the
// format_check tests. Without a WRONG_* macro every call is right and must
// compile without a single warning; each WRONG_* macro adds one mistaken call
// that -Werror=format must turn into a failed build.
#include <VkErrorHandling/VkCErrorList.h>
#include <VkErrorHandling/VkCErrorManager.h>

void reportAll(VkCErrorList& list, VkCErrorManager& manager, const char* name, long long wide) {
    list.setError(0x200001, __LINE__, __func__, "%s%d", name, 2);
    list.setError(128, 3, "%1 %2", 0x200001, __LINE__, __func__, "%lld%08X", wide, 7u);
    list.setMessage(2, 0x200000, __LINE__, __func__, "%f%zu", 2.5, sizeof wide);
    list.setMessage(2, 0, 128, 3, "%1", 0x200000, __LINE__, 0, 0, __func__, "%p", static_cast<const void*>(name));
    list.setError(0x200002, __LINE__, __func__, nullptr);
    manager.sendLog(0x200000, __LINE__, __func__, "%u", 1u);
    manager.sendInfo(0x200000, __LINE__, __func__, "%g", 1.0f);
    manager.sendWarning(0x200000, __LINE__, __func__, "%x", 255);
    manager.sendError(0x200001, __LINE__, __func__, "%s%d", name, 2);
    manager.sendMessage(0, 0, 4, 0x200000, __LINE__, __func__, "%i", -1);
    manager.sendMessage(0, 128, 3, "%1", 0, 5, 0x200000, __LINE__, __func__, "%.3e", 0.5);
    // The forms without a format string.
    manager.sendLog(0x200000, __LINE__, __func__);
    manager.sendInfo(0x200000, __LINE__, __func__);
    manager.sendWarning(0x200000, __LINE__, __func__);
    manager.sendError(0x200000, __LINE__, __func__);

#if defined(WRONG_setError)
    list.setError(0x200001, __LINE__, __func__, "%d%s", 2.5);  // a double for %d, no string
#elif defined(WRONG_setError_module)
    list.setError(128, 3, "%1", 0x200001, __LINE__, __func__, "%d", 1, 2);  // a surplus value
#elif defined(WRONG_setMessage)
    list.setMessage(2, 0x200000, __LINE__, __func__, "%s", 5);
#elif defined(WRONG_setMessage_full)
    list.setMessage(2, 0, 128, 3, "%1", 0x200000, __LINE__, 0, 0, __func__, "%d%d", 1);
#elif defined(WRONG_sendLog)
    manager.sendLog(0x200000, __LINE__, __func__, "%lld", 1);  // an int for a 64-bit value
#elif defined(WRONG_sendInfo)
    manager.sendInfo(0x200000, __LINE__, __func__, "%f", name);
#elif defined(WRONG_sendWarning)
    manager.sendWarning(0x200000, __LINE__, __func__, "%d", 1, 2);
#elif defined(WRONG_sendError)
    manager.sendError(0x200001, __LINE__, __func__, "%d%s", 2.5);
#elif defined(WRONG_sendMessage)
    manager.sendMessage(0, 0, 4, 0x200000, __LINE__, __func__, "%s");
#elif defined(WRONG_sendMessage_module)
    manager.sendMessage(0, 128, 3, "%1", 0, 5, 0x200000, __LINE__, __func__, "%p", wide);
#endif
}

// A short tour: fill a list with a few messages and read them back.
#include <VkErrorHandling/VkCErrorList.h>

#include <cstdio>

int main() {
    VkCErrorList list(4, 5, 0, 7, nullptr);
    list.setError(0x102008, __LINE__, "main", "%08X%d%d", 0x2A, 44, 48);
    list.setMessage(1, 0, __LINE__, "main", "%s", "hello from the tour");
    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) {
        std::printf("entry %u: type %u code 0x%08X in %s():%u, %u parameter(s)\n", i, list.getMessageType(i),
                    list.getErrorCode(i), list.getFunctionName(i), list.getLineNumber(i),
                    list.getAdditionalParametersCount(i));
    }
    return 0;
}

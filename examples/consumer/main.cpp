// Sends one message through an installed VkErrorHandling and checks that it
// arrives at the host's callback.
#include <VkErrorHandling/VkCErrorManager.h>

#include <cstdio>

namespace {

int delivered = 0;

void onSend(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    if (info == VkNErrorManager::MsgManSendList && list != nullptr)
        delivered += list->getNumberOfUsedEntries();
}

}  // namespace

int main() {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setMessageManagerCallback(onSend);
    manager.setSendMode(3);  // print and deliver
    manager.sendError(0, __LINE__, __func__, "%s", "hello from an installed VkErrorHandling");
    manager.setMessageManagerCallback(nullptr);
    std::printf("consumer: %d message(s) delivered\n", delivered);
    return delivered == 1 ? 0 : 1;
}

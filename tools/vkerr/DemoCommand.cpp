// vkerr demo: the library at work, used exactly as a host uses it: a host
// text set, recording with typed parameters, sends of every message type, a
// merged host list, the callback path, and a list that travels as an image.
#include <VkErrorHandling/VkCErrorList.h>
#include <VkErrorHandling/VkCErrorManager.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Cli.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr demo\n"
    "\n"
    "Register the texts of a host module, record and send messages of every type\n"
    "through the manager, merge and send a host list, deliver through a callback,\n"
    "and serialize a list, read it back and print it as tab-separated rows.\n";

// The host's texts: module 2, group 0 with two texts, group 1 with one.
const char* const kHostTexts[] = {
    "Disk %1 is %2 percent full.",
    "Cannot open '%1' (system error %2).",
    "Job %1 finished in %2 s, %3 bytes written.",
};
const uint32_t kHostGroupStarts[] = {0, 2, 3};
const VkResText kHostTextSet = {kHostTexts, kHostGroupStarts, 2, 0x00200000};

constexpr uint32_t kDiskFull = 0x00200000;    // module 2, group 0, text 0
constexpr uint32_t kCannotOpen = 0x00200001;  // module 2, group 0, text 1
constexpr uint32_t kJobDone = 0x00200800;     // module 2, group 1, text 0

void section(const char* title) { std::printf("\n== %s ==\n", title); }

// A host clock that advances one second (in ticks of the default 8.5 ns) per
// call, so the printed times are readable and the same on every run.
uint64_t demoClock() {
    static uint64_t ticks = 0;
    return ticks += 117647059;
}

void demoCallback(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    if (info != VkNErrorManager::MsgManSendList || list == nullptr) return;
    std::printf("callback: %u message(s) for application 0x%X\n", list->getNumberOfUsedEntries(),
                list->getApplicationId());
    for (uint32_t i = 0; i < list->getNumberOfUsedEntries(); ++i) {
        std::printf("callback:   0x%08X %s\n", list->getErrorCode(i), list->getErrorText(i).c_str());
    }
}

void showParameters(const VkCErrorList& list, uint32_t index) {
    std::printf("entry %u: code 0x%08X, template \"%s\"\n", index, list.getErrorCode(index),
                list.getMessageTemplate(index));
    for (uint32_t p = 1; p <= list.getAdditionalParametersCount(index); ++p) {
        int32_t narrow;
        int64_t wide;
        double real;
        const char* text;
        const char* kind = list.getAdditionalParameter(index, p, narrow) == 0 ? "32-bit"
                           : list.getAdditionalParameter(index, p, wide) == 0 ? "64-bit"
                           : list.getAdditionalParameter(index, p, real) == 0 ? "double"
                           : list.getAdditionalParameter(index, p, text) == 0 ? "string"
                                                                              : "empty";
        std::printf("  parameter %u (%s): %s\n", p, kind,
                    list.getAdditionalParameterAsString(index, p).c_str());
    }
    std::printf("  text: %s\n", list.getErrorText(index).c_str());
}

void recordWithTypedParameters() {
    section("Record messages with parameters of every kind into a list");
    VkCErrorList list(4, 5, 0, 7, nullptr);
    list.setMessage(2, kDiskFull, __LINE__, __func__, "%s%d", "/var", 93);
    list.setMessage(1, kJobDone, __LINE__, __func__, "%s%.2f%lld", "backup", 12.75,
                    static_cast<long long>(5368709120LL));
    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) showParameters(list, i);
}

void sendEveryType(VkCErrorManager& manager) {
    section("Send one message of every type through the manager");
    manager.sendLog(0, __LINE__, __func__, "%s", "a user message (code 0) is its own text");
    manager.sendInfo(0x00100800, __LINE__, __func__, "%d%d%s", 1, 3, "starting");
    manager.sendWarning(kDiskFull, __LINE__, __func__, "%s%d", "/home", 97);
    manager.sendError(kCannotOpen, __LINE__, __func__, "%s%d", "/etc/demo.conf", 2);
    manager.sendMessage(0, 0, 4, 0x00100401, __LINE__, __func__, nullptr);
    manager.sendMessage(0, 128, 3, "Checkpoint %1 reached.", 0, 5, 0x00200C00, __LINE__, __func__, "%u", 42u);
}

void mergeAndSendHostList(VkCErrorManager& manager) {
    section("Merge two host lists and send them at once");
    VkCErrorListPool& collected = manager.createErrorList(0x42, 1, 8, 5, 0);
    if (collected.getNumberOfEntries() == 0) {
        std::printf("no list could be created\n");
        return;
    }
    VkCErrorListPool worker(4, 5, 0, manager.getMyNodeId(), nullptr);
    collected.setError(kCannotOpen, __LINE__, __func__, "%s%d", "/data/a.bin", 13);
    worker.setError(kDiskFull, __LINE__, "worker", "%s%d", "/data", 99);
    worker.setError(kCannotOpen, __LINE__, "worker", "%s%d", "/data/b.bin", 2);
    collected += worker;
    std::printf("merged list holds %u message(s)\n", collected.getNumberOfUsedEntries());
    manager.sendErrorList(collected, 0);
    manager.deleteErrorList(collected);
}

void sendThroughCallback(VkCErrorManager& manager) {
    section("Print and deliver to a callback (send mode 3)");
    manager.setMessageManagerCallback(demoCallback);
    manager.setSendMode(3);
    manager.sendError(kCannotOpen, __LINE__, __func__, "%s%d", "/dev/tape0", 5);
    manager.setSendMode(2);
    manager.setMessageManagerCallback(nullptr);
}

void serializeAndReadBack() {
    section("Serialize a list, read it back, print it tab-separated");
    VkCErrorList outgoing(4, 5, 0, 7, nullptr);
    outgoing.setApplicationId(0x42);
    outgoing.setError(kCannotOpen, __LINE__, __func__, "%s%d", "/srv/share", 110);
    outgoing.setMessage(1, kJobDone, __LINE__, __func__, "%s%.1f%lld", "sync", 0.5, 4096LL);
    uint32_t size = 0;
    char* image = outgoing.serialize(size);
    if (image == nullptr) {
        std::printf("the list could not be serialized\n");
        return;
    }
    std::printf("image of %u bytes\n", size);
    VkCErrorList incoming(4, 5, 0, 0, nullptr);
    const int32_t read = incoming.deSerialize(reinterpret_cast<const unsigned char*>(image), size);
    outgoing.freeSerializedBuffer(&image);
    std::printf("read back %d message(s) from node %u\n", read, incoming.getNodeId());
    std::fflush(stdout);
    incoming.print(stdout, true);
}

int runDemo() {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setMyNodeId(7);
    manager.setApplicationId(0x42);
    manager.setTimeStampCallback(demoClock);

    section("Register the texts of host module 2");
    std::printf("registered: %s\n", VkCErrorManager::_registerMessages(&kHostTextSet) ? "yes" : "no");

    recordWithTypedParameters();
    sendEveryType(manager);
    mergeAndSendHostList(manager);
    sendThroughCallback(manager);
    serializeAndReadBack();

    VkCErrorManager::_unregisterMessages(&kHostTextSet);
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace

void addDemoCommand(CLI::App& vkerr) {
    CLI::App& command = addCommand(vkerr, "demo", "show the library at work, as a host uses it", kHelp);
    setAction(command, runDemo);
}

}  // namespace VkNTool

// vkerr encode: a list image of a few sample messages, for tests and demos
// (vkerr encode | vkerr decode --json -).
#include <VkErrorHandling/VkCErrorList.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Cli.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr encode [FILE|-]\n"
    "\n"
    "Write a list image of six sample messages (every message type, parameters of\n"
    "every kind, library and explicit texts) to FILE or to standard output, which\n"
    "must not be a terminal.\n";

// Fixed stamps and nodes keep the image the same from run to run.
void fillSampleList(VkCErrorList& list) {
    list.setApplicationId(0x10);
    // The library's own code with its own text, as its image reader reports it.
    list.setMessage(3, 0, 0, 0, "", 0x00102008, 120, 2, 1000000, "VkCErrorList::deSerializeMessage",
                    "%08X%d%d", 0x2A, 44, 48);
    // A user message: code 0, whose text is its first parameter.
    list.setMessage(1, 0, 0, 0, "", 0, 33, 2, 2000000, "main", "%s", "hello from vkerr encode");
    // A host module's message with its own template and parameters of three kinds.
    list.setMessage(2, 0, 128, 3, "Disk %1 is %2 percent full, %3 bytes left.", 0x00300005, 57, 3, 3000000,
                    "checkDisk", "%s%.1f%lld", "/dev/sda1", 93.5, static_cast<long long>(123456789012LL));
    // An event carries its text with it; events never take one from a catalogue.
    list.setMessage(5, 1, 128, 3, "Job %1 finished after %2 retries.", 0x00300010, 88, 3, 4000000, "runJob",
                    "%u%d", 17u, 3);
    list.setMessage(4, 0, 0, 0, "", 0x00100004, 140, 2, 5000000, "VkCErrorList::operator +=", nullptr);
    list.setMessage(0, 0, 0, 0, "", 0x00100800, 7, 2, 6000000, "logStep", "%d%d%s", 1, 2, "warming up");
}

int writeSampleImage(const std::string& path) {
    if (path == "-" && isatty(STDOUT_FILENO)) {
        return usageError("encode", "standard output is a terminal; redirect it or name a FILE");
    }

    VkCErrorList list(8, 10, 0, 1, nullptr);
    fillSampleList(list);
    uint32_t size = 0;
    char* image = list.serialize(size);
    if (image == nullptr) {
        std::fprintf(stderr, "vkerr encode: the library could not serialize the sample list\n");
        return kExitFailure;
    }
    std::FILE* out = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    bool written = out != nullptr && std::fwrite(image, 1, size, out) == size;
    if (out != nullptr) written = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && written;
    list.freeSerializedBuffer(&image);
    if (!written) {
        std::fprintf(stderr, "vkerr encode: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

void addEncodeCommand(CLI::App& vkerr) {
    CLI::App& command = addCommand(vkerr, "encode", "write a list image of sample messages", kHelp);
    auto path = std::make_shared<std::string>("-");
    command.add_option("FILE", *path);
    setAction(command, [path] { return writeSampleImage(*path); });
}

}  // namespace VkNTool

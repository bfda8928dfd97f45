#include "Cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace VkNTool {

bool isHelpOption(const std::string& argument) { return argument == "--help" || argument == "-h"; }

int usageError(const char* command, const std::string& what) {
    std::fprintf(stderr, "vkerr %s: %s\nTry 'vkerr %s --help'.\n", command, what.c_str(), command);
    return kExitUsage;
}

bool readInput(const char* command, const std::string& path, std::vector<unsigned char>& bytes) {
    const bool fromStdin = path == "-";
    std::FILE* file = fromStdin ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "vkerr %s: cannot open '%s': %s\n", command, path.c_str(), std::strerror(errno));
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    if (failed)
        std::fprintf(stderr, "vkerr %s: cannot read '%s': %s\n", command, path.c_str(), std::strerror(errno));
    if (!fromStdin) std::fclose(file);
    return !failed;
}

}  // namespace VkNTool

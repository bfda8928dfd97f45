#include "Cli.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace VkNTool {

CLI::App& addCommand(CLI::App& vkerr, const char* name, const char* summary, const char* help) {
    CLI::App* command = vkerr.add_subcommand(name, summary);
    const std::string text = help;
    command->formatter_fn([text](const CLI::App*, std::string, CLI::AppFormatMode) { return text; });
    return *command;
}

void setAction(CLI::App& command, std::function<int()> action) {
    // CLI11 carries a non-zero status out of parsing as a RuntimeError.
    command.callback([action = std::move(action)] {
        const int status = action();
        if (status != kExitOk) throw CLI::RuntimeError(status);
    });
}

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

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

bool parseBroker(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    const bool bracketed = !text.empty() && text[0] == '[';
    const size_t close = text.find(']');
    const bool hasPort = colon != std::string::npos && (!bracketed || colon > close);
    host = text.substr(0, hasPort ? colon : std::string::npos);
    if (bracketed && host.size() >= 2 && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = 1883;
    if (hasPort) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        port = std::stoi(digits);
    }
    return !host.empty() && port >= 1 && port <= 65535;
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

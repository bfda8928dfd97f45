// vkerr explain: what a message code means, asked of the library itself.
#include <VkErrorHandling/VkCErrorList.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr explain CODE...\n"
    "\n"
    "For each message code (hexadecimal with 0x, e.g. 0x102008, or decimal, e.g. 1056776)\n"
    "print its fields (module number, text group, built-in flag, text index), the main\n"
    "and sub module numbers of its module, and its text as the library renders it.\n"
    "A code without a text is reported as unknown; the exit status is then 1.\n";

// Hexadecimal with a 0x prefix, else decimal; digits only, at most 32 bits.
bool parseCode(const std::string& text, uint32_t& code) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) return false;
    uint64_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) return false;
    }
    code = static_cast<uint32_t>(value);
    return true;
}

// The template the library renders `code` with ("" for none).
std::string templateOf(uint32_t code) {
    VkCErrorList probe(1, 0, 0, 0, nullptr);
    probe.setErrorCode(0, code);
    probe.setMessageType(0, 3);  // an EVENT would skip the catalogue
    const char* text = probe.getMessageTemplate(0);
    return text == nullptr ? "" : text;
}

// Where a found text comes from. A code of another module that carries the
// built-in flag may still render with a built-in text (the library does that
// for its own reports about null releases and failed allocations), so the
// built-in table is asked rather than assumed.
const char* describeTextSource(uint32_t code, const std::string& text) {
    const uint32_t moduleBits = code & 0xFFF00000u;
    const bool builtInFlag = (code & 0x400u) != 0;
    if (builtInFlag && (moduleBits == 0 || text == templateOf(0x400u | (code & 0x3FFu)))) {
        return "one of the library's built-in texts";
    }
    if (moduleBits == 0) return "module 0: a user message, whose text is its first parameter";
    if (moduleBits == 0x00100000u) return "the library's own text set (module 1)";
    return "a registered text set";
}

// The library answers through one-entry lists: an entry gets the code,
// rendering it fills the module numbers from the module table, and the
// template lookup is the one every rendering uses.
bool explainCode(uint32_t code) {
    VkCErrorList probe(1, 0, 0, 0, nullptr);
    probe.setErrorCode(0, code);
    probe.setMessageType(0, 3);
    std::string rendered;
    probe.printError(rendered, 0);
    const std::string text = templateOf(code);
    const bool known = !text.empty();
    const uint32_t module = (code >> 20) & 0x7FF;

    std::printf("code 0x%08X (%u)\n", code, code);
    std::printf("  module number     %u (module code 0x%08X)\n", module, module << 20);
    std::printf("  text group        %u\n", (code >> 11) & 0x1FF);
    std::printf("  built-in flag     %u\n", (code >> 10) & 1);
    std::printf("  text index        %u\n", code & 0x3FF);
    if ((code & 0x80000000u) != 0)
        std::printf("  bit 31            set: no text is looked up for such a code\n");
    const uint32_t mainModule = probe.getMainModuleNumber(0), subModule = probe.getSubModuleNumber(0);
    if (mainModule == 0 && subModule == 0) {
        std::printf("  main/sub module   none: module %u has no row in the module table\n", module);
    } else {
        std::printf("  main/sub module   %u/%u\n", mainModule, subModule);
    }
    if (known) {
        std::printf("  text              %s\n", text.c_str());
        std::printf("  text from         %s\n", describeTextSource(code, text));
    } else {
        std::printf("  text              none\n");
        std::fprintf(stderr,
                     "vkerr explain: unknown code 0x%08X: neither the built-in texts nor a text set "
                     "of the library has a text for it\n",
                     code);
    }
    return known;
}

int explainCodes(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return usageError("explain", "no CODE given");
    std::vector<uint32_t> codes;
    for (const std::string& argument : arguments) {
        uint32_t code;
        if (!parseCode(argument, code)) {
            return usageError(
                "explain",
                "'" + argument +
                    "' is not a message code: give a hexadecimal number with 0x or a decimal number, "
                    "below 2^32");
        }
        codes.push_back(code);
    }
    bool allKnown = true;
    for (size_t i = 0; i < codes.size(); ++i) {
        if (i > 0) std::printf("\n");
        std::fflush(stdout);
        allKnown = explainCode(codes[i]) && allKnown;
    }
    return allKnown ? kExitOk : kExitFailure;
}

}  // namespace

void addExplainCommand(CLI::App& vkerr) {
    CLI::App& command =
        addCommand(vkerr, "explain", "fields, module numbers and text of message codes", kHelp);
    auto codes = std::make_shared<std::vector<std::string>>();
    command.add_option("CODE", *codes, "message codes");
    setAction(command, [codes] { return explainCodes(*codes); });
}

}  // namespace VkNTool

// vkerr lint: the text set checker run on a text set exported by a host's
// shared library, as it will be registered, before the host ships.
#include <VkErrorHandling/VkTextCheck.h>
#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "TextUtil.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr lint LIBRARY SYMBOL [--formats FILE]\n"
    "\n"
    "Load the shared library LIBRARY (a path such as ./libhost.so), find its exported\n"
    "VkResText SYMBOL (an extern \"C\" name, or the mangled one) and check the text set:\n"
    "module code, group starts, null texts and placeholders. With --formats, FILE holds\n"
    "lines of CODE FORMAT (CODE hexadecimal with 0x or decimal; FORMAT the rest of the\n"
    "line, empty for none; '#' starts a comment line), and each code's text is checked\n"
    "against the values sent with that format string as well.\n"
    "\n"
    "Prints one line per problem: the code, the text and the reason. The length of the\n"
    "text array is read from the library's symbol table; without one (a stripped\n"
    "library) group starts are not checked against it. AddressSanitizer pads arrays:\n"
    "lint a build without it.\n"
    "\n"
    "exit status: 0 no problems, 1 problems found, 64 wrong arguments, 66 the library,\n"
    "the symbol or FILE can't be loaded.\n";

struct LintOptions {
    std::string library;
    std::string symbol;
    std::string formatsPath;
};

// A 32-bit code, hexadecimal with 0x or decimal.
bool parseCode(const std::string& text, uint32_t& code) {
    if (text.empty() || text.find_first_of("+- ") != std::string::npos) return false;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, text.rfind("0x", 0) == 0 ? 16 : 10);
    if (*end != '\0' || value > UINT32_MAX) return false;
    code = static_cast<uint32_t>(value);
    return true;
}

// The lines of a --formats file. `strings` keeps the format strings alive.
int readFormats(const std::string& path, std::vector<std::string>& strings,
                std::vector<VkNTextCheck::VkCodeFormat>& formats) {
    std::vector<unsigned char> bytes;
    if (!readInput("lint", path, bytes)) return kExitNoInput;
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::vector<std::pair<uint32_t, bool>> codes;  // code, has a format
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t codeStart = line.find_first_not_of(" \t");
        if (codeStart == std::string::npos || line[codeStart] == '#') continue;
        const size_t codeEnd = line.find_first_of(" \t", codeStart);
        uint32_t code = 0;
        if (!parseCode(line.substr(codeStart, codeEnd - codeStart), code)) {
            return usageError("lint", path + ":" + std::to_string(number) + ": '" + line +
                                          "' does not start with a message code");
        }
        const size_t formatStart =
            codeEnd == std::string::npos ? codeEnd : line.find_first_not_of(" \t", codeEnd);
        const bool hasFormat = formatStart != std::string::npos;
        if (hasFormat) strings.push_back(line.substr(formatStart));
        codes.emplace_back(code, hasFormat);
    }
    size_t next = 0;  // strings no longer move: take their addresses now
    for (const auto& [code, hasFormat] : codes) {
        formats.push_back({code, hasFormat ? strings[next++].c_str() : nullptr});
    }
    return kExitOk;
}

// The size in bytes of the data object at `address`, from the symbol table
// (or, for a stripped library, the dynamic symbol table) of the file it was
// loaded from; 0 when no symbol there starts at it.
size_t objectSize(const void* address) {
    Dl_info info;
    link_map* map = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || map == nullptr) {
        return 0;
    }
    std::vector<unsigned char> file;
    if (info.dli_fname == nullptr || !readInput("lint", info.dli_fname, file)) return 0;
    const uint64_t value = reinterpret_cast<uintptr_t>(address) - map->l_addr;
    auto fits = [&](uint64_t offset, uint64_t size) {
        return offset <= file.size() && size <= file.size() - offset;
    };
    Elf64_Ehdr header;
    if (!fits(0, sizeof header)) return 0;
    std::memcpy(&header, file.data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return 0;
    for (uint32_t s = 0; s < header.e_shnum; ++s) {
        Elf64_Shdr section;
        const uint64_t at = header.e_shoff + uint64_t{s} * sizeof section;
        if (!fits(at, sizeof section)) return 0;
        std::memcpy(&section, file.data() + at, sizeof section);
        if ((section.sh_type != SHT_SYMTAB && section.sh_type != SHT_DYNSYM) ||
            !fits(section.sh_offset, section.sh_size)) {
            continue;
        }
        for (uint64_t offset = 0; offset + sizeof(Elf64_Sym) <= section.sh_size;
             offset += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, file.data() + section.sh_offset + offset, sizeof symbol);
            if (ELF64_ST_TYPE(symbol.st_info) == STT_OBJECT && symbol.st_value == value && symbol.st_size > 0)
                return symbol.st_size;
        }
    }
    return 0;
}

int lint(const LintOptions& options) {
    std::vector<std::string> strings;
    std::vector<VkNTextCheck::VkCodeFormat> formats;
    if (!options.formatsPath.empty()) {
        if (const int status = readFormats(options.formatsPath, strings, formats); status != kExitOk)
            return status;
    }
    void* library = dlopen(options.library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "vkerr lint: cannot load '%s': %s\n", options.library.c_str(), dlerror());
        return kExitNoInput;
    }
    const auto* set = static_cast<const VkResText*>(dlsym(library, options.symbol.c_str()));
    if (set == nullptr) {
        std::fprintf(stderr, "vkerr lint: '%s' exports no symbol '%s'\n", options.library.c_str(),
                     options.symbol.c_str());
        return kExitNoInput;
    }
    const size_t textCount = set->texts != nullptr ? objectSize(set->texts) / sizeof(const char*) : 0;
    if (set->texts != nullptr && textCount == 0) {
        std::fprintf(stderr, "vkerr lint: note: the length of the text array of '%s' is unknown\n",
                     options.symbol.c_str());
    }
    const auto problems = VkNTextCheck::checkTextSet(*set, textCount, formats);
    for (const VkNTextCheck::VkTextProblem& problem : problems) {
        std::string line = stringPrintf("0x%08X", problem.code);
        if (!problem.text.empty()) {
            line += " " + quoteBytes(reinterpret_cast<const unsigned char*>(problem.text.data()),
                                     problem.text.size(), 1000);
        }
        std::printf("%s: %s\n", line.c_str(), problem.reason.c_str());
    }
    std::fprintf(stderr, "vkerr lint: %zu problem%s in '%s'\n", problems.size(),
                 problems.size() == 1 ? "" : "s", options.symbol.c_str());
    return problems.empty() ? kExitOk : kExitFailure;
}

}  // namespace

void addLintCommand(CLI::App& vkerr) {
    CLI::App& command = addCommand(vkerr, "lint", "check a text set exported by a shared library", kHelp);
    auto options = std::make_shared<LintOptions>();
    command.add_option("LIBRARY", options->library, "the host's shared library")->required();
    command.add_option("SYMBOL", options->symbol, "its exported VkResText")->required();
    command.add_option("--formats", options->formatsPath, "lines of CODE FORMAT");
    setAction(command, [options] { return lint(*options); });
}

}  // namespace VkNTool

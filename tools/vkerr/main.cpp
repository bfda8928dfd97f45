// vkerr: look up message codes, decode and annotate wire images, and show
// the library at work. Each subcommand lives in its own file and registers
// itself through the add...Command function listed in kCommands.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"

namespace {

const char kUsage[] =
    "usage: vkerr COMMAND [ARGUMENTS]\n"
    "\n"
    "Look up VkErrorHandling message codes and inspect the images that carry messages.\n"
    "\n"
    "commands:\n"
    "  explain CODE...                         fields, module numbers and text of message codes\n"
    "  decode [--plain|--tabbed|--json] [FILE] print the messages of a list or message image\n"
    "  decode --annotate [FILE]                dump an image field by field, marking faults\n"
    "  encode [FILE]                           write a list image of sample messages\n"
    "  demo                                    show the library at work, as a host uses it\n"
    "  collect --broker HOST:PORT [OPTIONS]    print or store the images published to a broker\n"
    "  publish FILE --broker HOST:PORT --topic TOPIC\n"
    "                                          publish an image from a file\n"
    "  lint LIBRARY SYMBOL [--formats FILE]    check a text set exported by a shared library\n"
    "\n"
    "FILE '-' or no FILE means standard input (standard output for encode).\n"
    "'vkerr COMMAND --help' describes a command.\n"
    "\n"
    "exit status: 0 success, 1 unknown code or text set problems, 2 malformed image,\n"
    "64 wrong arguments, 66 unreadable input, 69 broker unavailable.\n";

void (*const kCommands[])(CLI::App&) = {
    VkNTool::addExplainCommand, VkNTool::addDecodeCommand,  VkNTool::addEncodeCommand,
    VkNTool::addDemoCommand,    VkNTool::addCollectCommand, VkNTool::addPublishCommand,
    VkNTool::addLintCommand,
};

// The subcommand being parsed when CLI11 gave up, or null for vkerr itself.
const CLI::App* chosenCommand(const CLI::App& vkerr) {
    const std::vector<CLI::App*> chosen = vkerr.get_subcommands();
    return chosen.empty() ? nullptr : chosen.front();
}

// Our wording for the arguments CLI11 could not place: an unknown option, an
// argument too many, or an unknown command.
int reportParseError(const CLI::App& vkerr, const CLI::ParseError& error) {
    const CLI::App* command = chosenCommand(vkerr);
    const std::vector<std::string> extras = command != nullptr ? command->remaining() : vkerr.remaining();
    if (command == nullptr) {
        const std::string what = extras.empty() ? error.what() : extras.front();
        const char* kind = what.size() > 1 && what[0] == '-' ? "option" : "command";
        std::fprintf(stderr, "vkerr: unknown %s '%s'\nTry 'vkerr --help'.\n", kind, what.c_str());
        return VkNTool::kExitUsage;
    }
    const std::string name = command->get_name();
    if (!extras.empty()) {
        const std::string& extra = extras.front();
        const bool isOption = extra.size() > 1 && extra[0] == '-';
        return VkNTool::usageError(name.c_str(),
                                   (isOption ? "unknown option '" : "unexpected argument '") + extra + "'");
    }
    return VkNTool::usageError(name.c_str(), error.what());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace VkNTool;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (std::string(argv[1]) == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    CLI::App vkerr("VkErrorHandling message codes and images", "vkerr");
    vkerr.formatter_fn([](const CLI::App*, std::string, CLI::AppFormatMode) { return std::string(kUsage); });
    vkerr.require_subcommand(1);
    for (auto addCommand : kCommands) addCommand(vkerr);
    try {
        vkerr.parse(argc, argv);
    } catch (const CLI::RuntimeError& finished) {
        return finished.get_exit_code();
    } catch (const CLI::CallForHelp&) {
        std::fputs(vkerr.help().c_str(), stdout);
        return kExitOk;
    } catch (const CLI::ParseError& error) {
        return reportParseError(vkerr, error);
    }
    return kExitOk;
}

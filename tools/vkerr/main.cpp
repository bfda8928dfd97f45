// vkerr: look up message codes, decode and annotate wire images, and show
// the library at work. Each subcommand lives in its own file.
#include <cstdio>
#include <cstring>

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
    "\n"
    "FILE '-' or no FILE means standard input (standard output for encode).\n"
    "'vkerr COMMAND --help' describes a command.\n"
    "\n"
    "exit status: 0 success, 1 unknown code, 2 malformed image, 64 wrong arguments,\n"
    "66 unreadable input.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace VkNTool;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    const Arguments arguments(argv + 2, argv + argc);
    if (isHelpOption(command) || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "explain") return runExplain(arguments);
    if (command == "decode") return runDecode(arguments);
    if (command == "encode") return runEncode(arguments);
    if (command == "demo") return runDemo(arguments);
    std::fprintf(stderr, "vkerr: unknown command '%s'\nTry 'vkerr --help'.\n", command.c_str());
    return kExitUsage;
}

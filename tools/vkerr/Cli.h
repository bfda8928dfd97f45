// What the vkerr subcommands share: exit statuses, argument errors, input.
#ifndef VKERR_TOOLS_CLI_H_
#define VKERR_TOOLS_CLI_H_

#include <string>
#include <vector>

namespace VkNTool {

// Exit statuses; 64 and 66 follow the BSD sysexits convention.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;    // e.g. explain of an unknown code
constexpr int kExitMalformed = 2;  // an image the library's readers reject
constexpr int kExitUsage = 64;     // the command line is wrong
constexpr int kExitNoInput = 66;   // an input file cannot be read

using Arguments = std::vector<std::string>;

bool isHelpOption(const std::string& argument);

// Says on standard error what was wrong with the command line of `command`
// and where to find help; returns kExitUsage.
int usageError(const char* command, const std::string& what);

// Reads all of `path` ("-" for standard input) into `bytes`. On failure says
// why on standard error and returns false.
bool readInput(const char* command, const std::string& path, std::vector<unsigned char>& bytes);

// The subcommands; each gets the arguments after its own name.
int runExplain(const Arguments& arguments);
int runDecode(const Arguments& arguments);
int runEncode(const Arguments& arguments);
int runDemo(const Arguments& arguments);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_CLI_H_

// What the vkerr subcommands share: exit statuses, how a subcommand is
// registered, argument errors and reading input.
//
// Each subcommand lives in its own file and offers one function,
// `void addXCommand(CLI::App& vkerr)`, that registers it: addCommand names
// it and gives its help text, CLI11 options bind to the subcommand's own
// option struct, and setAction says what runs when it is chosen. main.cpp
// lists the functions; adding a command is one new file and one line there.
#ifndef VKERR_TOOLS_CLI_H_
#define VKERR_TOOLS_CLI_H_

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace VkNTool {

// Exit statuses; 64, 66 and 69 follow the BSD sysexits convention.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;       // e.g. explain of an unknown code
constexpr int kExitMalformed = 2;     // an image the library's readers reject
constexpr int kExitUsage = 64;        // the command line is wrong
constexpr int kExitNoInput = 66;      // an input file cannot be read
constexpr int kExitUnavailable = 69;  // the broker cannot be reached

// Adds subcommand `name` to `vkerr`. `summary` is its line in the command
// list; `help` is printed, as it stands, for `vkerr NAME --help`.
CLI::App& addCommand(CLI::App& vkerr, const char* name, const char* summary, const char* help);

// Runs `action` when `command` was chosen and its options parsed; its result
// becomes vkerr's exit status.
void setAction(CLI::App& command, std::function<int()> action);

// Says on standard error what was wrong with the command line of `command`
// and where to find help; returns kExitUsage.
int usageError(const char* command, const std::string& what);

// Reads all of `path` ("-" for standard input) into `bytes`. On failure says
// why on standard error and returns false.
bool readInput(const char* command, const std::string& path, std::vector<unsigned char>& bytes);

// Splits "HOST:PORT", "HOST" (port 1883) or "[IPV6]:PORT". False when the
// port is not a number from 1 to 65535.
bool parseBroker(const std::string& text, std::string& host, int& port);

// The subcommands, one file each.
void addExplainCommand(CLI::App& vkerr);
void addDecodeCommand(CLI::App& vkerr);
void addEncodeCommand(CLI::App& vkerr);
void addDemoCommand(CLI::App& vkerr);
void addCollectCommand(CLI::App& vkerr);
void addPublishCommand(CLI::App& vkerr);
void addLintCommand(CLI::App& vkerr);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_CLI_H_

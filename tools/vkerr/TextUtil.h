// Small string helpers shared by the vkerr subcommands.
#ifndef VKERR_TOOLS_TEXTUTIL_H_
#define VKERR_TOOLS_TEXTUTIL_H_

#include <cstddef>
#include <string>

namespace VkNTool {

// printf into a new string, of any length.
std::string stringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// `length` bytes shown between double quotes for a terminal: printable ASCII
// as is, quote and backslash escaped, every other byte as \xNN. At most
// `maxBytes` input bytes are shown; a longer text ends in "...".
std::string quoteBytes(const unsigned char* bytes, size_t length, size_t maxBytes);

// Up to `maxBytes` bytes as hex pairs separated by blanks ("00 10 20 00"),
// followed by " .." when there are more.
std::string hexBytes(const unsigned char* bytes, size_t length, size_t maxBytes);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_TEXTUTIL_H_

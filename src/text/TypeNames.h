// Printed names of the message types, in the plain two-line layout ("ERROR ",
// upper case with one trailing blank) and in tab-separated rows ("Error").
// Values without a name of their own print as the unknown type. Constant
// data; thread-safe.
#ifndef VKERRORHANDLING_SRC_TEXT_TYPENAMES_H_
#define VKERRORHANDLING_SRC_TEXT_TYPENAMES_H_

#include <cstdint>
#include <string_view>

namespace VkNText {

inline std::string_view plainTypeName(uint32_t messageType) {
    static constexpr std::string_view kNames[] = {"LOG ",          "INFO ",  "WARNING ",     "ERROR ",
                                                  "SEVERE ERROR ", "EVENT ", "UNKNOWN TYPE "};
    constexpr uint32_t kUnknown = sizeof kNames / sizeof kNames[0] - 1;
    return kNames[messageType < kUnknown ? messageType : kUnknown];
}

inline std::string_view tabbedTypeName(uint32_t messageType) {
    static constexpr std::string_view kNames[] = {"Log",          "Info",  "Warning",     "Error",
                                                  "Severe Error", "Event", "Unknown Type"};
    constexpr uint32_t kUnknown = sizeof kNames / sizeof kNames[0] - 1;
    return kNames[messageType < kUnknown ? messageType : kUnknown];
}

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_TYPENAMES_H_

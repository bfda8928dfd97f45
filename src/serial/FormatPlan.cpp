#include "serial/FormatPlan.h"

#include <cstring>

namespace VkNSerial {

namespace {

// The reader's conversion letters and the kind each stands for before size
// prefixes; 0 for every other character.
struct VkCReaderLetters {
    uint8_t kinds[256];
    static constexpr uint8_t kNone = 0, kInteger = 1, kString = 2, kDouble = 3, kPointer = 4;
    constexpr VkCReaderLetters() : kinds() {
        for (unsigned char letter : {'i', 'd', 'u', 'x', 'X', 'o'}) kinds[letter] = kInteger;
        for (unsigned char letter : {'f', 'e', 'g', 'E', 'G'}) kinds[letter] = kDouble;
        kinds[static_cast<unsigned char>('s')] = kString;
        kinds[static_cast<unsigned char>('p')] = kPointer;
    }
};
constexpr VkCReaderLetters kReaderLetters{};

}  // namespace

// After kMaxAdditionalParameters conversions no further value could be
// stored, so the walk ends there.
FormatPlan planFormat(const char* format) {
    using Letters = VkCReaderLetters;
    FormatPlan plan;
    plan.count = 0;
    const auto* const start = reinterpret_cast<const unsigned char*>(format);
    for (const unsigned char* p = start; *p != '\0' && plan.count < kMaxAdditionalParameters; ++p) {
        if (p[0] != '%' || p[1] == '%' || p[1] == ' ' || p[1] == '\0') continue;
        ++p;
        while (*p != '\0' && kReaderLetters.kinds[*p] == Letters::kNone) ++p;
        if (*p == '\0') break;
        FormatPlan::Kind kind = FormatPlan::kDouble;
        switch (kReaderLetters.kinds[*p]) {
            case Letters::kString:
                kind = FormatPlan::kString;
                break;
            case Letters::kPointer:
                kind = FormatPlan::kWideInteger;
                break;
            case Letters::kInteger: {
                const bool wide = p[-1] == 'z' || (p - start >= 2 && p[-1] == 'l' && p[-2] == 'l');
                kind = wide ? FormatPlan::kWideInteger : FormatPlan::kInteger;
                break;
            }
            default:
                break;
        }
        plan.kinds[plan.count++] = kind;
    }
    return plan;
}

const FormatPlan& FormatPlans::planFor(const unsigned char* bytes, uint32_t length, const char* format) {
    const bool same =
        valid_ && length == lastLength_ && (length == 0 || std::memcmp(bytes, lastBytes_, length) == 0);
    if (!same) {
        last_ = planFormat(format);
        lastBytes_ = bytes;
        lastLength_ = length;
        valid_ = true;
    }
    return last_;
}

}  // namespace VkNSerial

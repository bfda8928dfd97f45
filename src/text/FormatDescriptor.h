// Format descriptors: splitting an entry's format string into the
// printf-style descriptors that render its parameters, and checking each one
// before it may reach the C library's formatter.
//
// A format string is data: it may come from a received image or from any
// text a host recorded. parseConversion therefore accepts only descriptors
// that are exactly one conversion valid for the one value rendering passes
// on this platform, and rebuilds them in a canonical, bounded form.
//
// Free functions without state; safe to call from any thread.
#ifndef VKERRORHANDLING_SRC_TEXT_FORMATDESCRIPTOR_H_
#define VKERRORHANDLING_SRC_TEXT_FORMATDESCRIPTOR_H_

#include <cstddef>
#include <cstdint>

namespace VkNText {

// How a descriptor reads its parameter, decided by its last character.
enum VkEDescriptorClass : uint32_t {
    kClassUnrecognised = 0,
    kClassInt32 = 1,   // d i u x X o; reads a 32-bit slot
    kClassDouble = 2,  // e E f g G; reads a double slot
    kClassString = 3,  // s; reads a string slot
    kClassInt64 = 4,   // p, or d i u x X o after "ll" or "z"; reads a 64-bit slot
};

constexpr uint32_t kMaxDescriptors = 5;
constexpr uint32_t kDescriptorSize = 20;  // 19 characters and the NUL
// Widths and precisions beyond this are clamped: a piece is cut to 1022
// characters anyway, and a hostile "%.2147483647f" must not stall rendering.
constexpr uint32_t kMaxFieldWidth = 1100;

// Splits `format` into at most five descriptors. A descriptor starts at a "%"
// followed by neither "%", a blank nor the end, and runs (at most 19
// characters) up to the next blank or "%". Returns the count found; every
// field beyond it is "" with class kClassUnrecognised. Null arguments give 0.
uint32_t parseFormatDescriptors(const char* format, char (*descriptors)[kDescriptorSize], uint32_t* classes);

// One descriptor where it stands in its format string: its first `length`
// characters from the "%", and its class.
struct VkSDescriptorView {
    const char* start;
    uint32_t length;
    uint32_t descriptorClass;
};

// Finds what parseFormatDescriptors finds without copying it out: rendering
// splits every message's format string, and reads only the descriptors its
// text asks for. The views point into `format`. Null gives 0.
uint32_t findFormatDescriptors(const char* format, VkSDescriptorView (&views)[kMaxDescriptors]);

// Flag bits of a conversion.
enum VkEConversionFlag : uint32_t {
    kFlagMinus = 1,
    kFlagPlus = 2,
    kFlagSpace = 4,
    kFlagHash = 8,
    kFlagZero = 16,
};

// Length modifier passed on to the formatter. A single "l" (a 32-bit long
// where these texts were first written) and "z" are folded away here.
enum VkELengthModifier : uint32_t {
    kLengthNone = 0,
    kLengthShort = 1,     // h
    kLengthChar = 2,      // hh
    kLengthLongLong = 3,  // ll, and z (64-bit on this platform)
};

// One checked conversion: "%" flags [width] [.precision] length letter.
struct VkSConversion {
    uint32_t flags;
    bool hasWidth;
    uint32_t width;  // clamped to kMaxFieldWidth
    bool hasPrecision;
    uint32_t precision;  // clamped to kMaxFieldWidth
    VkELengthModifier length;
    char conversion;
};

// Checks `descriptor` of class `descriptorClass` (kClassInt32, kClassInt64 or
// kClassDouble). True when it is exactly one conversion whose length modifier
// matches that class and whose flags and precision are defined for its
// letter; `conversion` then holds it. Everything else ("*", "$", "n", "L",
// "j", "t", "I64", a second letter inside, junk after the letter) is false.
bool parseConversion(const char* descriptor, uint32_t descriptorClass, VkSConversion& conversion);
// The same for the first `length` characters at `descriptor`.
bool parseConversion(const char* descriptor, size_t length, uint32_t descriptorClass,
                     VkSConversion& conversion);

// Size of a buffer that holds any rebuilt descriptor.
constexpr uint32_t kConversionFormatSize = 24;

// Writes `conversion` back as a printf format ("%-08.3llx" and the like),
// with flags in a fixed order and clamped numbers.
void buildConversionFormat(const VkSConversion& conversion, char (&format)[kConversionFormatSize]);

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_FORMATDESCRIPTOR_H_

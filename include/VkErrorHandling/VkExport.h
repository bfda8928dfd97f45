// Symbol visibility and compiler checks for the VkErrorHandling shared library.
//
// The library is built with hidden visibility by default; VK_EXPORT marks the
// classes, operators and data that form its public interface.
#ifndef VKERRORHANDLING_VKEXPORT_H_
#define VKERRORHANDLING_VKEXPORT_H_

#if defined(VKERRORHANDLING_STATIC)
#define VK_EXPORT
#else
#define VK_EXPORT __attribute__((visibility("default")))
#endif

// VK_PRINTF_FORMAT(formatIndex, firstValueIndex) lets g++ and clang check the
// values of a call against its printf-style format string, so -Wformat (part
// of -Wall) reports a value of the wrong type, a missing or a surplus value
// at the caller. Arguments count from 1, and in a non-static member the
// implicit `this` is argument 1. Other compilers check nothing.
#if defined(__GNUC__) || defined(__clang__)
#define VK_PRINTF_FORMAT(formatIndex, firstValueIndex) \
    __attribute__((format(printf, formatIndex, firstValueIndex)))
#else
#define VK_PRINTF_FORMAT(formatIndex, firstValueIndex)
#endif

#endif  // VKERRORHANDLING_VKEXPORT_H_

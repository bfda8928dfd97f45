// Symbol visibility for the VkErrorHandling shared library.
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

#endif  // VKERRORHANDLING_VKEXPORT_H_

// Symbol visibility for libVkErrorHandlingDelivery.
//
// The delivery library is built with hidden visibility by default;
// VK_DELIVERY_EXPORT marks the classes and functions of its public interface.
#ifndef VKERRORHANDLING_DELIVERY_DELIVERYEXPORT_H_
#define VKERRORHANDLING_DELIVERY_DELIVERYEXPORT_H_

#if defined(VKERRORHANDLING_DELIVERY_STATIC)
#define VK_DELIVERY_EXPORT
#else
#define VK_DELIVERY_EXPORT __attribute__((visibility("default")))
#endif

#endif  // VKERRORHANDLING_DELIVERY_DELIVERYEXPORT_H_

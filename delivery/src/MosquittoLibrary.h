// libmosquitto's process-wide set-up, done once before the first client.
#ifndef VKERRORHANDLING_DELIVERY_MOSQUITTOLIBRARY_H_
#define VKERRORHANDLING_DELIVERY_MOSQUITTOLIBRARY_H_

#include <mosquitto.h>

#include <mutex>

namespace VkNDelivery {

// mosquitto_lib_init is not thread-safe; clients are made from any thread.
// The library is never cleaned up: clients may live until the process ends.
inline void initMosquittoLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_MOSQUITTOLIBRARY_H_

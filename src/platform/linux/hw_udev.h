#pragma once
// Owning pointers for libudev objects and a property test, shared by the hardware gatherers
// and their change tracker.

#include <libudev.h>

#include <cstring>
#include <memory>

namespace vintrel::platform::linux_host {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

inline bool propertyIs(udev_device* d, const char* key, const char* value) {
    const char* v = udev_device_get_property_value(d, key);
    return v && std::strcmp(v, value) == 0;
}

}  // namespace vintrel::platform::linux_host

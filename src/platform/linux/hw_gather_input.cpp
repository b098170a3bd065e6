#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_sysfs.h"
#include "platform/linux/hw_udev.h"
#include "platform/linux/input_devices.h"

namespace vintrel::platform::linux_host {
namespace {

unsigned inputNumber(const char* sysname) {
    unsigned n = 0;
    if (!sysname || std::strncmp(sysname, "input", 5) != 0) return ~0u;
    for (const char* p = sysname + 5; *p; ++p) {
        if (*p < '0' || *p > '9') return ~0u;
        n = n * 10 + static_cast<unsigned>(*p - '0');
    }
    return n;
}

}  // namespace

InputFacts gatherInput(const std::string& procRoot, udev* udevDatabase) {
    InputFacts out;
    if (udevDatabase) {
        struct Found {
            unsigned number;
            std::string name;
        };
        std::optional<Found> keyboard, mouse;
        UdevPtr<udev_enumerate> e(udev_enumerate_new(udevDatabase));
        if (e) {
            udev_enumerate_add_match_subsystem(e.get(), "input");
            udev_enumerate_add_match_sysname(e.get(), "input*");
            udev_enumerate_scan_devices(e.get());
            udev_list_entry* entry = nullptr;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
                UdevPtr<udev_device> d(
                    udev_device_new_from_syspath(udevDatabase, udev_list_entry_get_name(entry)));
                if (!d) continue;
                const unsigned number = inputNumber(udev_device_get_sysname(d.get()));
                const char* name = udev_device_get_sysattr_value(d.get(), "name");
                if (!name || !*name) continue;
                if (propertyIs(d.get(), "ID_INPUT_KEYBOARD", "1") && (!keyboard || number < keyboard->number))
                    keyboard = Found{number, name};
                if ((propertyIs(d.get(), "ID_INPUT_MOUSE", "1") ||
                     propertyIs(d.get(), "ID_INPUT_TOUCHPAD", "1")) &&
                    (!mouse || number < mouse->number))
                    mouse = Found{number, name};
            }
        }
        if (keyboard) out.keyboard = keyboard->name;
        if (mouse) out.mouse = mouse->name;
        if (out.keyboard || out.mouse) return out;
    }
    const auto text = readSysfsFile(procRoot + "/bus/input/devices", 1 << 20);
    if (!text) return out;
    for (const auto& d : parseInputDevices(*text)) {
        if (d.name.empty()) continue;
        if (!out.keyboard && isKeyboard(d)) out.keyboard = d.name;
        if (!out.mouse && isMouse(d)) out.mouse = d.name;
    }
    return out;
}

}  // namespace vintrel::platform::linux_host

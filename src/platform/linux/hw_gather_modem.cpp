#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_sysfs.h"
#include "platform/linux/hw_udev.h"

namespace vintrel::platform::linux_host {

std::optional<std::string> gatherModem(const std::string& sysRoot, udev* udevDatabase) {
    const std::string tty = sysRoot + "/class/tty/";
    for (const auto& n : listSysfsDirectory(tty)) {
        if (n.compare(0, 6, "ttyACM") != 0) continue;
        // A CDC ACM interface speaking AT commands (protocols 1-6) is a modem.
        const std::string intf = tty + n + "/device/";
        if (readSysfsText(intf + "bInterfaceClass") != "02" ||
            readSysfsText(intf + "bInterfaceSubClass") != "02")
            continue;
        const std::string protocol = readSysfsText(intf + "bInterfaceProtocol");
        if (protocol.size() != 2 || protocol[0] != '0' || protocol[1] < '1' || protocol[1] > '6') continue;
        if (udevDatabase) {
            UdevPtr<udev_device> d(udev_device_new_from_subsystem_sysname(udevDatabase, "tty", n.c_str()));
            if (d && propertyIs(d.get(), "ID_MM_DEVICE_IGNORE", "1"))
                continue;  // boards that only look alike
        }
        const std::string usb = intf + "../";
        std::string name = joinNames(readSysfsText(usb + "manufacturer"), readSysfsText(usb + "product"));
        return name.empty() ? std::string("USB Modem") : name;
    }
    return std::nullopt;
}

}  // namespace vintrel::platform::linux_host

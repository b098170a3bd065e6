#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_sysfs.h"

namespace vintrel::platform::linux_host {

std::optional<std::string> gatherCdrom(const std::string& sysRoot) {
    const std::string block = sysRoot + "/block/";
    for (const auto& n : listSysfsDirectory(block)) {
        if (n.compare(0, 2, "sr") != 0) continue;
        const std::string dev = block + n + "/device/";
        const std::string type = readSysfsText(dev + "type");
        if (!type.empty() && type != "5") continue;  // SCSI peripheral type 5: CD/DVD
        std::string name = joinNames(readSysfsText(dev + "vendor"), readSysfsText(dev + "model"));
        if (!name.empty()) return name;
    }
    return std::nullopt;
}

}  // namespace vintrel::platform::linux_host

#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_sysfs.h"
#include "platform/linux/sound_linux.h"

namespace vintrel::platform::linux_host {

std::optional<std::string> gatherSound(const LinuxEnvironment& env, bool useSystemServices) {
    if (useSystemServices)
        if (auto name = firstAlsaCardName()) return name;
    if (const auto cards = readSysfsFile(env.procRoot + "/asound/cards"))
        return firstCardNameFromProcCards(*cards);
    return std::nullopt;
}

}  // namespace vintrel::platform::linux_host

#include "platform/linux/live_keys_linux.h"

#include "platform/linux/hw_live_keys.h"
#include "platform/linux/system_live_keys.h"
#include "platform/linux/uninstall_live_keys.h"
#include "platform/registry/live_key_table.h"

namespace vintrel::platform::linux_host {

std::shared_ptr<registry::LiveKeys> makeLinuxLiveKeys(const LinuxEnvironment& environment,
                                                      HardwareFactsOptions hardware) {
    auto table = std::make_shared<registry::LiveKeyTable>();
    SystemSources sources;
    sources.etcRoot = environment.etcRoot;
    addSystemLiveKeys(*table, sources);
    addHardwareLiveKeys(*table, environment,
                        std::make_shared<HardwareFacts>(environment, std::move(hardware)));
    return std::make_shared<LiveKeyUnion>(
        std::vector<std::shared_ptr<registry::LiveKeys>>{std::move(table), makeUninstallLiveKeys()});
}

}  // namespace vintrel::platform::linux_host

#pragma once
// The hardware values of HKEY_LOCAL_MACHINE that Windows filled at start-up (processor
// vendor, colour depth, device class names, the enumeration keys the hardware summary
// looks at), answered live from this machine. A value whose source is missing (no screen,
// no DRM device, no udev, a container) is absent.

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/hw_facts.h"
#include "platform/linux/linux_platform.h"
#include "platform/registry/live_key_table.h"

namespace vintrel::platform::linux_host {

struct HardwareLiveValue {
    HKey root;
    std::string keyPath;
    std::string valueName;
    registry::LiveKeyTable::Producer producer;  // Windows-1252 text, at most 255 bytes
};

// Every hardware value with its producer; the producers share `facts`.
std::vector<HardwareLiveValue> hardwareLiveValues(std::shared_ptr<HardwareFacts> facts);

// Registers hardwareLiveValues in the table. Without `facts`, one is made over `environment`
// with the system services (udev, ALSA, CUPS) and no screen.
void addHardwareLiveKeys(registry::LiveKeyTable& table, const LinuxEnvironment& environment,
                         std::shared_ptr<HardwareFacts> facts = {});

}  // namespace vintrel::platform::linux_host

#pragma once
// Vendor and device names for PCI ids, from udev's hardware database (fast, often newer)
// or from the pci.ids list through libpci.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel::platform::linux_host {

struct PciNames {
    std::string vendor;  // "NVIDIA Corporation"
    std::string device;  // "GP106 [GeForce GTX 1060 6GB]"; empty when only the vendor is known
};

// udev hwdb (ID_VENDOR_FROM_DATABASE / ID_MODEL_FROM_DATABASE); nullopt without a hwdb.
std::optional<PciNames> pciNamesFromHwdb(std::uint16_t vendor, std::uint16_t device);

// libpci's name list; idsFile empty means the system's pci.ids. nullopt when the vendor is
// unknown or the list cannot be read. Parsing the list costs milliseconds: call rarely.
std::optional<PciNames> pciNamesFromIdsFile(std::uint16_t vendor, std::uint16_t device,
                                            const std::string& idsFile = {});

// hwdb first, then the pci.ids list.
std::optional<PciNames> lookupPciNames(std::uint16_t vendor, std::uint16_t device);

// The adapter's name as a settings panel shows it: the marketing name in brackets when the
// list gives one ("GP106 [GeForce GTX 1060 6GB]" -> "GeForce GTX 1060 6GB"), after the
// vendor's short name ("NVIDIA Corporation" -> "NVIDIA", "... Inc. [AMD/ATI]" -> "AMD/ATI").
std::string adapterDisplayName(const PciNames& names);

// Parses a sysfs id attribute such as "0x10de\n".
std::optional<std::uint16_t> parseSysfsHexId(std::string_view text);

}  // namespace vintrel::platform::linux_host

#include "platform/linux/pci_names.h"

#include <libudev.h>

#include <array>
#include <charconv>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <pci/pci.h>
}

#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

std::string_view trimmed(std::string_view s) {
    return text::trim(s, " \t\n\r");
}

// The text inside the last [...] of a name, else the whole name.
std::string_view preferBracketed(std::string_view name) {
    const auto open = name.rfind('[');
    const auto close = name.rfind(']');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open + 1)
        return trimmed(name.substr(open + 1, close - open - 1));
    return trimmed(name);
}

std::string_view withoutCorporateSuffix(std::string_view vendor) {
    static constexpr std::array<std::string_view, 9> kSuffixes = {
        ", Inc.", " Inc.", " Corporation", " Corp.", " Co., Ltd.", " Co., Ltd", " Ltd.", " Limited", " GmbH"};
    for (bool changed = true; changed;) {
        changed = false;
        for (auto suffix : kSuffixes) {
            if (vendor.size() > suffix.size() && vendor.ends_with(suffix)) {
                vendor.remove_suffix(suffix.size());
                vendor = trimmed(vendor);
                changed = true;
            }
        }
    }
    return vendor;
}

void quietMessage(char*, ...) {}

// libpci's error handler must not return; its default one ends the process, which a damaged
// pci.ids would then do from a timer tick. Ours jumps back to the lookup, which gives up.
thread_local std::jmp_buf* t_lookupEscape = nullptr;

// The GNU attribute rather than [[noreturn]]: libpci's pointer type carries it, and clang
// takes only the same spelling as a match.
__attribute__((noreturn)) void escapeFromLookup(char*, ...) {
    std::longjmp(*t_lookupEscape, 1);
}

// Vendor and device names into the two buffers; false when the name list cannot be read.
// No object with a destructor lives between the setjmp and a jump back to it.
bool lookupNames(pci_access* access, std::uint16_t vendor, std::uint16_t device, char (&vendorName)[256],
                 char (&deviceName)[256]) {
    std::jmp_buf escape;
    if (setjmp(escape) != 0) {
        t_lookupEscape = nullptr;
        return false;
    }
    t_lookupEscape = &escape;
    access->error = escapeFromLookup;
    char buffer[256];
    // The hardware database has been asked already (pciNamesFromHwdb). libpci's own asking
    // would also lose a udev handle at every lookup on a machine without the database.
    constexpr int kFlags = PCI_LOOKUP_NO_NUMBERS | PCI_LOOKUP_NO_HWDB;
    const char* v =
        pci_lookup_name(access, buffer, sizeof buffer, PCI_LOOKUP_VENDOR | kFlags, static_cast<int>(vendor));
    std::snprintf(vendorName, sizeof vendorName, "%s", v ? v : "");
    const char* d = pci_lookup_name(access, buffer, sizeof buffer, PCI_LOOKUP_DEVICE | kFlags,
                                    static_cast<int>(vendor), static_cast<int>(device));
    std::snprintf(deviceName, sizeof deviceName, "%s", d ? d : "");
    t_lookupEscape = nullptr;
    return true;
}

}  // namespace

std::optional<std::uint16_t> parseSysfsHexId(std::string_view text) {
    text = trimmed(text);
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 4) return std::nullopt;
    std::uint16_t v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<PciNames> pciNamesFromHwdb(std::uint16_t vendor, std::uint16_t device) {
    std::unique_ptr<udev, decltype(&udev_unref)> u(udev_new(), udev_unref);
    if (!u) return std::nullopt;
    std::unique_ptr<udev_hwdb, decltype(&udev_hwdb_unref)> hwdb(udev_hwdb_new(u.get()), udev_hwdb_unref);
    if (!hwdb) return std::nullopt;
    char modalias[32];
    std::snprintf(modalias, sizeof modalias, "pci:v%08Xd%08X", static_cast<unsigned>(vendor),
                  static_cast<unsigned>(device));
    PciNames names;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_hwdb_get_properties_list_entry(hwdb.get(), modalias, 0)) {
        const char* key = udev_list_entry_get_name(entry);
        const char* value = udev_list_entry_get_value(entry);
        if (!key || !value) continue;
        if (std::strcmp(key, "ID_VENDOR_FROM_DATABASE") == 0)
            names.vendor = value;
        else if (std::strcmp(key, "ID_MODEL_FROM_DATABASE") == 0)
            names.device = value;
    }
    if (names.vendor.empty()) return std::nullopt;
    return names;
}

std::optional<PciNames> pciNamesFromIdsFile(std::uint16_t vendor, std::uint16_t device,
                                            const std::string& idsFile) {
    // Only the name list is used: no pci_init, so no access method is probed (libpci's
    // error handler would end the process when none works, as in a container).
    std::unique_ptr<pci_access, decltype(&pci_cleanup)> access(pci_alloc(), pci_cleanup);
    if (!access) return std::nullopt;
    access->warning = quietMessage;
    access->debug = quietMessage;
    access->id_lookup_mode = 0;  // no network, no ~/.pciids-cache
    std::string path = idsFile;
    if (!path.empty()) pci_set_name_list_path(access.get(), path.data(), 0);

    char vendorName[256];
    char deviceName[256];
    if (!lookupNames(access.get(), vendor, device, vendorName, deviceName) || vendorName[0] == '\0')
        return std::nullopt;
    PciNames names;
    names.vendor = vendorName;
    names.device = deviceName;
    return names;
}

std::optional<PciNames> lookupPciNames(std::uint16_t vendor, std::uint16_t device) {
    if (auto names = pciNamesFromHwdb(vendor, device); names && !names->device.empty()) return names;
    return pciNamesFromIdsFile(vendor, device);
}

std::string adapterDisplayName(const PciNames& names) {
    const std::string_view vendor = withoutCorporateSuffix(preferBracketed(names.vendor));
    const std::string_view device = preferBracketed(names.device);
    if (device.empty()) return std::string(vendor);
    if (vendor.empty() || device.starts_with(vendor)) return std::string(device);
    std::string out(vendor);
    out += ' ';
    out += device;
    return out;
}

}  // namespace vintrel::platform::linux_host

#include <span>

#include "platform/linux/edid.h"
#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_sysfs.h"

namespace vintrel::platform::linux_host {
namespace {

bool isCardName(const std::string& n) {
    if (n.size() <= 4 || n.compare(0, 4, "card") != 0) return false;
    for (std::size_t i = 4; i < n.size(); ++i)
        if (n[i] < '0' || n[i] > '9') return false;
    return true;
}

// "eDP-1", "eDP1" and "edp-1" all name one output; the kernel's "HDMI-A-1" is "HDMI-1" to
// X11 drivers and compositors.
std::string normalizedOutput(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '-' || c == '_' || c == ' ') continue;
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    if (out.starts_with("hdmia")) out.erase(4, 1);
    return out;
}

}  // namespace

DisplayFacts gatherDisplay(const std::string& sysRoot,
                           const decltype(HardwareFactsOptions::pciNames)& pciNames) {
    DisplayFacts out;
    const std::string drm = sysRoot + "/class/drm/";
    const auto entries = listSysfsDirectory(drm);
    std::string chosenCard, bootCard, firstCard;
    for (const auto& n : entries) {
        if (isCardName(n)) {
            if (firstCard.empty()) firstCard = n;
            if (bootCard.empty() && readSysfsText(drm + n + "/device/boot_vga") == "1") bootCard = n;
            continue;
        }
        const auto dash = n.find('-');
        if (dash == std::string::npos || !isCardName(n.substr(0, dash))) continue;
        if (readSysfsText(drm + n + "/status") != "connected") continue;
        Connector c;
        c.output = n.substr(dash + 1);
        if (const auto edid = readSysfsFile(drm + n + "/edid", 32768); edid && !edid->empty()) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(edid->data());
            c.edidName = edidMonitorName(std::span<const std::uint8_t>(bytes, edid->size()));
        }
        if (chosenCard.empty()) chosenCard = n.substr(0, dash);
        out.connected.push_back(std::move(c));
    }
    if (chosenCard.empty()) chosenCard = !bootCard.empty() ? bootCard : firstCard;
    if (!chosenCard.empty()) {
        const auto vendor = parseSysfsHexId(readSysfsText(drm + chosenCard + "/device/vendor"));
        const auto device = parseSysfsHexId(readSysfsText(drm + chosenCard + "/device/device"));
        if (vendor && device)
            if (const auto names = pciNames(*vendor, *device))
                out.adapter = nonEmpty(adapterDisplayName(*names));
    }
    return out;
}

std::optional<std::string> monitorName(const DisplayFacts& display,
                                       const std::optional<PrimaryScreenInfo>& screen) {
    if (screen && !screen->name.empty()) {
        const std::string wanted = normalizedOutput(screen->name);
        for (const auto& c : display.connected)
            if (c.edidName && normalizedOutput(c.output) == wanted) return c.edidName;
    }
    for (const auto& c : display.connected)
        if (c.edidName) return c.edidName;
    // No readable EDID (an empty one from some drivers, or no DRM device at all).
    if (screen) {
        if (!screen->model.empty()) return screen->model;
        if (!screen->manufacturer.empty()) return screen->manufacturer;
    }
    return std::nullopt;
}

}  // namespace vintrel::platform::linux_host

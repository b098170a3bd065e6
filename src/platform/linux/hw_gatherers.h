#pragma once
// One gatherer per device group of HardwareFacts: each reads its group's sources once and
// returns the names found (UTF-8). When and how often they run is HardwareChangeTracker's.

#include <libudev.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/hw_facts.h"

namespace vintrel::platform::linux_host {

struct Connector {
    std::string output;                   // "eDP-1"
    std::optional<std::string> edidName;  // from its EDID
};

struct DisplayFacts {
    std::optional<std::string> adapter;
    std::vector<Connector> connected;
};

struct InputFacts {
    std::optional<std::string> keyboard;
    std::optional<std::string> mouse;
};

struct PrinterFacts {
    std::optional<std::string> model;
    std::optional<std::string> name;
};

// The adapter of the card that drives a connected output (else the boot VGA card, else the
// first), and every connected output with its EDID name.
DisplayFacts gatherDisplay(const std::string& sysRoot,
                           const decltype(HardwareFactsOptions::pciNames)& pciNames);
// The primary screen's EDID name, else any connected output's, else the screen's own model.
std::optional<std::string> monitorName(const DisplayFacts& display,
                                       const std::optional<PrimaryScreenInfo>& screen);
std::optional<PrimaryScreenInfo> qtPrimaryScreen();

// ALSA's first card when system services are used, else /proc/asound/cards.
std::optional<std::string> gatherSound(const LinuxEnvironment& env, bool useSystemServices);
// The first SCSI CD/DVD drive's vendor and model.
std::optional<std::string> gatherCdrom(const std::string& sysRoot);
// udev's lowest-numbered keyboard and mouse (`udevDatabase` null: none), else the first of
// each in /proc/bus/input/devices.
InputFacts gatherInput(const std::string& procRoot, udev* udevDatabase);
// The first CDC ACM interface that speaks AT commands and udev does not mark as no modem.
std::optional<std::string> gatherModem(const std::string& sysRoot, udev* udevDatabase);
// The default queue's make and model and description, each else its name.
PrinterFacts gatherPrinter(const std::vector<CupsQueue>& queues);

// Helpers of the gatherers.
inline std::optional<std::string> nonEmpty(std::string s) {
    if (s.empty()) return std::nullopt;
    return s;
}

// "vendor model", without repeating a vendor the model already starts with.
inline std::string joinNames(std::string_view first, std::string_view second) {
    if (first.empty()) return std::string(second);
    if (second.empty()) return std::string(first);
    if (second.starts_with(first)) return std::string(second);
    std::string out(first);
    out += ' ';
    out += second;
    return out;
}

}  // namespace vintrel::platform::linux_host

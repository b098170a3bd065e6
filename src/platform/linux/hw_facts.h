#pragma once
// The machine's device names that the hardware registry keys answer with, gathered from the
// sources the Linux desktop itself uses and kept until the device set changes.
//
// Gathering is lazy and per group (display, sound, optical drive, input, modem, printer), so
// a read of the adapter name never waits for CUPS. A group is gathered again only when a udev
// monitor reports an event for its subsystem, or, without udev (containers, fixture roots),
// when a cheap listing of its sysfs folders changes (checked at most once per
// recheckInterval). Printers have no event source and expire after printerLifetime.
// All names are UTF-8. Safe to use from several threads; meant for the GUI thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/linux_platform.h"
#include "platform/linux/pci_names.h"
#include "platform/linux/printers_linux.h"

namespace vintrel::platform::linux_host {

struct PrimaryScreenInfo {
    std::string name;   // output name, "eDP-1"
    std::string model;  // from the windowing system's copy of the EDID
    std::string manufacturer;
    int depth = 0;  // bits per pixel
};

// The primary screen's colour depth without a toolkit, as Qt would report it on this session's
// platform (the X root window's depth; 32 on Wayland and offscreen), with no output name or
// model; for vintrel-reg. The program itself passes Qt's own (qtPrimaryScreen).
std::optional<PrimaryScreenInfo> sessionPrimaryScreen();

struct HardwareFactsOptions {
    // udev (enumeration and monitor), ALSA and CUPS. Off: only files under the
    // environment's roots are read, as fixture tests need.
    bool useSystemServices = true;
    std::chrono::milliseconds recheckInterval{2000};
    std::chrono::milliseconds printerLifetime{10000};
    // Defaults: no screen (the program passes qtPrimaryScreen); lookupPciNames;
    // installedCupsQueues (system services only).
    std::function<std::optional<PrimaryScreenInfo>()> primaryScreen;
    std::function<std::optional<PciNames>(std::uint16_t vendor, std::uint16_t device)> pciNames;
    std::function<std::vector<CupsQueue>()> printers;
};

class HardwareFacts {
public:
    enum class Group { Display, Sound, Cdrom, Input, Modem, Printer };

    explicit HardwareFacts(LinuxEnvironment environment, HardwareFactsOptions options = {});
    ~HardwareFacts();
    HardwareFacts(const HardwareFacts&) = delete;
    HardwareFacts& operator=(const HardwareFacts&) = delete;

    std::optional<int> colorDepth();              // primary screen, bits per pixel
    std::optional<std::string> displayAdapter();  // "NVIDIA GeForce GTX 1060 6GB"
    std::optional<std::string> monitor();         // EDID name, "DEL 40A3", or the screen's model
    std::optional<std::string> soundCard();
    std::optional<std::string> cdrom();  // "HL-DT-ST DVDRAM GH22NS50"
    std::optional<std::string> keyboard();
    std::optional<std::string> mouse();  // touchpads count as mice
    std::optional<std::string> modem();
    std::optional<std::string> printerModel();  // default queue's make and model, else its name
    std::optional<std::string> printerName();   // default queue's description, else its name

    // How many times a group was gathered (for tests and diagnostics).
    unsigned gatherCount(Group group) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vintrel::platform::linux_host

#pragma once
// Input devices as the kernel lists them in /proc/bus/input/devices, and the keyboard / mouse
// classification that udev's input_id applies, for machines without a udev database.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform::linux_host {

struct InputDeviceRecord {
    std::string name;                   // N: Name="..."
    std::uint16_t bus = 0;              // I: Bus=0003 (3: USB, 5: Bluetooth)
    std::uint16_t vendor = 0;           // I: Vendor=046d
    std::string sysfs;                  // S: Sysfs=/devices/.../inputN
    std::vector<std::string> handlers;  // H: Handlers=kbd event3 ...
    // B: lines; each bitmap with bit 0 of word 0 the lowest (the kernel prints words
    // most significant first, each a 64-bit long on 64-bit kernels).
    std::map<std::string, std::vector<std::uint64_t>> bitmaps;

    bool hasBit(std::string_view bitmap, unsigned bit) const;
};

// Parses the whole text of /proc/bus/input/devices. Malformed lines are skipped.
std::vector<InputDeviceRecord> parseInputDevices(std::string_view text);

// A full keyboard: EV_KEY with the keys Esc through D (codes 1-31) all present.
bool isKeyboard(const InputDeviceRecord& device);
// A pointer: relative X/Y with a left button, an absolute pointer with a left button
// (virtual machine tablets), or a touchpad (absolute X/Y with finger tool, no pen).
bool isMouse(const InputDeviceRecord& device);

inline constexpr std::uint16_t kBusUsb = 0x03, kBusBluetooth = 0x05;
inline constexpr std::uint16_t kLogitechVendor = 0x046d;

// What a new system.ini names as the mouse driver (UTF-8): the pointing device's name, with
// "Logitech" before it when a Logitech device (vendor 046d on USB or Bluetooth) does not say
// so itself, or "Mouse padrão" when there is no pointing device.
std::string mouseDriverDescription(const std::optional<std::string>& name, std::uint16_t bus,
                                   std::uint16_t vendor);

}  // namespace vintrel::platform::linux_host

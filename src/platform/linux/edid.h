#pragma once
// EDID base block decoding: the monitor's identity as the kernel exposes it in
// /sys/class/drm/card*-*/edid. Pure functions over bytes; any input is safe.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vintrel::platform::linux_host {

struct EdidIdentity {
    std::string manufacturerId;  // three-letter PNP id, "DEL"; '?' for an out-of-range letter
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;
    std::optional<std::string> monitorName;  // display product name descriptor (tag 0xFC), trimmed
    bool checksumValid = false;              // the 128-byte base block sums to 0 mod 256
};

// Decodes the base block. nullopt when fewer than 128 bytes are given or the fixed header
// (00 FF FF FF FF FF FF 00) is missing. A bad checksum is reported but not fatal: the kernel
// has already accepted the block, and the name text is still what the monitor sent.
std::optional<EdidIdentity> parseEdid(std::span<const std::uint8_t> bytes);

// The name shown for a monitor: its name descriptor, else "<PNP id> <product code>" in
// upper-case hex ("DEL 40A3"). nullopt when the block cannot be decoded. ASCII only.
std::optional<std::string> edidMonitorName(std::span<const std::uint8_t> bytes);

}  // namespace vintrel::platform::linux_host

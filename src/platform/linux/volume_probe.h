#pragma once
// Facts about the block device behind a mount: what kind of device it is (sysfs, udev) and
// the filesystem's label, UUID and type (udev, else the /dev/disk/by-* links).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/linux_platform.h"
#include "platform/linux/mount_table.h"

struct udev;

namespace vintrel::platform::linux_host {

struct BlockDevice {
    unsigned major = 0;
    unsigned minor = 0;
    std::string name;        // kernel name: "sda1", "dm-0", "sr0"
    bool removable = false;  // removable medium (sysfs), a USB disk or an SD card
    bool cdrom = false;
    bool loop = false;
    bool ramDisk = false;  // ram*, zram*
    bool floppy = false;
};

struct VolumeFacts {
    std::string label;      // UTF-8, decoded
    std::string uuid;       // as udev prints it: "1A2B-3C4D", "0123456789ABCDEF", "a1b2c3d4-..."
    std::string fsType;     // "vfat", "ntfs", "ext4"; empty when unknown
    std::string fsVersion;  // "FAT32" for vfat; empty when unknown
};

// Decodes udev's \xNN escapes ("My\x20Disk" -> "My Disk"). A malformed escape stays as it is;
// an escaped NUL ends the text.
std::string decodeUdevEscapes(std::string_view encoded);

// The 32-bit volume serial number made from a filesystem UUID:
// - FAT and exFAT ("1A2B-3C4D"): the serial itself, 0x1A2B3C4D;
// - NTFS (16 hex digits): the low 32 bits, the last 8 digits;
// - every other filesystem: its first 8 hex digits, dashes skipped (ext4 "a1b2c3d4-..."
//   gives 0xA1B2C3D4); fewer digits give the value of those there are.
// 0 when there is no UUID or it holds anything but hex digits and dashes.
std::uint32_t serialFromUuid(std::string_view fsType, std::string_view uuid);

// The file-system name shown for a volume, in the style Windows uses: "FAT32", "exFAT", "NTFS",
// "CDFS" for ISO 9660, "UDF"; every other type upper-cased ("EXT4", "BTRFS"), FUSE types by
// their subtype ("fuse.sshfs" -> "SSHFS").
// The kernel's name for a filesystem from statfs(2)'s f_type, for folders that no mount-table
// entry shows (a chroot sees only the mounts below its root); empty when unknown.
std::string fileSystemTypeFromMagic(unsigned long magic);

std::string fileSystemDisplayName(std::string_view fsType, std::string_view fsVersion);

// Reads sysfs under env.sysRoot and the /dev/disk links under env.devRoot. libudev is used
// only when both roots are the real ones (it cannot be pointed elsewhere), and is optional:
// without a udev database (containers) the sysfs and /dev/disk fall-backs answer.
class DeviceProbe {
public:
    explicit DeviceProbe(const LinuxEnvironment& env);
    ~DeviceProbe();
    DeviceProbe(const DeviceProbe&) = delete;
    DeviceProbe& operator=(const DeviceProbe&) = delete;

    // The block device behind a mount, if it has one (network, tmpfs and overlay mounts have none).
    std::optional<BlockDevice> blockDevice(const MountEntry& mount) const;
    // Every optical drive of the machine (sr*), with or without a disc, by device number;
    // described again only when the sr* names under class/block changed.
    std::vector<BlockDevice> opticalDrives() const;
    VolumeFacts volumeFacts(const BlockDevice& device) const;

private:
    BlockDevice describe(unsigned major, unsigned minor, std::string_view fallbackName) const;
    void addDiskLinks(const BlockDevice& device, VolumeFacts& facts) const;

    LinuxEnvironment env_;
    struct udev* udev_ = nullptr;
    mutable bool opticalKnown_ = false;
    mutable std::vector<std::string> opticalNames_;
    mutable std::vector<BlockDevice> optical_;
};

}  // namespace vintrel::platform::linux_host

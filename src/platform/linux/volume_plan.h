#pragma once
// Which mounts are volumes that get drive letters, of what type, and which letter each keeps.
// Pure functions over the parsed mount table and the device facts, so fixtures drive them.
//
// Rules, applied to each mount that is not hidden by a later mount on the same mount point:
// - network filesystems (nfs, cifs, smb3, sshfs, 9p, virtiofs, ceph, ...): network drive;
// - tmpfs, ramfs and RAM block devices (ram*, zram*): RAM disk, but only when writable and
//   mounted outside the system trees (/dev, /proc, /sys, /run, /tmp, /var/tmp, /var/lib, /usr,
//   /snap, ...): /dev/shm, /run/user/N and the like are plumbing, not disks the user made;
// - an overlay at "/" (a container's root): fixed disk; any other overlay is skipped;
// - zfs datasets: fixed disk, one volume per pool;
// - block devices: loop devices and image filesystems (squashfs, erofs, cramfs) are skipped,
//   the rest are floppy, CD-ROM, removable or fixed by their device;
// - the boot partitions (/boot, /efi and below) are skipped, as Windows hides its system
//   partitions; so is everything else (proc, sysfs, cgroup, autofs, fuse helpers, ...).
// Mounts of one device (bind mounts, btrfs subvolumes) make one volume, shown at its
// shortest mount point among those that mount the filesystem's root ("/"); btrfs and zfs
// volumes may be known by subvolume mounts alone, other devices mounted only as bind mounts
// of a folder inside them (a container's /etc/hosts) are skipped.
// Volumes are ordered "/" first, then by mount point, then optical drives without a disc.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/mount_table.h"
#include "platform/linux/volume_probe.h"

namespace vintrel::platform::linux_host {

struct Volume {
    std::string key;      // identity that survives refreshes: "dev:8:17", "anon:0:45", "zfs:rpool"
    int driveType = 0;    // DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_CDROM, DRIVE_REMOTE, DRIVE_RAMDISK
    bool floppy = false;  // lettered A: or B:
    std::optional<std::size_t> mount;   // index of the shown mount; none for an empty optical drive
    std::optional<BlockDevice> device;  // the block device behind it, if any
};

// nfs, cifs, sshfs, 9p, virtiofs and the other filesystems reached over a network.
bool isNetworkFileSystem(const std::string& fsType);

// The identity of the volume a mount belongs to (its device, its pool, or its own number).
std::string volumeKey(const MountEntry& mount, const std::optional<BlockDevice>& device);

// The drive type a mount would have as a lettered volume; DRIVE_NO_ROOT_DIR when it gets none.
int classifyMount(const MountEntry& mount, const std::optional<BlockDevice>& device);

// `devices[i]` is the block device behind `mounts[i]`. Optical drives without a mounted disc
// are volumes too (Windows letters a CD-ROM drive whether or not it holds a disc).
std::vector<Volume> collectVolumes(const std::vector<MountEntry>& mounts,
                                   const std::vector<std::optional<BlockDevice>>& devices,
                                   const std::vector<BlockDevice>& opticalDrives);

// Hands out the letters first..last. A key keeps its letter for as long as it is passed in
// again; a new key takes the first free letter; keys that find no free letter get '\0'.
class LetterAssigner {
public:
    LetterAssigner(char first, char last) : first_(first), last_(last) {}
    std::vector<char> assign(const std::vector<std::string>& keys);

private:
    char first_;
    char last_;
    std::map<std::string, char> held_;
};

}  // namespace vintrel::platform::linux_host

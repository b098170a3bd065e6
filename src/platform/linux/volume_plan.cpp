#include "platform/linux/volume_plan.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {
namespace {

// Besides these, every type whose name starts with "nfs" or "9p".
constexpr std::array<std::string_view, 16> kNetworkTypes = {
    "cifs",      "smb3",        "smbfs",      "sshfs",          "fuse.sshfs", "virtiofs",
    "ceph",      "fuse.ceph",   "glusterfs",  "fuse.glusterfs", "afs",        "ncpfs",
    "fuse.rclone", "fuse.s3fs", "davfs",      "fuse.curlftpfs"};

constexpr std::array<std::string_view, 3> kImageTypes = {"squashfs", "erofs", "cramfs"};

// Folders whose non-device mounts are the system's own plumbing.
constexpr std::array<std::string_view, 13> kSystemTrees = {
    "/dev",  "/proc",     "/sys",     "/run", "/var/run", "/var/lock", "/usr",
    "/snap", "/var/snap", "/var/lib", "/tmp", "/var/tmp", "/etc"};

template <std::size_t N>
bool oneOf(std::string_view s, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

bool inSystemTree(std::string_view target) {
    return std::any_of(kSystemTrees.begin(), kSystemTrees.end(),
                       [&](std::string_view tree) { return pathIsUnder(target, tree); });
}

bool isBootPartition(std::string_view target) {
    return pathIsUnder(target, "/boot") || pathIsUnder(target, "/efi");
}

// "rpool/ROOT/ubuntu" -> "rpool".
std::string_view zfsPool(std::string_view source) {
    return source.substr(0, source.find('/'));
}

}  // namespace

bool isNetworkFileSystem(const std::string& fsType) {
    return oneOf(fsType, kNetworkTypes) || fsType.starts_with("nfs") || fsType.starts_with("9p");
}

std::string volumeKey(const MountEntry& m, const std::optional<BlockDevice>& device) {
    if (m.fsType == "zfs") return "zfs:" + std::string(zfsPool(m.source));
    if (device) return "dev:" + std::to_string(device->major) + ":" + std::to_string(device->minor);
    return "anon:" + std::to_string(m.major) + ":" + std::to_string(m.minor);
}

int classifyMount(const MountEntry& m, const std::optional<BlockDevice>& device) {
    if (isBootPartition(m.target)) return DRIVE_NO_ROOT_DIR;
    // Network and RAM disks first.
    if (isNetworkFileSystem(m.fsType)) return inSystemTree(m.target) ? DRIVE_NO_ROOT_DIR : DRIVE_REMOTE;
    if (m.fsType == "tmpfs" || m.fsType == "ramfs" || (device && device->ramDisk)) {
        if (m.readOnly() || inSystemTree(m.target)) return DRIVE_NO_ROOT_DIR;
        return DRIVE_RAMDISK;
    }
    if (m.fsType == "overlay") return m.target == "/" ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
    if (m.fsType == "zfs") return DRIVE_FIXED;
    if (!device || device->loop || oneOf(m.fsType, kImageTypes)) return DRIVE_NO_ROOT_DIR;
    if (device->cdrom) return DRIVE_CDROM;
    if (device->removable || device->floppy) return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

std::vector<Volume> collectVolumes(const std::vector<MountEntry>& mounts,
                                   const std::vector<std::optional<BlockDevice>>& devices,
                                   const std::vector<BlockDevice>& opticalDrives) {
    const auto deviceOf = [&](std::size_t i) -> const std::optional<BlockDevice>& {
        static const std::optional<BlockDevice> none;
        return i < devices.size() ? devices[i] : none;
    };

    // Group the visible mounts by volume (a later mount on the same mount point hides earlier
    // ones), keeping for each volume only the mount it is shown by: a mount of the filesystem's
    // root before a bind, then the shortest mount point. btrfs and zfs mount subvolumes and
    // datasets by a folder of theirs; any other filesystem mounted by a folder is a bind mount,
    // as are container file binds, and is never shown.
    struct Group {
        std::optional<std::size_t> shown;
    };
    const auto rank = [&](std::size_t k) {
        return std::make_tuple(mounts[k].root != "/", mounts[k].target.size(), std::string_view(mounts[k].target));
    };
    std::unordered_map<std::string, Group> groups;
    std::unordered_set<std::string_view> seenTargets;
    groups.reserve(mounts.size());
    seenTargets.reserve(mounts.size());
    for (std::size_t i = mounts.size(); i-- > 0;) {
        const MountEntry& m = mounts[i];
        if (!seenTargets.insert(m.target).second) continue;
        Group& group = groups[volumeKey(m, deviceOf(i))];
        const bool subvolume = (m.fsType == "btrfs" || m.fsType == "zfs") && !inSystemTree(m.target);
        if (m.root != "/" && !subvolume) continue;
        if (!group.shown || rank(i) < rank(*group.shown)) group.shown = i;
    }

    std::vector<Volume> out;
    for (auto& [key, group] : groups) {
        const std::optional<std::size_t> shown = group.shown;
        if (!shown) continue;
        const int type = classifyMount(mounts[*shown], deviceOf(*shown));
        if (type == DRIVE_NO_ROOT_DIR) continue;
        Volume v;
        v.key = key;
        v.driveType = type;
        v.mount = shown;
        v.device = deviceOf(*shown);
        v.floppy = v.device && v.device->floppy;
        out.push_back(std::move(v));
    }
    std::sort(out.begin(), out.end(), [&](const Volume& a, const Volume& b) {
        const std::string& ta = mounts[*a.mount].target;
        const std::string& tb = mounts[*b.mount].target;
        return std::make_pair(ta != "/", std::string_view(ta)) <
               std::make_pair(tb != "/", std::string_view(tb));
    });

    for (const BlockDevice& drive : opticalDrives) {
        Volume v;
        v.key = "dev:" + std::to_string(drive.major) + ":" + std::to_string(drive.minor);
        if (std::any_of(out.begin(), out.end(), [&](const Volume& o) { return o.key == v.key; })) continue;
        v.driveType = DRIVE_CDROM;
        v.device = drive;
        out.push_back(std::move(v));
    }
    return out;
}

std::vector<char> LetterAssigner::assign(const std::vector<std::string>& keys) {
    std::map<std::string, char> kept;
    std::vector<char> letters(keys.size(), '\0');
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto held = held_.find(keys[i]);
        if (held != held_.end() && kept.count(keys[i]) == 0) {
            kept.emplace(keys[i], held->second);
            letters[i] = held->second;
        }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (letters[i] != '\0' || kept.count(keys[i]) != 0) continue;
        for (char c = first_; c <= last_; ++c) {
            const bool taken =
                std::any_of(kept.begin(), kept.end(), [&](const auto& kv) { return kv.second == c; });
            if (taken) continue;
            kept.emplace(keys[i], c);
            letters[i] = c;
            break;
        }
    }
    held_ = std::move(kept);
    return letters;
}

}  // namespace vintrel::platform::linux_host

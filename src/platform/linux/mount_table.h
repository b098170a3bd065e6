#pragma once
// The mount table as the kernel reports it in /proc/<pid>/mountinfo.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform::linux_host {

struct MountEntry {
    int id = 0;
    int parentId = 0;
    unsigned major = 0;  // device number of the mounted superblock (0 for anonymous ones)
    unsigned minor = 0;
    std::string root;        // folder of the filesystem that is mounted: "/" unless a bind or subvolume
    std::string target;      // mount point, unescaped
    std::string fsType;      // "ext4", "fuse.sshfs", ...
    std::string source;      // "/dev/sda1", "server:/export", "tmpfs", ...
    std::string vfsOptions;  // per-mount options ("rw,relatime")
    std::string fsOptions;   // superblock options ("rw,compress=zstd:3")

    bool readOnly() const;
};

// Parses mountinfo text in one pass. Lines that are not mountinfo lines are skipped; never
// throws.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// True when the comma-separated option list holds `name` alone or as "name=value".
bool hasMountOption(std::string_view options, std::string_view name);

// The entry whose mount point holds `path` (absolute, without "." or ".." components):
// the longest mount point that is the path or one of its parent folders; among entries
// with the same mount point the last one, which hides the earlier ones.
std::optional<std::size_t> holdingMount(const std::vector<MountEntry>& mounts, std::string_view path);

// True when `path` is `folder` or lies below it ("/run" holds "/run/user/1000", not "/running").
bool pathIsUnder(std::string_view path, std::string_view folder);

}  // namespace vintrel::platform::linux_host

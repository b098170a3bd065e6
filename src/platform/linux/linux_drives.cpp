#include "platform/linux/linux_drives.h"

#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/host/drive_root.h"
#include "text/cp1252.h"

namespace fs = std::filesystem;

namespace vintrel::platform::linux_host {
namespace {

constexpr std::int64_t kCheckIntervalNs = 50'000'000;
constexpr std::int64_t kSpaceReuseNs = 100'000'000;
constexpr std::uint32_t kMaxComponentLength = 255;

std::int64_t coarseNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void ensureFolders(const std::string& root) {
    if (root.empty()) return;
    std::error_code ec;
    if (!fs::exists(root, ec)) {
        fs::create_directories(fs::path(root).parent_path(), ec);
        ::mkdir(root.c_str(), 0700);
    }
    ::mkdir((root + "/C").c_str(), 0755);
}

std::string canonicalPath(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    return ec ? path : p.lexically_normal().string();
}

}  // namespace

LinuxDrives::LinuxDrives(const LinuxEnvironment& env)
    : env_(env), watch_(env.procRoot + "/self/mountinfo"), probe_(env), meminfo_(env.procRoot) {
    ensureFolders(env_.root);
    if (!env_.root.empty()) cPath_ = canonicalPath(env_.root + "/C");
    refreshIfChanged();
}

LinuxDrives::~LinuxDrives() {
    if (cFolder_ >= 0) ::close(cFolder_);
}

// Opened again with every new mount table, so that a filesystem mounted over it is seen.
void LinuxDrives::holdCFolder() {
    if (cFolder_ >= 0) ::close(cFolder_);
    cFolder_ = -1;
    if (env_.root.empty()) return;
    const int fd = ::open((env_.root + "/C").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat folder {}, root {};
    if (::fstat(fd, &folder) == 0 && ::stat(env_.root.c_str(), &root) == 0 && folder.st_dev == root.st_dev)
        cFolder_ = fd;
    else
        ::close(fd);
}

std::unique_ptr<LinuxDrives> makeLinuxDrives(const LinuxEnvironment& env) {
    return std::make_unique<LinuxDrives>(env);
}

std::optional<int> LinuxDrives::driveIndex(std::string_view root) {
    const auto letter = host::driveRootLetter(root);
    if (!letter) return std::nullopt;
    return *letter - 'A';
}

void LinuxDrives::refresh() {
    std::lock_guard lock(mutex_);
    rebuild();
}

void LinuxDrives::refreshIfChanged() {
    const std::int64_t now = coarseNowNs();
    if (lastCheckNs_ != 0 && now - lastCheckNs_ < kCheckIntervalNs) return;
    lastCheckNs_ = now;
    if (watch_.changed()) rebuild();
}

void LinuxDrives::rebuild() {
    const std::vector<MountEntry> mounts = parseMountInfo(watch_.read());
    std::vector<std::optional<BlockDevice>> devices;
    devices.reserve(mounts.size());
    // Many mounts share a device (bind mounts, subvolumes): each device number is asked once.
    std::map<std::pair<unsigned, unsigned>, std::optional<BlockDevice>> byNumber;
    for (const MountEntry& m : mounts) {
        if (m.major == 0) {
            devices.push_back(probe_.blockDevice(m));
            continue;
        }
        auto [at, added] = byNumber.try_emplace({m.major, m.minor});
        if (added) at->second = probe_.blockDevice(m);
        devices.push_back(at->second);
    }
    const std::vector<Volume> volumes = collectVolumes(mounts, devices, probe_.opticalDrives());

    std::array<Drive, 26> next{};
    std::string cKey;
    if (!env_.root.empty()) {
        Drive& c = next['C' - 'A'];
        c.type = DRIVE_FIXED;
        c.basePath = env_.root + "/C";
        if (const auto holder = holdingMount(mounts, cPath_)) {
            cKey = volumeKey(mounts[*holder], devices[*holder]);
            c.mount = mounts[*holder];
            c.device = devices[*holder];
            c.network = isNetworkFileSystem(c.mount->fsType);
        }
    }

    std::vector<const Volume*> floppies, others;
    for (const Volume& v : volumes) {
        if (v.key == cKey) continue;  // its letter is C:
        (v.floppy ? floppies : others).push_back(&v);
    }
    const auto place = [&](const std::vector<const Volume*>& list, LetterAssigner& letters) {
        std::vector<std::string> keys;
        for (const Volume* v : list) keys.push_back(v->key);
        const std::vector<char> assigned = letters.assign(keys);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (assigned[i] == '\0') continue;
            const Volume& v = *list[i];
            Drive& d = next[static_cast<std::size_t>(assigned[i] - 'A')];
            d.type = v.driveType;
            d.device = v.device;
            if (v.mount) {
                d.mount = mounts[*v.mount];
                d.basePath = d.mount->target;
                d.network = isNetworkFileSystem(d.mount->fsType);
            }
        }
    };
    place(floppies, floppyLetters_);
    place(others, volumeLetters_);
    drives_ = std::move(next);
    holdCFolder();
}

int LinuxDrives::driveType(std::string_view root) {
    const auto index = driveIndex(root);
    if (!index) return DRIVE_NO_ROOT_DIR;
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    return drives_[static_cast<std::size_t>(*index)].type;
}

void LinuxDrives::driveTypes(std::span<int> types) {
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    for (std::size_t i = 0; i < types.size(); ++i)
        types[i] = i < drives_.size() ? drives_[i].type : DRIVE_NO_ROOT_DIR;
}

std::optional<std::string> LinuxDrives::basePath(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    const Drive& d = drives_[static_cast<std::size_t>(letter - 'A')];
    if (d.type == DRIVE_NO_ROOT_DIR || d.basePath.empty()) return std::nullopt;
    return d.basePath;
}

std::optional<DiskSpace> LinuxDrives::diskFreeSpace(std::string_view root) {
    const auto index = driveIndex(root);
    if (!index) return std::nullopt;
    std::string path;
    {
        std::lock_guard lock(mutex_);
        refreshIfChanged();
        Drive& d = drives_[static_cast<std::size_t>(*index)];
        if (d.type == DRIVE_NO_ROOT_DIR || d.basePath.empty()) return std::nullopt;
        if (!d.network) {
            const std::int64_t now = coarseNowNs();
            if (d.spaceAtNs == 0 || now - d.spaceAtNs >= kSpaceReuseNs) {
                const bool held = *index == 'C' - 'A' && cFolder_ >= 0;
                d.space = held ? statSpace(cFolder_) : std::nullopt;
                if (!d.space) d.space = statSpace(d.basePath);
                d.spaceAtNs = now;
            }
            return d.space;
        }
        path = d.basePath;
    }
    return networkSpace_.get(path);  // outside the lock: it may wait briefly for a first figure
}

std::optional<VolumeInformation> LinuxDrives::volumeInformation(std::string_view root) {
    const auto index = driveIndex(root);
    if (!index) return std::nullopt;
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    const Drive& d = drives_[static_cast<std::size_t>(*index)];
    // No such drive, or an optical drive without a disc.
    if (d.type == DRIVE_NO_ROOT_DIR || d.basePath.empty()) return std::nullopt;

    // Without a mount table entry (unreadable mountinfo) the folder still answers with its limits.
    const MountEntry noMount;
    const MountEntry& m = d.mount ? *d.mount : noMount;
    VolumeFacts facts;
    if (d.device) facts = probe_.volumeFacts(*d.device);
    // ntfs-3g and exfat-fuse mount as "fuseblk": the filesystem's own type is udev's.
    std::string type = facts.fsType.empty() ? m.fsType : facts.fsType;
    struct statfs kernelView {};
    if (type.empty() && !d.network && ::statfs(d.basePath.c_str(), &kernelView) == 0)
        type = fileSystemTypeFromMagic(static_cast<unsigned long>(kernelView.f_type));

    VolumeInformation info;
    std::string label = facts.label;
    if (label.empty() && m.fsType == "zfs") label = m.source.substr(0, m.source.find('/'));
    info.volumeLabel = text::utf8ToCp1252(label);
    info.serialNumber = serialFromUuid(type, facts.uuid);
    info.fileSystemName = text::utf8ToCp1252(fileSystemDisplayName(type, facts.fsVersion));

    // vfat reports 1530 (UTF-8 bytes); Windows reports at most 255 characters.
    info.maxComponentLength = kMaxComponentLength;
    struct statvfs s {};
    if (!d.network && ::statvfs(d.basePath.c_str(), &s) == 0 && s.f_namemax > 0)
        info.maxComponentLength =
            static_cast<std::uint32_t>(std::min<unsigned long>(s.f_namemax, kMaxComponentLength));

    if (m.fsType == "btrfs" &&
        (hasMountOption(m.fsOptions, "compress") || hasMountOption(m.fsOptions, "compress-force")))
        info.fileSystemFlags |= FS_VOL_IS_COMPRESSED;
    return info;
}

MemoryStatus LinuxDrives::memoryStatus() {
    std::lock_guard lock(memoryMutex_);
    return meminfo_.read();
}

}  // namespace vintrel::platform::linux_host

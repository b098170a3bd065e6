#include "platform/linux/volume_probe.h"

#include <dirent.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <tuple>

#include "platform/linux/mount_watch.h"
#include "text/hex_digit.h"

namespace fs = std::filesystem;

namespace vintrel::platform::linux_host {
namespace {

// "8:17\n" -> {8, 17}.
std::optional<std::pair<unsigned, unsigned>> parseDevNumber(std::string_view s) {
    unsigned maj = 0, min = 0;
    const char* end = s.data() + s.size();
    auto r = std::from_chars(s.data(), end, maj);
    if (r.ec != std::errc() || r.ptr == end || *r.ptr != ':') return std::nullopt;
    r = std::from_chars(r.ptr + 1, end, min);
    if (r.ec != std::errc()) return std::nullopt;
    return std::make_pair(maj, min);
}

std::string baseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool usableName(const std::string& name) {
    return !name.empty() && name != "." && name != "..";
}

std::string property(struct udev_device* dev, const char* key) {
    const char* v = udev_device_get_property_value(dev, key);
    return v != nullptr ? std::string(v) : std::string();
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

std::string decodeUdevEscapes(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int hi = text::hexDigitValue(encoded[i + 2]);
            const int lo = text::hexDigitValue(encoded[i + 3]);
            if (hi >= 0 && lo >= 0) {
                const char c = static_cast<char>(hi * 16 + lo);
                if (c == '\0') break;
                out.push_back(c);
                i += 3;
                continue;
            }
        }
        out.push_back(encoded[i]);
    }
    return out;
}

std::uint32_t serialFromUuid(std::string_view fsType, std::string_view uuid) {
    std::string digits;
    for (char c : uuid) {
        if (c == '-') continue;
        if (text::hexDigitValue(c) < 0) return 0;
        digits.push_back(c);
    }
    if (digits.empty()) return 0;
    std::string_view chosen = digits;
    const bool ntfs = fsType == "ntfs" || fsType == "ntfs3" || fsType == "ntfs-3g";
    if (ntfs && chosen.size() == 16)
        chosen = chosen.substr(8);
    else if (chosen.size() > 8)
        chosen = chosen.substr(0, 8);
    std::uint32_t value = 0;
    for (char c : chosen) value = value * 16 + static_cast<std::uint32_t>(text::hexDigitValue(c));
    return value;
}

std::string fileSystemDisplayName(std::string_view fsType, std::string_view fsVersion) {
    if (fsType.substr(0, 5) == "fuse.") fsType.remove_prefix(5);
    if (fsType == "vfat" || fsType == "msdos" || fsType == "fat") {
        if (fsVersion == "FAT12" || fsVersion == "FAT16" || fsVersion == "FAT32")
            return std::string(fsVersion);
        return "FAT";
    }
    if (fsType == "exfat") return "exFAT";
    if (fsType == "ntfs" || fsType == "ntfs3" || fsType == "ntfs-3g") return "NTFS";
    if (fsType == "iso9660") return "CDFS";
    return upperAscii(fsType);
}

DeviceProbe::DeviceProbe(const LinuxEnvironment& env) : env_(env) {
    if (env_.sysRoot == "/sys" && env_.runRoot == "/run") udev_ = udev_new();
}

DeviceProbe::~DeviceProbe() {
    if (udev_ != nullptr) udev_unref(udev_);
}

BlockDevice DeviceProbe::describe(unsigned maj, unsigned min, std::string_view fallbackName) const {
    BlockDevice d;
    d.major = maj;
    d.minor = min;
    d.name = std::string(fallbackName);
    std::string diskName = d.name;

    // A loop device never gets a letter, whatever sysfs says of it: a machine with a hundred
    // snaps re-reads its mount table without a hundred sysfs walks.
    if (maj == 7) {
        d.loop = true;
        return d;
    }
    // realpath(3) rather than fs::canonical: the same readlinks, without a path object per
    // component.
    const std::string link = env_.sysRoot + "/dev/block/" + std::to_string(maj) + ":" + std::to_string(min);
    char resolved[PATH_MAX];
    if (::realpath(link.c_str(), resolved) != nullptr) {
        const std::string dir = resolved;
        d.name = baseName(dir);
        // A partition's folder sits inside its disk's folder, which holds the disk's attributes.
        const bool partition = ::access((dir + "/partition").c_str(), F_OK) == 0;
        const std::string disk = partition ? dir.substr(0, dir.rfind('/')) : dir;
        diskName = baseName(disk);
        // The media's removable flag decides, whatever the bus: a USB hard disk reports 0 and is
        // fixed; sticks and card readers report 1.
        d.removable = readMountedFile(disk + "/removable", 16).starts_with('1');
        if (diskName.starts_with("mmcblk") && readMountedFile(disk + "/device/type", 16).starts_with("SD"))
            d.removable = true;
    }
    d.cdrom = maj == 11 || diskName.starts_with("sr");
    d.loop = maj == 7 || d.name.starts_with("loop");
    d.ramDisk = maj == 1 || d.name.starts_with("zram") || d.name.starts_with("ram");
    d.floppy = maj == 2 || (diskName.size() >= 3 && diskName.starts_with("fd") && diskName[2] >= '0' &&
                            diskName[2] <= '9');

    // Optical drives always report removable media, so only those devices need udev's word
    // on being a CD-ROM (it costs more than the sysfs reads above).
    if (udev_ != nullptr && d.removable && !d.cdrom) {
        if (struct udev_device* dev = udev_device_new_from_devnum(udev_, 'b', makedev(maj, min))) {
            if (property(dev, "ID_CDROM") == "1") d.cdrom = true;
            udev_device_unref(dev);
        }
    }
    return d;
}

std::optional<BlockDevice> DeviceProbe::blockDevice(const MountEntry& mount) const {
    const bool devSource = mount.source.starts_with("/dev/");
    // A non-zero major is the device itself; btrfs and a few others report an anonymous
    // number instead, so their source path has to be resolved.
    if (mount.major != 0) return describe(mount.major, mount.minor, devSource ? baseName(mount.source) : "");
    if (!devSource) return std::nullopt;

    const std::string node = env_.devRoot + mount.source.substr(4);
    struct stat st {};
    if (::stat(node.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
        return describe(major(st.st_rdev), minor(st.st_rdev), baseName(node));

    // No device node to ask (a fixture, or a /dev/mapper link): resolve the name, ask sysfs.
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(node, ec);
    const std::string name = ec ? baseName(node) : resolved.filename().string();
    if (!usableName(name)) return std::nullopt;
    const auto number = parseDevNumber(readMountedFile(env_.sysRoot + "/class/block/" + name + "/dev", 64));
    if (!number) return std::nullopt;
    return describe(number->first, number->second, name);
}

std::vector<BlockDevice> DeviceProbe::opticalDrives() const {
    // The sr* names alone are cheap to list; the drives are described again only when they
    // changed (a mount-table change rebuilds the letters but rarely adds a drive).
    const fs::path block = fs::path(env_.sysRoot) / "class" / "block";
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(block.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (std::string_view(e->d_name).starts_with("sr")) names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    if (opticalKnown_ && names == opticalNames_) return optical_;
    std::vector<BlockDevice> out;
    for (const std::string& name : names) {
        const auto number = parseDevNumber(readMountedFile((block / name / "dev").string(), 64));
        if (!number) continue;
        BlockDevice d = describe(number->first, number->second, name);
        if (d.cdrom) out.push_back(std::move(d));
    }
    std::sort(out.begin(), out.end(), [](const BlockDevice& a, const BlockDevice& b) {
        return std::tie(a.major, a.minor) < std::tie(b.major, b.minor);
    });
    opticalNames_ = std::move(names);
    optical_ = out;
    opticalKnown_ = true;
    return out;
}

VolumeFacts DeviceProbe::volumeFacts(const BlockDevice& device) const {
    VolumeFacts facts;
    if (udev_ != nullptr) {
        if (struct udev_device* dev =
                udev_device_new_from_devnum(udev_, 'b', makedev(device.major, device.minor))) {
            facts.label = decodeUdevEscapes(property(dev, "ID_FS_LABEL_ENC"));
            if (facts.label.empty()) facts.label = property(dev, "ID_FS_LABEL");
            facts.uuid = property(dev, "ID_FS_UUID");
            facts.fsType = property(dev, "ID_FS_TYPE");
            facts.fsVersion = property(dev, "ID_FS_VERSION");
            udev_device_unref(dev);
        }
    }
    // No udev database (containers, fixtures): the /dev/disk links carry label and UUID.
    if (facts.label.empty() && facts.uuid.empty()) addDiskLinks(device, facts);
    return facts;
}

void DeviceProbe::addDiskLinks(const BlockDevice& device, VolumeFacts& facts) const {
    if (!usableName(device.name)) return;
    for (const char* kind : {"by-label", "by-uuid"}) {
        std::string& field = kind[3] == 'l' ? facts.label : facts.uuid;
        std::error_code ec;
        for (fs::directory_iterator it(fs::path(env_.devRoot) / "disk" / kind, ec), end;
             !ec && it != end && field.empty(); it.increment(ec)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(it->path(), linkError);
            if (linkError || target.filename() != device.name) continue;
            field = decodeUdevEscapes(it->path().filename().string());
        }
    }
}

std::string fileSystemTypeFromMagic(unsigned long magic) {
    static constexpr struct {
        unsigned long magic;
        const char* type;
    } kTypes[] = {
        {0xEF53, "ext4"},          {0x9123683E, "btrfs"},  {0x58465342, "xfs"},    {0x01021994, "tmpfs"},
        {0x794C7630, "overlay"},   {0x6969, "nfs"},        {0x4D44, "vfat"},       {0x5346544E, "ntfs"},
        {0x2011BAB0, "exfat"},     {0xF2F52010, "f2fs"},   {0x2FC12FC1, "zfs"},    {0x9660, "iso9660"},
        {0x15013346, "udf"},       {0xFF534D42, "cifs"},   {0xFE534D42, "smb3"},   {0x65735546, "fuse"},
        {0x858458F6, "ramfs"},     {0x01021997, "9p"},     {0x6A656A63, "virtiofs"},
    };
    for (const auto& t : kTypes)
        if (t.magic == (magic & 0xFFFFFFFFul)) return t.type;
    return {};
}

}  // namespace vintrel::platform::linux_host

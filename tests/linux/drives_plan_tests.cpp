#include <gtest/gtest.h>

#include <map>

#include "drives_fixtures.h"
#include "platform/linux/volume_plan.h"

namespace vintrel::platform::linux_host {
namespace {

using test::linuxFixture;

BlockDevice device(unsigned maj, unsigned min, std::string name, bool removable = false) {
    BlockDevice d;
    d.major = maj;
    d.minor = min;
    d.name = std::move(name);
    d.removable = removable;
    d.loop = maj == 7;
    d.cdrom = maj == 11;
    d.floppy = maj == 2;
    d.ramDisk = d.name.starts_with("zram");
    return d;
}

// The devices behind the fixtures' sources, as sysfs would describe them.
std::optional<BlockDevice> fakeDevice(const MountEntry& m) {
    static const std::map<std::string, BlockDevice> disks = {
        {"/dev/nvme0n1p1", device(259, 1, "nvme0n1p1")},
        {"/dev/nvme0n1p2", device(259, 2, "nvme0n1p2")},
        {"/dev/nvme0n1p3", device(259, 3, "nvme0n1p3")},
        {"/dev/sda1", device(8, 1, "sda1")},
        {"/dev/sda2", device(8, 2, "sda2")},
        {"/dev/sdb1", device(8, 17, "sdb1", true)},
        {"/dev/sdc", device(8, 32, "sdc")},
        {"/dev/sr0", device(11, 0, "sr0")},
        {"/dev/loop0", device(7, 0, "loop0")},
        {"/dev/loop1", device(7, 1, "loop1")},
        {"/dev/loop2", device(7, 2, "loop2")},
        {"/dev/mmcblk0p1", device(179, 1, "mmcblk0p1", true)},
        {"/dev/zram1", device(252, 1, "zram1")},
        {"/dev/fd0", device(2, 0, "fd0", true)},
    };
    const auto it = disks.find(m.source);
    if (it == disks.end()) return std::nullopt;
    return it->second;
}

std::vector<Volume> volumesOf(const std::vector<MountEntry>& mounts,
                              const std::vector<BlockDevice>& optical = {}) {
    std::vector<std::optional<BlockDevice>> devices;
    for (const MountEntry& m : mounts) devices.push_back(fakeDevice(m));
    return collectVolumes(mounts, devices, optical);
}

struct Expected {
    const char* target;  // "" for a drive without a mounted disc
    int type;
    const char* key;
};

void expectVolumes(const std::vector<MountEntry>& mounts, const std::vector<Volume>& got,
                   const std::vector<Expected>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].key);
        EXPECT_EQ(got[i].mount ? mounts[*got[i].mount].target : std::string(), want[i].target);
        EXPECT_EQ(got[i].driveType, want[i].type);
        EXPECT_EQ(got[i].key, want[i].key);
    }
}

TEST(VolumePlan, FixtureVolumes) {
    struct Case {
        const char* file;
        std::vector<Expected> volumes;
    };
    const Case cases[] = {
        {"desktop.txt",
         {
             {"/", DRIVE_FIXED, "dev:259:2"},
             {"/data", DRIVE_FIXED, "dev:8:1"},
             {"/home", DRIVE_FIXED, "dev:259:3"},  // also bind-mounted at /srv/www
             {"/home/ana/remote", DRIVE_REMOTE, "anon:0:52"},
             {"/media/ana/KINGSTON", DRIVE_REMOVABLE, "dev:8:17"},
             {"/media/ana/Ubuntu 22.04 LTS amd64", DRIVE_CDROM, "dev:11:0"},
             {"/media/ana/Windows", DRIVE_FIXED, "dev:8:2"},
             {"/mnt/nas", DRIVE_REMOTE, "anon:0:50"},
             {"/mnt/ramdisk", DRIVE_RAMDISK, "anon:0:51"},
         }},
        // Subvolumes of one btrfs device make one volume shown at "/"; a second btrfs disk is
        // shown where its top level is mounted.
        {"fedora_btrfs.txt",
         {
             {"/", DRIVE_FIXED, "dev:259:3"},
             {"/mnt/backup", DRIVE_FIXED, "dev:8:32"},
             {"/run/media/ana/SDCARD", DRIVE_REMOVABLE, "dev:179:1"},
         }},
        // The container's overlay root is its disk; its file binds from the host disk are not.
        {"container.txt",
         {
             {"/", DRIVE_FIXED, "anon:0:60"},
             {"/mnt/shared", DRIVE_REMOTE, "anon:0:70"},
         }},
        {"broken.txt",
         {
             {"/", DRIVE_FIXED, "dev:259:2"},
             {"/media/usb", DRIVE_REMOVABLE, "dev:8:17"},
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto mounts = parseMountInfo(linuxFixture(std::string("mountinfo/") + c.file));
        expectVolumes(mounts, volumesOf(mounts), c.volumes);
    }
}

TEST(VolumePlan, EmptyOpticalDrivesComeLast) {
    const auto mounts = parseMountInfo(linuxFixture("mountinfo/fedora_btrfs.txt"));
    const auto volumes = volumesOf(mounts, {device(11, 0, "sr0"), device(11, 1, "sr1")});
    expectVolumes(mounts, volumes,
                  {
                      {"/", DRIVE_FIXED, "dev:259:3"},
                      {"/mnt/backup", DRIVE_FIXED, "dev:8:32"},
                      {"/run/media/ana/SDCARD", DRIVE_REMOVABLE, "dev:179:1"},
                      {"", DRIVE_CDROM, "dev:11:0"},
                      {"", DRIVE_CDROM, "dev:11:1"},
                  });
    // A drive whose disc is mounted appears once, at its mount point.
    const auto desktop = parseMountInfo(linuxFixture("mountinfo/desktop.txt"));
    const auto withDisc = volumesOf(desktop, {device(11, 0, "sr0")});
    EXPECT_EQ(
        std::count_if(withDisc.begin(), withDisc.end(), [](const Volume& v) { return v.key == "dev:11:0"; }),
        1);
}

TEST(VolumePlan, ClassifyMount) {
    struct Case {
        const char* line;  // one mountinfo line
        int type;
    };
    const Case cases[] = {
        {"1 0 0:40 / /mnt/ramdisk rw - tmpfs tmpfs rw,size=1g", DRIVE_RAMDISK},
        {"1 0 0:40 / /home/ana/scratch rw - ramfs ramfs rw", DRIVE_RAMDISK},
        {"1 0 0:40 / /mnt/ramdisk ro - tmpfs tmpfs ro", DRIVE_NO_ROOT_DIR},
        {"1 0 0:40 / /dev/shm rw - tmpfs tmpfs rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:40 / /run/user/1000 rw - tmpfs tmpfs rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:40 / /tmp rw - tmpfs tmpfs rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:40 / /sys/fs/cgroup rw - tmpfs tmpfs rw", DRIVE_NO_ROOT_DIR},
        {"1 0 252:1 / /mnt/fast rw - ext4 /dev/zram1 rw", DRIVE_RAMDISK},
        {"1 0 252:1 / /var/tmp rw - ext4 /dev/zram1 rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:41 / /mnt/nas rw - nfs server:/x rw", DRIVE_REMOTE},
        {"1 0 0:41 / /mnt/nas rw - nfs4 server:/x rw", DRIVE_REMOTE},
        {"1 0 0:41 / /mnt/win rw - cifs //server/share rw", DRIVE_REMOTE},
        {"1 0 0:41 / /mnt/win rw - smb3 //server/share rw", DRIVE_REMOTE},
        {"1 0 0:41 / /mnt/host rw - virtiofs host rw", DRIVE_REMOTE},
        {"1 0 0:41 / /mnt/c rw - 9p drvfs rw", DRIVE_REMOTE},
        {"1 0 0:41 / /usr/lib/wsl/drivers ro - 9p drivers ro", DRIVE_NO_ROOT_DIR},
        {"1 0 0:41 / /home/a/srv rw - fuse.sshfs a@b:/ rw", DRIVE_REMOTE},
        {"1 0 0:60 / / rw - overlay overlay rw,lowerdir=/a", DRIVE_FIXED},
        {"1 0 0:60 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:45 / / rw - zfs rpool/ROOT/ubuntu rw", DRIVE_FIXED},
        {"1 0 8:1 / /data rw - ext4 /dev/sda1 rw", DRIVE_FIXED},
        {"1 0 8:17 / /media/usb rw - vfat /dev/sdb1 rw", DRIVE_REMOVABLE},
        {"1 0 11:0 / /media/cd ro - iso9660 /dev/sr0 ro", DRIVE_CDROM},
        {"1 0 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw", DRIVE_REMOVABLE},
        {"1 0 7:0 / /mnt/img ro - ext4 /dev/loop0 ro", DRIVE_NO_ROOT_DIR},
        {"1 0 8:1 / /mnt/live ro - squashfs /dev/sda1 ro", DRIVE_NO_ROOT_DIR},
        {"1 0 8:1 / /boot rw - ext4 /dev/sda1 rw", DRIVE_NO_ROOT_DIR},
        {"1 0 8:1 / /boot/efi rw - vfat /dev/sda1 rw", DRIVE_NO_ROOT_DIR},
        {"1 0 8:1 / /efi rw - vfat /dev/sda1 rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:20 / /proc rw - proc proc rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:20 / /run/user/1000/doc rw - fuse.portal portal rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:20 / /mnt/auto rw - autofs systemd-1 rw", DRIVE_NO_ROOT_DIR},
        {"1 0 0:20 / /mnt/app rw - fuse.someapp app rw", DRIVE_NO_ROOT_DIR},
    };
    for (const Case& c : cases) {
        const auto mounts = parseMountInfo(c.line);
        ASSERT_EQ(mounts.size(), 1u) << c.line;
        EXPECT_EQ(classifyMount(mounts[0], fakeDevice(mounts[0])), c.type) << c.line;
    }
}

TEST(VolumePlan, ZfsDatasetsOfOnePoolAreOneVolume) {
    const auto mounts = parseMountInfo(
        "1 0 0:45 / / rw - zfs rpool/ROOT/ubuntu rw\n"
        "2 1 0:46 / /home rw - zfs rpool/USERDATA/home rw\n"
        "3 1 0:47 / /boot rw - zfs bpool/BOOT/ubuntu rw\n"
        "4 1 0:48 / /tank rw - zfs tank rw\n");
    expectVolumes(mounts, volumesOf(mounts),
                  {
                      {"/", DRIVE_FIXED, "zfs:rpool"},
                      {"/tank", DRIVE_FIXED, "zfs:tank"},
                  });
}

TEST(VolumePlan, HiddenMountsAreIgnored) {
    // The USB stick at /mnt/x is hidden by a tmpfs mounted over it.
    const auto mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:17 / /mnt/x rw - vfat /dev/sdb1 rw\n"
        "3 1 0:40 / /mnt/x rw - tmpfs tmpfs rw\n");
    expectVolumes(mounts, volumesOf(mounts),
                  {
                      {"/", DRIVE_FIXED, "dev:8:1"},
                      {"/mnt/x", DRIVE_RAMDISK, "anon:0:40"},
                  });
}

TEST(VolumePlan, VolumeKeys) {
    const auto mounts = parseMountInfo(linuxFixture("mountinfo/fedora_btrfs.txt"));
    // Every subvolume of the root device shares the device's key, whatever its mount number.
    for (const MountEntry& m : mounts)
        if (m.source == "/dev/nvme0n1p3") {
            EXPECT_EQ(volumeKey(m, fakeDevice(m)), "dev:259:3") << m.target;
        }
}

TEST(LetterAssigner, LettersStayWhileVolumesComeAndGo) {
    struct Step {
        std::vector<std::string> keys;
        std::string letters;  // '.' for none
    };
    const std::vector<Step> steps = {
        {{"a", "b", "c"}, "DEF"},
        {{"a", "c"}, "DF"},                                            // b unmounted: c keeps F
        {{"a", "d", "c"}, "DEF"},                                      // d takes the first free letter
        {{"b", "a", "d", "c"}, "GDEF"},                                // b is back, but as a new volume
        {{"b", "a", "d", "c", "e", "f", "g", "h", "i"}, "GDEFHIJ.."},  // past J: nothing
        {{"b", "d", "c", "e", "f", "g", "h", "i"}, "GEFHIJD."},        // a gone: h takes D:
        {{}, ""},
        {{"x"}, "D"},
    };
    LetterAssigner letters('D', 'J');
    for (std::size_t n = 0; n < steps.size(); ++n) {
        const std::vector<char> got = letters.assign(steps[n].keys);
        std::string text;
        for (char c : got) text.push_back(c == '\0' ? '.' : c);
        EXPECT_EQ(text, steps[n].letters) << "step " << n;
    }
}

}  // namespace
}  // namespace vintrel::platform::linux_host

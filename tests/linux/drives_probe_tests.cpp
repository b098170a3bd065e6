#include <gtest/gtest.h>

#include <filesystem>

#include "drives_fixtures.h"
#include "platform/linux/volume_probe.h"

namespace fs = std::filesystem;

namespace vintrel::platform::linux_host {
namespace {

TEST(VolumeProbe, DecodeUdevEscapes) {
    struct Case {
        std::string_view encoded;
        std::string_view decoded;
    };
    const Case cases[] = {
        {"MY\\x20STICK", "MY STICK"},
        {"a\\x2fb", "a/b"},
        {"Syst\\xc3\\xa8me", "Syst\xc3\xa8me"},
        {"\\x5c\\x5C", "\\\\"},
        {"plain", "plain"},
        {"", ""},
        {"end\\x2", "end\\x2"},    // cut short: kept as it is
        {"bad\\xZZ", "bad\\xZZ"},  // not hex: kept as it is
        {"\\", "\\"},
        {"cut\\x00here", "cut"},  // an escaped NUL ends the label
        {"\\x41\\x42\\x43", "ABC"},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeUdevEscapes(c.encoded), c.decoded) << c.encoded;
}

TEST(VolumeProbe, SerialFromUuid) {
    struct Case {
        const char* fsType;
        const char* uuid;
        std::uint32_t serial;
    };
    const Case cases[] = {
        {"vfat", "1A2B-3C4D", 0x1A2B3C4Du},
        {"vfat", "1a2b-3c4d", 0x1A2B3C4Du},
        {"exfat", "0012-ABCD", 0x0012ABCDu},
        {"ntfs", "0123456789ABCDEF", 0x89ABCDEFu},
        {"ntfs3", "0123456789ABCDEF", 0x89ABCDEFu},
        {"ext4", "a1b2c3d4-e5f6-4711-8899-aabbccddeeff", 0xA1B2C3D4u},
        {"btrfs", "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", 0x0F1E2D3Cu},
        {"xfs", "FFFFFFFF-0000-0000-0000-000000000000", 0xFFFFFFFFu},
        {"iso9660", "2022-04-19-10-23-19-00", 0x20220419u},
        {"ext4", "1234", 0x1234u},          // short: the digits there are
        {"ntfs", "89ABCDEF", 0x89ABCDEFu},  // not 16 digits: the general rule
        {"ext4", "", 0u},
        {"ext4", "----", 0u},
        {"ext4", "not-a-uuid", 0u},
        {"vfat", "1A2B 3C4D", 0u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(serialFromUuid(c.fsType, c.uuid), c.serial) << c.fsType << " " << c.uuid;
}

TEST(VolumeProbe, FileSystemDisplayName) {
    struct Case {
        const char* fsType;
        const char* version;
        const char* name;
    };
    const Case cases[] = {
        {"vfat", "FAT32", "FAT32"},
        {"vfat", "FAT16", "FAT16"},
        {"vfat", "", "FAT"},
        {"vfat", "FAT99", "FAT"},
        {"msdos", "", "FAT"},
        {"exfat", "1.0", "exFAT"},
        {"ntfs", "", "NTFS"},
        {"ntfs3", "", "NTFS"},
        {"ntfs-3g", "", "NTFS"},
        {"iso9660", "Joliet Extension", "CDFS"},
        {"udf", "2.01", "UDF"},
        {"ext4", "1.0", "EXT4"},
        {"btrfs", "", "BTRFS"},
        {"fuse.sshfs", "", "SSHFS"},
        {"fuseblk", "", "FUSEBLK"},
        {"nfs4", "", "NFS4"},
        {"", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(fileSystemDisplayName(c.fsType, c.version), c.name) << c.fsType;
}

// A small sysfs and /dev: an NVMe disk, a USB stick, a USB hard disk, an SD card, an eMMC chip,
// a DVD drive and a loop device, with the /dev/disk links udev would have made.
class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override {
        host_.addDisk("pci0000:00/0000:00:1d.0/nvme/nvme0/nvme0n1", "0", "nvme0n1p3", "259:3");
        host_.addDisk("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "1",
                      "sdb1", "8:17");
        host_.addDisk("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host7/target7:0:0/7:0:0:0/block/sdc", "0",
                      "sdc1", "8:33");
        host_.addDisk("platform/mmc0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0", "0", "mmcblk0p1", "179:1", "SD");
        host_.addDisk("platform/mmc1/mmc_host/mmc1/mmc1:0001/block/mmcblk1", "0", "mmcblk1p1", "179:9",
                      "MMC");
        host_.addDisk("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0", "1", "", "11:0");
        host_.addDisk("virtual/block/loop0", "0", "", "7:0");
        host_.link("disk/by-label/MY\\x20STICK", "../../sdb1");
        host_.link("disk/by-uuid/1A2B-3C4D", "../../sdb1");
        host_.link("disk/by-label/fedora", "../../nvme0n1p3");
        host_.link("disk/by-uuid/0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", "../../nvme0n1p3");
        env_ = host_.env;
    }

    static MountEntry mount(const std::string& line) {
        auto mounts = parseMountInfo(line);
        EXPECT_EQ(mounts.size(), 1u) << line;
        return mounts.empty() ? MountEntry{} : mounts[0];
    }

    test::FakeHost host_;
    LinuxEnvironment env_;
};

TEST_F(FakeMachine, BlockDevices) {
    struct Case {
        const char* line;
        bool present;
        const char* name;
        unsigned major, minor;
        bool removable, cdrom, loop;
    };
    const Case cases[] = {
        {"1 0 259:3 / / rw - ext4 /dev/nvme0n1p3 rw", true, "nvme0n1p3", 259, 3, false, false, false},
        // btrfs reports an anonymous device number: the source is resolved through sysfs.
        {"1 0 0:32 /root / rw - btrfs /dev/nvme0n1p3 rw", true, "nvme0n1p3", 259, 3, false, false, false},
        {"1 0 8:17 / /media/a/S rw - vfat /dev/sdb1 rw", true, "sdb1", 8, 17, true, false, false},  // USB stick
        // A USB hard disk reports fixed media, and is a fixed disk.
        {"1 0 8:33 / /media/a/E rw - ext4 /dev/sdc1 rw", true, "sdc1", 8, 33, false, false, false},
        {"1 0 179:1 / /media/a/SD rw - exfat /dev/mmcblk0p1 rw", true, "mmcblk0p1", 179, 1, true, false,
         false},
        {"1 0 179:9 / /data rw - ext4 /dev/mmcblk1p1 rw", true, "mmcblk1p1", 179, 9, false, false,
         false},  // eMMC
        {"1 0 11:0 / /media/a/CD ro - iso9660 /dev/sr0 ro", true, "sr0", 11, 0, true, true, false},
        {"1 0 7:0 / /snap/x/1 ro - squashfs /dev/loop0 ro", true, "loop0", 7, 0, false, false, true},
        // A device sysfs does not know keeps its number and the source's name.
        {"1 0 8:99 / /mnt/z rw - ext4 /dev/sdz1 rw", true, "sdz1", 8, 99, false, false, false},
        {"1 0 0:40 / /mnt/r rw - tmpfs tmpfs rw", false, "", 0, 0, false, false, false},
        {"1 0 0:41 / /mnt/n rw - nfs4 server:/x rw", false, "", 0, 0, false, false, false},
        {"1 0 0:42 / /mnt/b rw - btrfs /dev/nothere rw", false, "", 0, 0, false, false, false},
        {"1 0 0:42 / /mnt/b rw - btrfs /dev/.. rw", false, "", 0, 0, false, false, false},
    };
    DeviceProbe probe(env_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto d = probe.blockDevice(mount(c.line));
        ASSERT_EQ(d.has_value(), c.present);
        if (!d) continue;
        EXPECT_EQ(d->name, c.name);
        EXPECT_EQ(d->major, c.major);
        EXPECT_EQ(d->minor, c.minor);
        EXPECT_EQ(d->removable, c.removable);
        EXPECT_EQ(d->cdrom, c.cdrom);
        EXPECT_EQ(d->loop, c.loop);
    }
}

TEST_F(FakeMachine, OpticalDrivesAndDiskLinks) {
    DeviceProbe probe(env_);
    const auto drives = probe.opticalDrives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].name, "sr0");
    EXPECT_TRUE(drives[0].cdrom);

    const auto stick = probe.blockDevice(mount("1 0 8:17 / /media/a/S rw - vfat /dev/sdb1 rw"));
    ASSERT_TRUE(stick);
    VolumeFacts facts = probe.volumeFacts(*stick);
    EXPECT_EQ(facts.label, "MY STICK");
    EXPECT_EQ(facts.uuid, "1A2B-3C4D");
    EXPECT_EQ(facts.fsType, "");  // only udev knows it; the mount's type is used instead

    facts = probe.volumeFacts(drives[0]);
    EXPECT_EQ(facts.label, "");
    EXPECT_EQ(facts.uuid, "");
}

TEST_F(FakeMachine, MissingTreesAreNotErrors) {
    LinuxEnvironment empty = env_;
    empty.sysRoot = (host_.dir.path() / "nosys").string();
    empty.devRoot = (host_.dir.path() / "nodev").string();
    DeviceProbe probe(empty);
    EXPECT_TRUE(probe.opticalDrives().empty());
    const auto d = probe.blockDevice(mount("1 0 8:17 / /media/a/S rw - vfat /dev/sdb1 rw"));
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->removable);
    EXPECT_EQ(probe.volumeFacts(*d).label, "");
}

}  // namespace
}  // namespace vintrel::platform::linux_host

namespace vintrel::platform::linux_host {
namespace {

TEST(FileSystemMagic, NamesTheKernelsTypes) {
    const struct {
        unsigned long magic;
        const char* type;
        const char* shown;
    } cases[] = {
        {0xEF53, "ext4", "EXT4"},   {0x9123683E, "btrfs", "BTRFS"}, {0x4D44, "vfat", "FAT"},
        {0x5346544E, "ntfs", "NTFS"}, {0x9660, "iso9660", "CDFS"},  {0x12345678, "", ""},
        {0xFFFFFFFF00000000ul | 0xEF53, "ext4", "EXT4"},  // sign-extended f_type
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileSystemTypeFromMagic(c.magic), c.type) << std::hex << c.magic;
        EXPECT_EQ(fileSystemDisplayName(fileSystemTypeFromMagic(c.magic), ""), c.shown) << std::hex << c.magic;
    }
}

}  // namespace
}  // namespace vintrel::platform::linux_host

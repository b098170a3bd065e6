#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "drives_fixtures.h"
#include "platform/linux/linux_drives.h"
#include "platform/linux/mount_watch.h"
#include "support/mount_tables.h"

namespace fs = std::filesystem;

namespace vintrel::platform::linux_host {
namespace {

std::string root(char letter, char slash = '\\') {
    return std::string{letter, ':', slash};
}

// Every letter's type, "A..Z" as one text of digits: "1134.." and so on.
std::string typeMap(LinuxDrives& drives) {
    std::string out;
    for (char c = 'A'; c <= 'Z'; ++c) out.push_back(static_cast<char>('0' + drives.driveType(root(c))));
    return out;
}

// A machine with a system disk, a USB stick, an NFS share, /dev/shm and an empty DVD drive.
class FixtureDrives : public ::testing::Test {
protected:
    void SetUp() override {
        host_.addDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda", "0", "sda1", "8:1");
        host_.addDisk("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "1",
                      "sdb1", "8:17");
        host_.addDisk("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdc", "0", "sdc1",
                      "8:33");
        host_.addDisk("pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0/block/sr0", "1", "", "11:0");
        host_.link("disk/by-label/MY\\x20STICK", "../../sdb1");
        host_.link("disk/by-uuid/1A2B-3C4D", "../../sdb1");
        host_.link("disk/by-label/Syst\xc3\xa8me", "../../sda1");
        host_.link("disk/by-uuid/0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", "../../sda1");
        host_.setMountInfo(kSystem + kStick + kNas);
        host_.setMeminfo(test::linuxFixture("meminfo/desktop.txt"));
    }

    static inline const std::string kSystem =
        "1 0 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
        "2 1 0:25 / /dev/shm rw - tmpfs tmpfs rw\n";
    static inline const std::string kStick = "3 1 8:17 / /media/ana/MY\\040STICK rw - vfat /dev/sdb1 rw\n";
    static inline const std::string kNas = "4 1 0:50 / /mnt/nas rw - nfs4 nas:/x rw\n";
    static inline const std::string kData = "5 1 8:33 / /mnt/data rw - ext4 /dev/sdc1 rw\n";
    static inline const std::string kDisc = "6 1 11:0 / /media/ana/DVD ro - udf /dev/sr0 ro\n";

    test::FakeHost host_;
};

TEST_F(FixtureDrives, LettersTypesAndBases) {
    auto drives = makeLinuxDrives(host_.env);
    // A B C D E F G ...: C: the per-user root, D: the stick, E: the share, F: the empty DVD drive.
    EXPECT_EQ(typeMap(*drives), "11324511111111111111111111");
    EXPECT_TRUE(fs::is_directory(host_.env.root + "/C"));
    EXPECT_EQ((fs::status(host_.env.root).permissions() & fs::perms::all), fs::perms::owner_all);
    EXPECT_EQ(drives->basePath('C'), host_.env.root + "/C");
    EXPECT_EQ(drives->basePath('d'), "/media/ana/MY STICK");
    EXPECT_EQ(drives->basePath('E'), "/mnt/nas");
    EXPECT_EQ(drives->basePath('F'), std::nullopt);  // no disc
    EXPECT_EQ(drives->basePath('G'), std::nullopt);
    EXPECT_EQ(drives->basePath('@'), std::nullopt);
    EXPECT_EQ(drives->basePath('\0'), std::nullopt);
}

// A busy machine's 200 mount lines: binds, overlays, snaps, loop images, tmpfs and shares in
// system folders take no letter; the five volumes keep theirs, in mount-point order.
TEST(BusyMountTable, TwoHundredLinesGiveTheFiveVolumes) {
    test::FakeHost host;
    host.setMountInfo(test::generatedMountTable(200));
    auto drives = makeLinuxDrives(host.env);
    EXPECT_EQ(typeMap(*drives), "1133634" + std::string(19, '1'));
    const std::pair<char, const char*> bases[] = {
        {'D', "/home"}, {'E', "/media/ram"}, {'F', "/mnt/data"}, {'G', "/mnt/nfs"}};
    for (const auto& [letter, base] : bases) EXPECT_EQ(drives->basePath(letter), base) << letter;
}

TEST_F(FixtureDrives, AllTypesAtOnceMatchEachLetter) {
    auto drives = makeLinuxDrives(host_.env);
    for (std::size_t count : {0u, 10u, 26u, 30u}) {  // past Z: no drive
        std::vector<int> types(count, -1);
        drives->driveTypes(types);
        for (std::size_t i = 0; i < count; ++i)
            EXPECT_EQ(types[i],
                      i < 26 ? drives->driveType(root(static_cast<char>('A' + i))) : DRIVE_NO_ROOT_DIR)
                << i;
    }
}

TEST_F(FixtureDrives, RootForms) {
    auto drives = makeLinuxDrives(host_.env);
    for (char c = 'A'; c <= 'Z'; ++c) {
        const int type = drives->driveType(root(c));
        EXPECT_EQ(drives->driveType(root(c, '/')), type) << c;
        EXPECT_EQ(drives->driveType(root(static_cast<char>(c - 'A' + 'a'))), type) << c;
        EXPECT_EQ(drives->driveType(root(static_cast<char>(c - 'A' + 'a'), '/')), type) << c;
    }
    using namespace std::string_view_literals;
    for (std::string_view bad : {""sv, "C"sv, "C:"sv, "C:\\\\"sv, "C:\\x"sv, "CC:\\"sv, "1:\\"sv, "C;\\"sv,
                                 ":\\"sv, "\xc3\x87:\\"sv, "C:\\\0"sv, "C\0\\"sv}) {
        EXPECT_EQ(drives->driveType(bad), DRIVE_NO_ROOT_DIR) << bad;
        EXPECT_EQ(drives->volumeInformation(bad), std::nullopt) << bad;
        EXPECT_EQ(drives->diskFreeSpace(bad), std::nullopt) << bad;
    }
}

TEST_F(FixtureDrives, VolumeInformation) {
    auto drives = makeLinuxDrives(host_.env);
    // C: shows the filesystem that holds the root folder: "/" in this table.
    auto c = drives->volumeInformation("C:\\");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->volumeLabel, "Syst\xe8me");  // UTF-8 label as Windows-1252
    EXPECT_EQ(c->serialNumber, 0x0F1E2D3Cu);
    EXPECT_EQ(c->fileSystemName, "EXT4");
    struct statvfs s {};
    ASSERT_EQ(statvfs((host_.env.root + "/C").c_str(), &s), 0);
    EXPECT_EQ(c->maxComponentLength, std::min<unsigned long>(s.f_namemax, 255));
    EXPECT_EQ(c->fileSystemFlags, 0u);

    auto d = drives->volumeInformation("D:/");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->volumeLabel, "MY STICK");
    EXPECT_EQ(d->serialNumber, 0x1A2B3C4Du);
    EXPECT_EQ(d->fileSystemName, "FAT");
    EXPECT_EQ(d->maxComponentLength, 255u);  // not mounted here: the default

    auto e = drives->volumeInformation("E:\\");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->volumeLabel, "");
    EXPECT_EQ(e->serialNumber, 0u);
    EXPECT_EQ(e->fileSystemName, "NFS4");

    EXPECT_EQ(drives->volumeInformation("F:\\"), std::nullopt);  // no disc
    EXPECT_EQ(drives->volumeInformation("G:\\"), std::nullopt);
    EXPECT_EQ(drives->diskFreeSpace("F:\\"), std::nullopt);
    EXPECT_EQ(drives->diskFreeSpace("D:\\"), std::nullopt);  // the mount point is not there
}

TEST_F(FixtureDrives, LettersStayAcrossRefreshes) {
    auto drives = makeLinuxDrives(host_.env);
    EXPECT_EQ(typeMap(*drives).substr(0, 6), "113245");

    // The stick is pulled and a data disk mounted: the disk takes the free D:, the rest stay.
    host_.setMountInfo(kSystem + kNas + kData);
    drives->refresh();
    EXPECT_EQ(typeMap(*drives).substr(0, 7), "1133451");
    EXPECT_EQ(drives->basePath('D'), "/mnt/data");
    EXPECT_EQ(drives->basePath('E'), "/mnt/nas");

    // The stick comes back: first free letter, G:.
    host_.setMountInfo(kSystem + kNas + kData + kStick);
    drives->refresh();
    EXPECT_EQ(typeMap(*drives).substr(0, 8), "11334521");
    EXPECT_EQ(drives->basePath('G'), "/media/ana/MY STICK");

    // A disc goes into the DVD drive: F: keeps its letter and gains a folder.
    host_.setMountInfo(kSystem + kNas + kData + kStick + kDisc);
    drives->refresh();
    EXPECT_EQ(typeMap(*drives).substr(0, 8), "11334521");
    EXPECT_EQ(drives->basePath('F'), "/media/ana/DVD");
    auto f = drives->volumeInformation("F:\\");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fileSystemName, "UDF");

    // An unreadable table leaves C: and the drive without a disc.
    host_.setMountInfo("");
    drives->refresh();
    EXPECT_EQ(typeMap(*drives).substr(0, 8), "11311511");
    EXPECT_TRUE(drives->diskFreeSpace("C:\\"));
}

TEST_F(FixtureDrives, MemoryFromProcRoot) {
    auto drives = makeLinuxDrives(host_.env);
    const MemoryStatus m = drives->memoryStatus();
    EXPECT_EQ(m.totalPhys, 16314532ull * 1024);
    EXPECT_EQ(m.availPhys, 9876544ull * 1024);
    EXPECT_EQ(m.memoryLoad, 39u);
    EXPECT_EQ(m.totalPageFile, 2097148ull * 1024);
    EXPECT_EQ(m.availPageFile, 1572860ull * 1024);
}

TEST(BackgroundSpace, AnswersWithoutBlockingAndRefreshes) {
    test::TempDir dir;
    BackgroundSpace space(std::chrono::milliseconds(0), std::chrono::milliseconds(5));
    const auto expected = statSpace(dir.str());
    ASSERT_TRUE(expected);
    std::optional<DiskSpace> got;
    for (int i = 0; i < 400 && !got; ++i) {
        got = space.get(dir.str());
        if (!got) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(got->totalBytes, expected->totalBytes);
    EXPECT_EQ(space.get(dir.str() + "/missing"), std::nullopt);
}

// The real machine: what the provider says must agree with the kernel.
class RealMachine : public ::testing::Test {
protected:
    void SetUp() override {
        env_.root = (dir_.path() / "vintrel").string();
        drives_ = makeLinuxDrives(env_);
    }
    test::TempDir dir_;
    LinuxEnvironment env_;
    std::unique_ptr<LinuxDrives> drives_;
};

TEST_F(RealMachine, Invariants) {
    EXPECT_EQ(drives_->driveType("C:\\"), DRIVE_FIXED);
    std::set<std::string> bases;
    for (char c = 'A'; c <= 'Z'; ++c) {
        SCOPED_TRACE(std::string(1, c));
        const int type = drives_->driveType(root(c));
        EXPECT_GE(type, DRIVE_NO_ROOT_DIR);
        EXPECT_LE(type, DRIVE_RAMDISK);
        EXPECT_EQ(drives_->driveType(root(c, '/')), type);
        if (c > 'J') {
            EXPECT_EQ(type, DRIVE_NO_ROOT_DIR);
        }
        const auto base = drives_->basePath(c);
        if (type == DRIVE_NO_ROOT_DIR) {
            EXPECT_FALSE(base);
        }
        if (!base) continue;
        EXPECT_TRUE(bases.insert(*base).second) << *base << " lettered twice";
        if (type == DRIVE_REMOTE) continue;
        const auto space = drives_->diskFreeSpace(root(c));
        ASSERT_TRUE(space) << *base;
        EXPECT_GT(space->totalBytes, 0);
        EXPECT_GE(space->freeBytesAvailableToCaller, 0);
        EXPECT_LE(space->freeBytesAvailableToCaller, space->totalBytes);
        const auto info = drives_->volumeInformation(root(c));
        ASSERT_TRUE(info);
        EXPECT_FALSE(info->fileSystemName.empty());
        EXPECT_GE(info->maxComponentLength, 1u);
        EXPECT_LE(info->maxComponentLength, 255u);
    }
}

TEST_F(RealMachine, SpaceAgreesWithStatvfs) {
    const auto space = drives_->diskFreeSpace("C:\\");
    struct statvfs s {};
    ASSERT_EQ(statvfs((env_.root + "/C").c_str(), &s), 0);
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalBytes, static_cast<std::int64_t>(s.f_blocks * s.f_frsize));
    // Other programs write meanwhile: allow a little drift in the free figure.
    const auto free = static_cast<std::int64_t>(s.f_bavail * s.f_frsize);
    EXPECT_NEAR(static_cast<double>(space->freeBytesAvailableToCaller), static_cast<double>(free),
                256.0 * 1024 * 1024);

    // Every lettered local volume answers with its own mount point's figures.
    for (char c = 'D'; c <= 'J'; ++c) {
        const auto base = drives_->basePath(c);
        if (!base || drives_->driveType(root(c)) == DRIVE_REMOTE) continue;
        ASSERT_EQ(statvfs(base->c_str(), &s), 0) << *base;
        EXPECT_EQ(drives_->diskFreeSpace(root(c))->totalBytes,
                  static_cast<std::int64_t>(s.f_blocks * s.f_frsize));
    }
}

TEST_F(RealMachine, MemoryAgreesWithProcMeminfo) {
    const MeminfoFields f = parseMeminfo(readMountedFile("/proc/meminfo"));
    const MemoryStatus m = drives_->memoryStatus();
    ASSERT_TRUE(f.memTotal);
    EXPECT_EQ(m.totalPhys, *f.memTotal);
    EXPECT_EQ(m.totalPageFile, f.swapTotal.value_or(0));
    EXPECT_LE(m.availPhys, m.totalPhys);
    EXPECT_LE(m.availPageFile, m.totalPageFile);
    EXPECT_LE(m.memoryLoad, 100u);
    EXPECT_GT(m.totalVirtual, 0u);
    EXPECT_LT(m.availVirtual, m.totalVirtual);  // this process has mappings
}

// Mounting in a private mount namespace (a child process, so the test's own view is
// untouched) must reach the drive table without an explicit refresh.
TEST_F(RealMachine, NoticesMountTableChanges) {
    const std::string over = env_.root;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(77);
        // Opened after unshare: a mountinfo file shows the namespace it was opened in.
        MountWatch watch("/proc/self/mountinfo");
        if (!watch.changed() || watch.changed()) _exit(2);
        const auto drives = makeLinuxDrives(env_);
        const auto before = drives->volumeInformation("C:\\");
        if (!before || before->fileSystemName == "TMPFS") _exit(77);  // already on tmpfs: nothing to see
        if (mount("vintrel-test", over.c_str(), "tmpfs", 0, "size=1m") != 0) _exit(77);
        if (!watch.changed()) _exit(3);
        std::this_thread::sleep_for(std::chrono::milliseconds(120));  // past the check interval
        const auto after = drives->volumeInformation("C:\\");
        _exit(after && after->fileSystemName == "TMPFS" ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace vintrel::platform::linux_host

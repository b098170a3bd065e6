#include <gtest/gtest.h>

#include "drives_fixtures.h"
#include "platform/linux/mount_table.h"

namespace vintrel::platform::linux_host {
namespace {

using test::linuxFixture;

const MountEntry* byTarget(const std::vector<MountEntry>& mounts, std::string_view target) {
    for (const MountEntry& m : mounts)
        if (m.target == target) return &m;
    return nullptr;
}

TEST(MountTable, ParsesFixtures) {
    struct Case {
        const char* file;
        std::size_t count;
        const char* target;
        int id;
        unsigned major, minor;
        const char* root;
        const char* fsType;
        const char* source;
    };
    const Case cases[] = {
        {"desktop.txt", 27, "/", 22, 259, 2, "/", "ext4", "/dev/nvme0n1p2"},
        // Octal escapes in mount points are decoded.
        {"desktop.txt", 27, "/media/ana/Ubuntu 22.04 LTS amd64", 42, 11, 0, "/", "iso9660", "/dev/sr0"},
        {"desktop.txt", 27, "/srv/www", 40, 259, 3, "/ana/www", "ext4", "/dev/nvme0n1p3"},
        {"desktop.txt", 27, "/home/ana/remote", 46, 0, 52, "/", "fuse.sshfs", "ana@server.example:/home/ana"},
        {"fedora_btrfs.txt", 13, "/", 60, 0, 32, "/root", "btrfs", "/dev/nvme0n1p3"},
        {"fedora_btrfs.txt", 13, "/home", 64, 0, 32, "/home", "btrfs", "/dev/nvme0n1p3"},
        {"container.txt", 14, "/", 500, 0, 60, "/", "overlay", "overlay"},
        {"container.txt", 14, "/etc/hosts", 510, 8, 1, "/var/lib/docker/containers/abc/hosts", "ext4",
         "/dev/sda1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.target);
        const auto mounts = parseMountInfo(linuxFixture(std::string("mountinfo/") + c.file));
        EXPECT_EQ(mounts.size(), c.count);
        const MountEntry* m = byTarget(mounts, c.target);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->id, c.id);
        EXPECT_EQ(m->major, c.major);
        EXPECT_EQ(m->minor, c.minor);
        EXPECT_EQ(m->root, c.root);
        EXPECT_EQ(m->fsType, c.fsType);
        EXPECT_EQ(m->source, c.source);
    }
}

TEST(MountTable, SkipsMalformedLinesAndKeepsTheRest) {
    const auto mounts = parseMountInfo(linuxFixture("mountinfo/broken.txt"));
    std::vector<int> ids;
    for (const MountEntry& m : mounts) ids.push_back(m.id);
    // Not mountinfo, missing fields, a bad device number, a relative mount point and binary
    // junk are dropped; an over-long line is still a mount.
    EXPECT_EQ(ids, (std::vector<int>{22, 26, 27, 29, 30}));
    EXPECT_EQ(mounts.back().target, "/mnt/last");

    const std::vector<std::string> junk = {
        "", "\n\n", "garbage", "1 2 3", "26 1 254:0 / / rw - ext4", std::string("\0\0\0", 3)};
    for (const std::string& text : junk) EXPECT_TRUE(parseMountInfo(text).empty()) << text;
}

// Octal escapes in paths and names, optional fields before "-", and a source left empty.
TEST(MountTable, EscapedFieldsAndAnEmptySource) {
    const auto mounts = parseMountInfo(
        "5 1 8:1 /a\\040b /mnt/x\\011y rw shared:1 master:2 - ext4 /dev/sd\\134a rw,x=1\n"
        "6 1 0:50 / /mnt/e rw - fuse.x  rw\n");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].root, "/a b");
    EXPECT_EQ(mounts[0].target, "/mnt/x\ty");
    EXPECT_EQ(mounts[0].source, "/dev/sd\\a");
    EXPECT_EQ(mounts[0].vfsOptions, "rw");
    EXPECT_EQ(mounts[0].fsOptions, "rw,x=1");
    EXPECT_EQ(mounts[1].fsType, "fuse.x");
    EXPECT_EQ(mounts[1].source, "");
    EXPECT_EQ(mounts[1].fsOptions, "rw");
}

TEST(MountTable, MountOptions) {
    struct Case {
        const char* options;
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"rw,relatime", "rw", true},
        {"rw,relatime", "ro", false},
        {"ro", "ro", true},
        {"rw,compress=zstd:1,ssd", "compress", true},
        {"rw,compress-force=zstd", "compress", false},
        {"rw,compress-force=zstd", "compress-force", true},
        {"rw,nocompress", "compress", false},
        {"", "ro", false},
        {",,ro,,", "ro", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hasMountOption(c.options, c.name), c.expected) << c.options << " " << c.name;

    MountEntry m;
    m.vfsOptions = "rw,relatime";
    m.fsOptions = "ro";
    EXPECT_TRUE(m.readOnly());
    m.fsOptions = "rw";
    EXPECT_FALSE(m.readOnly());
}

TEST(MountTable, PathIsUnder) {
    struct Case {
        const char* path;
        const char* folder;
        bool expected;
    };
    const Case cases[] = {
        {"/run/user/1000", "/run", true},
        {"/run", "/run", true},
        {"/running", "/run", false},
        {"/anything", "/", true},
        {"/", "/", true},
        {"relative", "/", false},
        {"/ru", "/run", false},
        {"/home/a", "/home/a/b", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pathIsUnder(c.path, c.folder), c.expected) << c.path << " " << c.folder;
}

TEST(MountTable, HoldingMount) {
    auto mounts = parseMountInfo(linuxFixture("mountinfo/desktop.txt"));
    struct Case {
        const char* path;
        const char* holder;
    };
    const Case cases[] = {
        {"/home/ana/.local/share/vintrel/C", "/home"},
        {"/home/ana/remote/docs", "/home/ana/remote"},
        {"/homework", "/"},
        {"/", "/"},
        {"/tmp/vintrel-test-1/C", "/tmp"},
        {"/media/ana/Ubuntu 22.04 LTS amd64/casper", "/media/ana/Ubuntu 22.04 LTS amd64"},
    };
    for (const Case& c : cases) {
        const auto i = holdingMount(mounts, c.path);
        ASSERT_TRUE(i.has_value()) << c.path;
        EXPECT_EQ(mounts[*i].target, c.holder) << c.path;
    }
    EXPECT_FALSE(holdingMount({}, "/home").has_value());

    // A later mount on the same mount point hides the earlier one.
    mounts = parseMountInfo(
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:17 / /mnt/usb rw - vfat /dev/sdb1 rw\n"
        "3 1 0:40 / /mnt/usb rw - tmpfs tmpfs rw\n");
    const auto i = holdingMount(mounts, "/mnt/usb/file");
    ASSERT_TRUE(i.has_value());
    EXPECT_EQ(mounts[*i].id, 3);
}

}  // namespace
}  // namespace vintrel::platform::linux_host

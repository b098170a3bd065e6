#pragma once
// A mount table of any length, as a busy machine has one: the system disk at "/", a home disk,
// a data disk, a RAM disk and an NFS share, among the kernel's own mounts, tmpfs folders, bind
// mounts of the home disk, container overlays, loop-mounted images and more shares in system
// folders. Whatever its length, the volumes that get letters are the same five:
//   C: "/" (the per-user root lives there), D: /home, E: /media/ram (RAM disk),
//   F: /mnt/data, G: /mnt/nfs (network).
// Used by the drive tests and by the mount-change benchmark.

#include <string>

namespace vintrel::test {

inline std::string generatedMountTable(int lines) {
    static const char* const kLettered[] = {
        "1 0 8:1 / / rw,relatime - ext4 /dev/sda1 rw",
        "2 1 0:5 / /dev rw,nosuid - devtmpfs udev rw",
        "3 1 0:21 / /proc rw - proc proc rw",
        "4 1 0:22 / /sys rw - sysfs sysfs rw",
        "5 1 0:25 / /run rw - tmpfs tmpfs rw",
        "6 2 0:26 / /dev/shm rw - tmpfs tmpfs rw",
        "7 1 8:2 / /home rw - ext4 /dev/sda2 rw",
        "8 1 8:17 / /mnt/data rw - ext4 /dev/sdb1 rw",
        "9 1 0:40 / /media/ram rw - tmpfs ramdisk rw",
        "10 1 0:41 / /mnt/nfs rw - nfs4 server:/export rw",
        "11 1 0:42 / /media/ro-ram ro - tmpfs tmpfs ro",
    };
    std::string table;
    int id = 0;
    for (const char* line : kLettered) {
        if (id++ == lines) return table;
        (table += line) += '\n';
    }
    // The filler: six kinds of mount that never take a letter, in turn.
    for (int n = 0; id < lines; ++id, ++n) {
        const std::string k = std::to_string(n);
        const std::string head = std::to_string(id + 1) + " 1 ";
        switch (n % 6) {
            case 0:  // a bind of a folder of the home disk
                table += head + "8:2 /ana/proj" + k + " /srv/bind" + k + " rw - ext4 /dev/sda2 rw\n";
                break;
            case 1:  // a container's root
                table += head + "0:" + std::to_string(100 + n) + " / /var/lib/docker/overlay2/" + k +
                         "/merged rw - overlay overlay rw,lowerdir=/l" + k + "\n";
                break;
            case 2:  // a snap's image
                table += head + "7:" + k + " / /snap/app" + k + "/1 ro - squashfs /dev/loop" + k + " ro\n";
                break;
            case 3:  // a user's runtime folder
                table += head + "0:" + std::to_string(400 + n) + " / /run/user/" + k +
                         " rw - tmpfs tmpfs rw\n";
                break;
            case 4:  // a loop-mounted disk image
                table += head + "7:" + std::to_string(500 + n) + " / /mnt/image" + k +
                         " rw - ext4 /dev/loop" + std::to_string(500 + n) + " rw\n";
                break;
            default:  // a share in a system folder
                table += head + "0:" + std::to_string(700 + n) + " / /var/lib/shares/" + k +
                         " rw - cifs //nas/s" + k + " rw\n";
                break;
        }
    }
    return table;
}

}  // namespace vintrel::test

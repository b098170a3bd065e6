#pragma once
// Drive letters, volumes and memory of the Linux machine.
//
// Letters:
// - C: is the folder <root>/C, a fixed disk whatever holds it (Windows' system drive always
//   is one), with the label, serial, file system and space of the Linux filesystem that holds it;
// - D: to J: are the machine's other volumes (see volume_plan.h for which mounts count), in
//   the order "/" first, then by mount point, then optical drives without a disc; each keeps
//   its letter while it stays mounted, a new one takes the first free letter, and volumes
//   past J: get none;
// - A: and B: are floppy drives, when one is mounted.
// The table is re-read only when the kernel reports a mount-table change, and that is
// checked at most every 50 ms, so the hot queries (driveType, diskFreeSpace) stay cheap.
//
// Local space figures are reused for 100 ms (a disk tick's repeated queries cost one statvfs).
// Network volumes are never measured on the calling thread: their space comes from a
// background statvfs (volume_space.h), their name-length limit is taken as 255.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/platform.h"
#include "platform/host/drive_map.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/meminfo.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/mount_watch.h"
#include "platform/linux/volume_plan.h"
#include "platform/linux/volume_probe.h"
#include "platform/linux/volume_space.h"

namespace vintrel::platform::linux_host {

class LinuxDrives : public DrivesAndMemory, public host::DriveMap {
public:
    // Creates <root> (mode 0700) and <root>/C when missing.
    explicit LinuxDrives(const LinuxEnvironment& env);
    ~LinuxDrives() override;

    int driveType(std::string_view root) override;
    void driveTypes(std::span<int> types) override;  // under one lock and one mount-table check
    std::optional<VolumeInformation> volumeInformation(std::string_view root) override;
    std::optional<DiskSpace> diskFreeSpace(std::string_view root) override;
    MemoryStatus memoryStatus() override;
    std::optional<std::string> basePath(char letter) override;

    // Re-reads the mount table now, whether or not it changed.
    void refresh();

    // The drive letter of a root "X:\" or "X:/" (either case) as 0..25; none for anything else.
    static std::optional<int> driveIndex(std::string_view root);

private:
    struct Drive {
        int type = DRIVE_NO_ROOT_DIR;
        std::string basePath;             // empty for an optical drive without a disc
        std::optional<MountEntry> mount;  // the mount that holds basePath
        std::optional<BlockDevice> device;
        bool network = false;
        // The last local space figure: a tick asks up to 14 times per disk within a
        // millisecond, and statvfs is the whole cost of the tick.
        std::optional<DiskSpace> space;
        std::int64_t spaceAtNs = 0;
    };

    void refreshIfChanged();
    void rebuild();
    void holdCFolder();

    LinuxEnvironment env_;
    std::string cPath_;
    // C's folder, held open while it lies on the filesystem of the root folder (which the
    // program uses anyway), so that its space is asked without walking its path; -1 otherwise.
    int cFolder_ = -1;
    std::mutex mutex_;
    MountWatch watch_;
    DeviceProbe probe_;
    LetterAssigner floppyLetters_{'A', 'B'};
    LetterAssigner volumeLetters_{'D', 'J'};
    std::array<Drive, 26> drives_;
    std::int64_t lastCheckNs_ = 0;
    BackgroundSpace networkSpace_;
    std::mutex memoryMutex_;
    MeminfoReader meminfo_;
};

std::unique_ptr<LinuxDrives> makeLinuxDrives(const LinuxEnvironment& env);

}  // namespace vintrel::platform::linux_host

#pragma once
// A machine profile: the JSON file that describes a simulated machine (docs/machine-profile.md).

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::platform::sim {

struct DriveProfile {
    int type = DRIVE_NO_ROOT_DIR;
    VolumeInformation volume;
    std::int64_t totalBytes = 0;
    std::int64_t freeBytes = 0;
    bool volumeQueryFails = false;
    bool spaceQueryFails = false;
};

struct Profile {
    std::array<DriveProfile, 26> drives{};  // 'A'..'Z'
    MemoryStatus memory;
    ScreenSize screen{800, 600};
    std::optional<std::uint32_t> bitsPerPixel;  // stored where the display configuration keeps it
    LocaleInfo locale;
    std::string registryText;               // REGEDIT4, Windows-1252
    std::vector<std::string> folders;       // DOS paths
    struct File {
        std::string path;                   // DOS path
        std::string content;                // Windows-1252
    };
    std::vector<File> files;
    std::uint32_t waveOutDevices = 0;
    std::optional<std::uint64_t> tscTicksPerSecond;  // absent: no time-stamp counter
    bool priorityRaiseFails = false;
    std::vector<PrinterInfo> printers;
    std::vector<std::string> windows;       // top-level window titles
    bool launchesFail = false;              // no program can be started
    std::uint32_t platformId = VER_PLATFORM_WIN32_NT;
    std::optional<LocalTime> localTime;  // clock.localTime; absent: the real clock  // 1: Windows 95/98, 2: NT family
};

// A profile that cannot be read or understood; what() names the file and the problem.
class ProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses profile text (UTF-8 JSON); `origin` names it in messages.
Profile parseProfile(const std::string& json, const std::string& origin);
Profile loadProfile(const std::string& path);

}  // namespace vintrel::platform::sim

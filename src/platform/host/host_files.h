#pragma once
// The files-and-folders group of the platform on the host file system: DOS paths resolve
// through a DriveMap (see dos_path.h) and every failure is a Win32 error code.

#include <memory>

#include "platform/api/platform.h"
#include "platform/host/drive_map.h"

namespace vintrel::platform::host {

class HostFiles : public Files {
public:
    // The drive map must outlive this object.
    explicit HostFiles(DriveMap& drives) : drives_(drives) {}

    // Folder 0x10, file 0x20, either with read-only 0x01 when we may not write it.
    std::uint32_t fileAttributes(std::string_view path) override;
    // 183 when the name exists, 3 when its folder is missing, 5 for a drive root.
    std::uint32_t createDirectory(std::string_view path) override;
    // 145 when not empty, 2 when missing (3 when its folder is), 267 for a file, 5 for a drive
    // root. A link to a folder is removed itself, as Windows removes a junction.
    std::uint32_t removeDirectory(std::string_view path) override;
    bool fileExists(std::string_view path) override;
    // See replaceWholeFile (whole_file.h); 3 when a folder on the path is missing.
    std::uint32_t writeWholeFile(std::string_view path, std::string_view bytes) override;
    // See ini_profile.h; a missing or unreadable file gives the default.
    std::string privateProfileString(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::uint32_t bufferSize,
                                     std::string_view file) override;
    std::string hostPath(std::string_view path) override;

private:
    DriveMap& drives_;
};

std::unique_ptr<Files> makeHostFiles(DriveMap& drives);

}  // namespace vintrel::platform::host

#include "platform/host/host_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host/dos_path.h"
#include "platform/host/host_errors.h"
#include "platform/host/ini_profile.h"
#include "platform/host/whole_file.h"

namespace vintrel::platform::host {
namespace {

// Initialisation files past this size are not read (Windows 9x stopped at 64 KB).
constexpr std::size_t kMaxProfileBytes = 4 * 1024 * 1024;

}  // namespace

std::uint32_t HostFiles::fileAttributes(std::string_view path) {
    const ResolvedPath resolved = resolveDosPath(drives_, path);
    if (resolved.error != 0 || !resolved.exists) return INVALID_FILE_ATTRIBUTES;
    struct stat st {};
    if (::stat(resolved.hostPath.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!writableByUser(resolved.hostPath, st.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

std::uint32_t HostFiles::createDirectory(std::string_view path) {
    const ResolvedPath resolved = resolveDosPath(drives_, path);
    if (resolved.error != 0) return resolved.error;
    if (resolved.isDriveRoot) return ERROR_ACCESS_DENIED;
    if (resolved.exists) return ERROR_ALREADY_EXISTS;
    if (::mkdir(resolved.hostPath.c_str(), 0777) == 0) return 0;
    const int error = errno;
    return (error == ENOENT || error == ENOTDIR) ? ERROR_PATH_NOT_FOUND : win32FromErrno(error);
}

std::uint32_t HostFiles::removeDirectory(std::string_view path) {
    const ResolvedPath resolved = resolveDosPath(drives_, path);
    if (resolved.error != 0) return resolved.error;
    if (resolved.isDriveRoot) return ERROR_ACCESS_DENIED;
    if (!resolved.exists) return ERROR_FILE_NOT_FOUND;
    const char* host = resolved.hostPath.c_str();
    struct stat st {};
    if (::lstat(host, &st) != 0) return win32FromErrno(errno);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(host, &target) != 0 || !S_ISDIR(target.st_mode)) return kErrorDirectory;
        return ::unlink(host) == 0 ? 0 : win32FromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode)) return kErrorDirectory;
    if (::rmdir(host) == 0) return 0;
    const int error = errno;
    return error == EEXIST ? ERROR_DIR_NOT_EMPTY : win32FromErrno(error);
}

bool HostFiles::fileExists(std::string_view path) {
    const ResolvedPath resolved = resolveDosPath(drives_, path);
    if (resolved.error != 0 || !resolved.exists) return false;
    struct stat st {};
    return ::stat(resolved.hostPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::uint32_t HostFiles::writeWholeFile(std::string_view path, std::string_view bytes) {
    const ResolvedPath resolved = resolveDosPath(drives_, path);
    if (resolved.error != 0) return resolved.error;
    if (resolved.isDriveRoot) return ERROR_ACCESS_DENIED;
    return replaceWholeFile(resolved.hostPath, bytes);
}

std::string HostFiles::privateProfileString(std::string_view section, std::string_view key,
                                            std::string_view defaultText, std::uint32_t bufferSize,
                                            std::string_view file) {
    const ResolvedPath resolved = resolveDosPath(drives_, file);
    std::optional<std::string> bytes;
    if (resolved.error == 0 && resolved.exists) bytes = readSmallFile(resolved.hostPath, kMaxProfileBytes);
    return profileString(bytes, section, key, defaultText, bufferSize);
}

std::string HostFiles::hostPath(std::string_view path) {
    ResolvedPath resolved = resolveDosPath(drives_, path);
    return resolved.error == 0 ? std::move(resolved.hostPath) : std::string();
}

std::unique_ptr<Files> makeHostFiles(DriveMap& drives) {
    return std::make_unique<HostFiles>(drives);
}

}  // namespace vintrel::platform::host

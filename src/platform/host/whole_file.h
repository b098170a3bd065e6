#pragma once
// Whole-file reads and writes on host paths, with Win32 error codes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel::platform::host {

// The bytes of a regular file of at most maxBytes; nullopt when it is missing, unreadable,
// not a regular file or larger. Never blocks on a FIFO.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes);
// The same for `name` in the open folder `folderFd` (AT_FDCWD: the current one), without
// walking the folder's path again for each of its files.
std::optional<std::string> readSmallFileAt(int folderFd, const char* name, std::size_t maxBytes);

// Replaces the whole content of the file at hostPath (UTF-8), as one step: the bytes go to a
// hidden temporary file in the same folder, which is synced and renamed over the target, so
// readers see the old file or the new one, never a part. Temporary files that writers ended
// part-way (a SIGKILL) left in the folder are removed first. A file that exists keeps its
// permission bits. Returns 0 or a Win32 code:
// - ERROR_PATH_NOT_FOUND (3): the folder is missing;
// - ERROR_ACCESS_DENIED (5): the file or the folder is read-only (no write permission for us,
//   or no write bit at all, which stops even root, as the read-only attribute does), or the
//   target is a folder or not a regular file;
// - ERROR_SHARING_VIOLATION (32): another open file holds an advisory lock (flock, POSIX or
//   open-file-description) on the target. The target is locked exclusively while it is
//   replaced, so two writers never interleave;
// - ERROR_DISK_FULL (112) and others for write failures; the target is then left untouched
//   and the temporary file removed.
std::uint32_t replaceWholeFile(const std::string& hostPath, std::string_view bytes);

// The folder a host path names its entry in: "." for a bare name, "/" for an entry of the root.
std::string folderOf(const std::string& path);

// Write permission as the read-only attribute sees it: some write bit set and writable by us.
bool writableByUser(const std::string& hostPath, unsigned mode);

}  // namespace vintrel::platform::host

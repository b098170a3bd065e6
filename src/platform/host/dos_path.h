#pragma once
// DOS paths ("c:\Windows\system.ini") to host paths. The drive letter picks the drive's host
// folder (DriveMap); then each component is matched against the names on disk without regard
// to letter case, as Windows does. DOS texts are Windows-1252; names on disk are UTF-8.
//
// Rules:
// - "\" and "/" both separate; repeated separators collapse. A path without a drive, or with
//   a drive and no separator after the colon ("C:x"), is taken from the root of the current
//   drive, which is always C: (the process's current folder is the drive root).
// - "." is ignored; ".." drops the previous component and never climbs above the drive root,
//   as Windows normalises paths before it looks at the disk. Trailing dots and blanks of a
//   component are dropped, as Windows drops them.
// - A component holding < > : " | ? * or a control character is ERROR_INVALID_NAME (123);
//   so is one longer than 255 bytes in UTF-8.
// - Unknown drive, network ("\\server\share") and device ("\\?\") paths: ERROR_PATH_NOT_FOUND.
// - Every component but the last must exist and be a folder (else ERROR_PATH_NOT_FOUND); the
//   last keeps the spelling given when no entry matches it, so that it can be created.
// - Matching: an entry spelled exactly as given wins; otherwise the entries whose names equal
//   the component with Windows-1252 letters folded, the byte-wise smallest when several do.
//   An on-disk name that is not valid UTF-8 is read as Windows-1252 bytes.
//
// Symbolic links are followed. A drive is *owned* when the folder that holds its base belongs
// to the running user and no one else may write to it: the per-user root that holds C: is
// such a folder, a mount point under /media or /run/media is not. Links on an owned drive
// were put there by its user or by the Windows tree itself (C:\WINDOWS\Desktop leads to the
// XDG desktop), so they may lead anywhere. On any other drive a path whose real location
// leaves the drive's folder is refused with ERROR_ACCESS_DENIED, so that a link on a foreign
// volume cannot reach the user's files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/drive_map.h"

namespace vintrel::platform::host {

// A DOS path taken apart, before the disk is consulted.
struct DosPathParts {
    std::uint32_t error = 0;              // 0, ERROR_PATH_NOT_FOUND or ERROR_INVALID_NAME
    char drive = 'C';                     // upper case
    std::vector<std::string> components;  // Windows-1252, with "." and ".." applied
};

// Pure. The text is read up to its first NUL byte, as the ANSI functions read it.
DosPathParts splitDosPath(std::string_view dosPath);

struct ResolvedPath {
    std::uint32_t error = 0;   // 0 or a Win32 error code; the fields below hold only for 0
    std::string hostPath;      // UTF-8, absolute when the drive's folder is
    bool exists = false;       // an entry (maybe a dangling link) has the last component's name
    bool isDriveRoot = false;  // the path names the drive root itself
};

ResolvedPath resolveDosPath(DriveMap& drives, std::string_view dosPath);

struct EntryLookup {
    std::uint32_t error = 0;          // 0, or the folder could not be read
    std::optional<std::string> name;  // the entry's name on disk (UTF-8)
};

// The entry of host folder `folder` that a Windows-1252 name matches, by the matching rule
// above. A folder that is missing or not a folder is ERROR_PATH_NOT_FOUND.
EntryLookup findEntryIgnoringCase(const std::string& folder, std::string_view cp1252Name);

}  // namespace vintrel::platform::host

#pragma once
// C:\WINDOWS\Desktop kept in line with the user's desktop folder, which may be renamed or
// appear after the first start.

#include <string>
#include <vector>

#include "platform/host/windows_tree.h"

namespace vintrel::platform::host {

// Brings the existing Desktop entry at `entry` in line with `desktopDir` (an existing folder,
// or empty when there is none): a link that leads elsewhere is pointed at it; a plain folder,
// made when there was no desktop, has what it holds moved onto the desktop (a name taken there
// gets " (2)", " (3)", ... before its extension; nothing is replaced or deleted) and then
// becomes a link, unless something could not be moved. What cannot be done goes to `problems`.
void followDesktop(const std::string& entry, const std::string& desktopDir,
                   std::vector<TreeProblem>& problems);

// Makes `path` a link to `desktopDir`, replacing a link that stands there; false (with the
// error in errno) when it cannot.
bool linkToDesktop(const std::string& path, const std::string& desktopDir);

}  // namespace vintrel::platform::host

#pragma once
// The Windows tree in the per-user root: the folder that stands for drive C: and, in it,
// C:\WINDOWS, C:\WINDOWS\SYSTEM and C:\WINDOWS\Desktop. First start creates what is missing;
// nothing that exists is ever deleted or replaced, except that Desktop follows the user's
// desktop folder at every start.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vintrel::platform::host {

// Something the tree could not be made to hold; for the caller to report.
struct TreeProblem {
    std::string path;       // host path concerned (UTF-8)
    std::string what;       // what went wrong, in plain words
    std::error_code error;  // the system's error, when there is one
};

// The host folder of drive C: inside the per-user root.
std::string driveCFolder(const std::string& root);

// Creates what is missing of root (mode 0700, parents too), root/C, C:\WINDOWS,
// C:\WINDOWS\SYSTEM and C:\WINDOWS\Menu Iniciar, and C:\WINDOWS\Desktop: a link to desktopDir
// when that is an existing folder, else a plain folder. When `systemIni` is given and
// C:\WINDOWS holds no SYSTEM.INI, it is created with the bytes systemIni() returns (asked only
// then), whole or not at all; one that exists is never rewritten. Entries are found without regard to letter
// case, so an existing "C:\Windows" is used as it is. A Desktop entry that exists is brought in
// line with desktopDir (see followDesktop); a dangling Desktop link with no desktop to lead to
// or a Desktop file is reported. Safe to run by two processes at once.
std::vector<TreeProblem> prepareWindowsTree(const std::string& root, const std::string& desktopDir,
                                            const std::function<std::string()>& systemIni = {});

// The text of a new SYSTEM.INI: a [boot.description] section whose mouse.drv names the
// pointing device (Windows-1252, line ends and control characters made blanks), CR LF.
std::string newSystemIniText(std::string_view mouseDescription);

// The user's desktop folder: XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config), else ~/Desktop; empty when neither is an existing folder, or when the desktop is
// turned off (XDG_DESKTOP_DIR set to the home folder itself).
std::string xdgDesktopDir();
// The same with the home and configuration folders given (for tests).
std::string xdgDesktopDirFrom(const std::string& home, const std::string& configHome);

// Pure: the value of `name` in user-dirs.dirs text, with "$HOME" replaced by home. Only the
// forms name="$HOME/path" and name="/path" are understood, with backslash escapes inside.
std::optional<std::string> parseUserDirsEntry(std::string_view text, std::string_view name,
                                              std::string_view home);

}  // namespace vintrel::platform::host

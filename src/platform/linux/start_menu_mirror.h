#pragma once
// The Start menu's three junction folders (Control Panel, Printers, Dial-up networking under
// C:\WINDOWS\Menu Iniciar) mirrored into the desktop's application menu: a freedesktop menu
// merge file of the program's own, with a .directory file per submenu, and on GNOME Shell,
// which reads no menu files, an app folder each. The mirror is brought in line with the
// folders at start, whenever a program looks at or makes or removes one of them, and touches
// only its own files and its own app folders.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/desktop_env.h"

namespace vintrel::platform::linux_host {

struct StartMenuFolder {
    const char* clsid;  // the junction's class identifier, "{21EC2020-...}"
    const char* id;     // names the submenu, its .directory file and its app folder
    const char* name;   // the submenu's name (UTF-8)
    const char* icon;
};
inline constexpr std::size_t kStartMenuFolders = 3;
const std::array<StartMenuFolder, kStartMenuFolders>& startMenuFolders();

// Which of the folders are shown, in the table's order.
using ShownFolders = std::array<bool, kStartMenuFolders>;

// Pure: the merge file's text for the shown folders (the settings submenu leaves out what has
// a submenu of its own), and a folder's .directory text.
std::string startMenuMergeText(const ShownFolders& shown);
std::string startMenuDirectoryText(const StartMenuFolder& folder);

// The freedesktop category a folder gathers ("Settings", "Printing", "Dialup") and the
// desktop entries it takes by name where they lack the category.
const char* startMenuCategory(std::size_t folder);
std::vector<std::string> startMenuNamedEntries(std::size_t folder);

// Pure: the index of the junction a folder name ends in (".{CLSID}", any letter case), or -1.
int junctionIndex(std::string_view folderName);

// Scans a host folder (UTF-8) for junction folders.
ShownFolders shownFoldersIn(const std::string& startMenuFolder);

struct StartMenuPaths {
    std::string configHome;  // XDG_CONFIG_HOME, else ~/.config
    std::string dataHome;    // XDG_DATA_HOME, else ~/.local/share
    std::string menuPrefix;  // XDG_MENU_PREFIX ("xfce-"), usually empty
    bool gnomeAppFolders = false;  // GNOME Shell: app folders through GSettings too
};
StartMenuPaths startMenuPathsFromProcess();

// Writes, rewrites or removes the program's own menu files and app folders to show exactly
// the shown folders. Files already as they should be are left alone.
void syncStartMenu(const StartMenuPaths& paths, const ShownFolders& shown);

// Files whose junction folders are mirrored: creating, removing or looking at one brings the
// mirror in line with the folder that holds it. `inner` must outlive the result.
std::unique_ptr<Files> makeStartMenuFiles(Files& inner, StartMenuPaths paths);
// Brings the mirror in line with the Start menu of the Windows directory (DOS path).
void syncStartMenuOf(Files& files, const StartMenuPaths& paths, std::string_view windowsDirectory);

}  // namespace vintrel::platform::linux_host

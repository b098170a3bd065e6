#pragma once
// The desktop applications installed on this machine that a package manager can remove:
// desktop entries from the XDG data folders, each with the package that owns it (a Debian
// package through dpkg's file lists, a flatpak or a snap through the folder that exported it)
// and the command that would remove that package. The command is only ever shown.

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vintrel::platform::linux_host {

struct InstalledProgram {
    std::string id;                // desktop-file id, "org.gnome.TextEditor.desktop"
    std::string name;              // the entry's name for the locale (UTF-8)
    std::string uninstallCommand;  // "apt-get remove gnome-text-editor" (UTF-8)
    std::string desktopFile;       // host path of the entry
};

// Where the applications are looked for; tests point these at fixtures.
struct ProgramSources {
    std::string dataHome;               // XDG_DATA_HOME
    std::vector<std::string> dataDirs;  // XDG_DATA_DIRS
    // Export folders of flatpak and snapd, read after the XDG ones when not among them.
    std::vector<std::string> exportDirs = {"/var/lib/flatpak/exports/share", "/var/lib/snapd/desktop"};
    std::string path;                                // PATH, for TryExec
    std::string dpkgInfoDir = "/var/lib/dpkg/info";  // the *.list files
    std::string locale = "pt_BR";                    // which Name[...] is shown

    // The process's XDG folders and PATH (with the XDG base-directory
    // defaults), the user's flatpak exports added to exportDirs.
    static ProgramSources fromProcess();
};

// Pure: the package that a dpkg file list belongs to, from its file name ("vim.list",
// "libc6:amd64.list"); nullopt for any other name (".list" alone, unexpected characters).
std::optional<std::string> packageOfListFile(std::string_view fileName);

// Pure: adds every line of a dpkg file list that names a desktop entry ("....desktop") to
// `index` as owned by `package`; a path already indexed keeps its first owner.
void indexDesktopPaths(std::string_view listText, const std::string& package,
                       std::unordered_map<std::string, std::string>& index);

// Which Debian package installed each desktop entry, from dpkg's file lists: one pass over
// all of them at the first question, again only after the folder changed (a package was
// installed or removed).
class DpkgDesktopIndex {
public:
    explicit DpkgDesktopIndex(std::string infoDir) : infoDir_(std::move(infoDir)) {}
    std::optional<std::string> owner(const std::string& path);
    unsigned builds() const { return builds_; }

private:
    void refresh();
    std::string infoDir_;
    std::unordered_map<std::string, std::string> index_;
    std::optional<timespec> builtFor_;  // the folder's change time when the index was built
    unsigned builds_ = 0;
};

// Pure: the command that removes a package, or nullopt when the name is not one that
// package manager accepts (so nothing odd reaches the text).
std::optional<std::string> debianRemoveCommand(std::string_view package);
std::optional<std::string> flatpakRemoveCommand(std::string_view appId);
std::optional<std::string> snapRemoveCommand(std::string_view snapName);

// What a gathering of the programs read: the sources it was given and the change time of
// every applications folder it looked in (and of dpkg's folder). While the sources are the
// same and none of those folders changed, gathering again finds the same programs, since
// installing or removing a package, flatpak or snap adds or removes files in them. Not
// seen: an entry edited in place, a TryExec program installed outside a package. A folder
// changed within a second before the gathering proves nothing (a change in the same clock
// tick keeps its time), so it counts as changed.
class ProgramSourcesSnapshot {
public:
    // Whether gathering from `sources` now would read what was read then.
    bool unchanged(const ProgramSources& sources) const;

private:
    friend void forEachInstalledProgram(const ProgramSources&, DpkgDesktopIndex&,
                                        const std::function<void(InstalledProgram&&)>&, ProgramSourcesSnapshot*);
    static std::string keyOf(const ProgramSources& sources);
    std::string sources_;
    timespec gatheredAt_{};
    // Each folder with its change time; none for a folder that was not there.
    std::vector<std::pair<std::string, std::optional<timespec>>> folders_;
};

// Every application that a menu shows (NoDisplay, Hidden and TryExec honoured; the first
// entry of a desktop-file id wins, so a user's hidden copy hides the system's) and that a
// package owns, in the order found.
std::vector<InstalledProgram> listInstalledPrograms(const ProgramSources& sources, DpkgDesktopIndex& dpkg);
// The same, each program handed to `take` as it is found instead of all of them kept at once.
// When `snapshot` is given, it records what was read.
void forEachInstalledProgram(const ProgramSources& sources, DpkgDesktopIndex& dpkg,
                             const std::function<void(InstalledProgram&&)>& take,
                             ProgramSourcesSnapshot* snapshot = nullptr);

}  // namespace vintrel::platform::linux_host

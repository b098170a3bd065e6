#pragma once
// The shell group on Linux: ShellExecute requests started as Linux programs (see
// launchCommand in desktop_env.h for the mapping), and the recent-documents list.

#include <memory>
#include <string>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/desktop_env.h"

namespace vintrel::platform::linux_host {

// Starts programs. Tests record the argument vectors instead.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts argv[0] (searched in PATH) with these arguments, detached from this process;
    // true when the program was executed.
    virtual bool spawnDetached(const std::vector<std::string>& argv) = 0;
};

// The real launcher: no shell; a child in its own session whose own child executes the
// program (so nothing is left to reap), standard streams on /dev/null, no inherited
// descriptors. An exec failure is reported back through a close-on-exec pipe.
std::unique_ptr<Launcher> makeProcessLauncher();

// The parts of the user's environment the shell looks at.
struct ShellEnvironment {
    std::string path;                     // PATH
    std::string currentDesktop;           // XDG_CURRENT_DESKTOP
    std::string desktopSession;           // DESKTOP_SESSION
    std::string dataHome;                 // XDG_DATA_HOME, else ~/.local/share
    std::vector<std::string> dataDirs;    // XDG_DATA_DIRS, else /usr/local/share, /usr/share
    std::string configHome;               // XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> configDirs;  // XDG_CONFIG_DIRS, else /etc/xdg

    static ShellEnvironment fromProcess();
};

// The desktop entries listed for a MIME type in one section of a mimeapps.list, defaults.list
// ("[Default Applications]") or mimeinfo.cache ("[MIME Cache]"), in their order.
std::vector<std::string> defaultApplicationsFrom(std::string_view mimeappsText, std::string_view mimeType,
                                                 std::string_view section = "[Default Applications]");

// The desktop entry that opens a MIME type, as `xdg-mime query default` finds it: the
// desktop's own and the common mimeapps.list of the user's and the system's configuration and
// application folders, then the system's defaults.list, then the first application installed
// for the type (mimeinfo.cache).
std::optional<std::string> defaultApplicationOf(const ShellEnvironment& env, std::string_view mimeType);

// True when `program` (a bare name) is an executable file in one of PATH's folders.
bool programInPath(std::string_view program, std::string_view path);

// The context that launchCommand decides in: the running desktop, PATH and the XDG folders
// of `environment`, DOS paths through `files`, App Paths from `registry`. The references must
// outlive the context.
LaunchContext makeLaunchContext(Registry& registry, Files& files, const ShellEnvironment& environment);

// Replaces `file` with an empty, valid recently-used list (mode 0600) through a temporary
// file and a rename, so the desktop's watchers never see a half-written list. A missing file
// is left missing. True when the list is empty afterwards.
bool clearRecentlyUsedFile(const std::string& file);

// ShellExecute returns 42 when a program was started and ERROR_FILE_NOT_FOUND (2) when the
// request maps to nothing or the program could not be executed. App Paths overrides are
// read from `registry`; DOS paths resolve through `files`. The references must outlive
// the shell.
std::unique_ptr<Shell> makeLinuxShell(Registry& registry, Files& files, Launcher& launcher,
                                      ShellEnvironment environment = ShellEnvironment::fromProcess());
// The same with its own process launcher.
std::unique_ptr<Shell> makeLinuxShell(Registry& registry, Files& files);

}  // namespace vintrel::platform::linux_host

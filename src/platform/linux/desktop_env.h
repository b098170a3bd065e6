#pragma once
// Which desktop the user runs, and which Linux program stands in for each Windows program
// or control panel applet that the system starts through the shell. Pure: the environment,
// PATH and the Windows tree are reached through the context's functions.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/command_words.h"

namespace vintrel::platform::linux_host {

enum class Desktop { Unknown, Gnome, Kde, Xfce, Cinnamon, Mate, Lxqt, Budgie };

// From XDG_CURRENT_DESKTOP (a colon-separated list, "ubuntu:GNOME"), else DESKTOP_SESSION.
Desktop detectDesktop(std::string_view currentDesktop, std::string_view desktopSession);

struct LaunchContext {
    Desktop desktop = Desktop::Unknown;
    std::function<bool(std::string_view program)> programExists;        // found in PATH
    std::function<bool(std::string_view desktopFile)> hasDesktopEntry;  // "gnome-about-panel.desktop"
    std::function<std::string(std::string_view dosPath)> hostPath;      // "" when it names nothing
    std::function<bool(std::string_view dosPath)> fileExists;           // an existing file
    // HKLM "...\App Paths\<name>" default value, UTF-8; nullopt when not set.
    std::function<std::optional<std::string>(std::string_view name)> appPath;
    // The desktop entry the user chose for a MIME type ("org.gnome.gedit.desktop").
    std::function<std::optional<std::string>(std::string_view mimeType)> defaultApplication;
};

// The argument vector that carries out a ShellExecute request, or nullopt when the request
// maps to nothing here (ShellExecute then fails with ERROR_FILE_NOT_FOUND):
// - http:, https:, ftp: addresses: xdg-open (else sensible-browser, x-www-browser);
//   mailto: xdg-email, else xdg-open.
// - Program names compare without regard to case, with or without a folder or ".exe".
//   An App Paths command for the name (for Control.exe, for the applet "Desk.cpl") replaces
//   the built-in choice; the files a program was given are appended as host paths.
// - Control.exe: Desk.cpl the display settings, sysdm.cpl the system information panel,
//   no applet the settings application; the running desktop's tool first, then any known
//   one found in PATH.
// - Notepad.exe: an existing .txt file opens in the user's text/plain choice: told to read
//   Windows-1252 where that editor takes an encoding option, else through xdg-open; other
//   files, or none, in the desktop's text editor (with the encoding option where it has one). sysedit.exe:
//   the text editor on those of C:\AUTOEXEC.BAT, C:\CONFIG.SYS, C:\WINDOWS\WIN.INI, C:\WINDOWS\SYSTEM.INI
//   that exist. Msconfig.exe: the desktop's startup-applications settings.
// - Any other existing document (not a program) opens with xdg-open.
std::optional<std::vector<std::string>> launchCommand(const ShellRequest& request,
                                                      const LaunchContext& context);

}  // namespace vintrel::platform::linux_host

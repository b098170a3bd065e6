#pragma once
// Desktop entries (.desktop files, as freedesktop.org defines them): the few keys of
// the [Desktop Entry] group that decide whether an installed application is shown and under
// which name. Pure: the text comes from the caller.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform::linux_host {

struct DesktopEntry {
    std::string type;     // "Application", "Link", "Directory"
    std::string name;     // the best Name for the locale asked for, escapes undone (UTF-8)
    std::string tryExec;  // TryExec, empty when absent
    bool noDisplay = false;
    bool hidden = false;
    std::string flatpakId;     // X-Flatpak: the application id of a flatpak export
    std::string snapInstance;  // X-SnapInstanceName: the snap that exported the entry
};

// The localized-key suffixes tried for a POSIX locale name, best first, as desktop entries
// match them: "pt_BR.UTF-8@x" gives pt_BR@x, pt_BR, pt@x, pt. "C", "POSIX" and "" give none.
std::vector<std::string> localeCandidates(std::string_view locale);

// Parses the text of a desktop entry. Only the [Desktop Entry] group is read; comments,
// blank lines, other groups and lines without "=" are skipped; the first of a repeated key
// counts. Name is Name[<candidate>] for the first candidate of `locale` present, else Name.
// Booleans are true only as "true". Control characters in the name become blanks.
// nullopt when there is no [Desktop Entry] group or it has no Name.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string_view locale = "pt_BR");

// True when a menu shows the entry: an application, neither NoDisplay nor Hidden, and its
// TryExec (if any) found by `programExists`.
template <class ProgramExists>
bool shownInMenus(const DesktopEntry& entry, ProgramExists&& programExists) {
    if (entry.type != "Application" || entry.noDisplay || entry.hidden) return false;
    return entry.tryExec.empty() || programExists(entry.tryExec);
}

}  // namespace vintrel::platform::linux_host

#include "platform/host/windows_tree.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/host/desktop_link.h"
#include "platform/host/durable_write.h"
#include "platform/host/dos_path.h"
#include "platform/host/whole_file.h"
#include "text/lines.h"

namespace vintrel::platform::host {
namespace {

constexpr std::size_t kMaxUserDirsBytes = 64 * 1024;

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string joined(const std::string& folder, std::string_view name) {
    return folder == "/" ? "/" + std::string(name) : folder + "/" + std::string(name);
}

class TreeBuilder {
public:
    std::vector<TreeProblem> problems;

    void report(const std::string& path, std::string what, int error = 0) {
        problems.push_back(
            {path, std::move(what),
             error != 0 ? std::error_code(error, std::generic_category()) : std::error_code()});
    }

    // Creates `path` and its missing parents with `mode`; true when it is a folder afterwards.
    bool makeFolders(const std::string& path, mode_t mode) {
        if (isFolder(path)) return true;
        for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
            const std::string partial = slash == std::string::npos ? path : path.substr(0, slash);
            if (!makeFolder(partial, mode)) return false;
            if (slash == std::string::npos) return true;
        }
    }

    // True when `path` is a folder afterwards, made now or by someone else.
    bool makeFolder(const std::string& path, mode_t mode) {
        if (isFolder(path)) return true;
        if (::mkdir(path.c_str(), mode) == 0) return true;
        const int error = errno;
        if (error == EEXIST && isFolder(path)) return true;
        report(path, error == EEXIST ? "exists and is not a folder" : "cannot create folder",
               error == EEXIST ? 0 : error);
        return false;
    }

    // The folder named `name` in `folder`, in whatever letter case it exists, else made.
    std::optional<std::string> folderIn(const std::string& folder, std::string_view name) {
        const EntryLookup found = findEntryIgnoringCase(folder, name);
        if (found.error != 0) {
            report(folder, "cannot read folder");
            return std::nullopt;
        }
        const std::string path = joined(folder, found.name ? *found.name : name);
        if (found.name) {
            if (isFolder(path)) return path;
            report(path, "exists and is not a folder");
            return std::nullopt;
        }
        if (makeFolder(path, 0777)) return path;
        return std::nullopt;
    }

    // Creates `name` in `folder` with `bytes` unless an entry of that name exists in any letter
    // case: written to a temporary file, then linked into place, which fails rather than
    // replace a file another copy of the program made meanwhile.
    void newFileIn(const std::string& folder, std::string_view name,
                   const std::function<std::string()>& bytes) {
        const EntryLookup found = findEntryIgnoringCase(folder, name);
        if (found.error != 0) {
            report(folder, "cannot read folder");
            return;
        }
        if (found.name) return;
        const std::string path = joined(folder, name);
        // Linked in place only while the name is free: a file another start made meanwhile stays.
        const int error = writeDurably(path, bytes(), 0644, Placement::KeepExisting);
        if (error != 0 && error != EEXIST) report(path, "cannot create file", error);
    }

    void desktopIn(const std::string& windows, const std::string& desktopDir) {
        const EntryLookup found = findEntryIgnoringCase(windows, "Desktop");
        if (found.error != 0) {
            report(windows, "cannot read folder");
            return;
        }
        if (found.name) {
            followDesktop(joined(windows, *found.name), desktopDir, problems);
            return;
        }
        const std::string path = joined(windows, "Desktop");
        if (!desktopDir.empty() && isFolder(desktopDir)) {
            if (linkToDesktop(path, desktopDir)) return;
            const int error = errno;
            if (error == EEXIST) return;  // another copy of the program made it meanwhile
            report(path, "cannot link to " + desktopDir + ", made a plain folder", error);
        }
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            const int error = errno;
            report(path, "cannot create folder", error);
        }
    }
};

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr)
        return result->pw_dir;
    return {};
}

}  // namespace

std::string driveCFolder(const std::string& root) {
    return joined(withoutTrailingSlashes(root), "C");
}

std::vector<TreeProblem> prepareWindowsTree(const std::string& root, const std::string& desktopDir,
                                            const std::function<std::string()>& systemIni) {
    TreeBuilder tree;
    const std::string rootFolder = withoutTrailingSlashes(root);
    if (rootFolder.empty()) {
        tree.report(root, "no root folder given");
        return tree.problems;
    }
    if (!tree.makeFolders(rootFolder, 0700)) return tree.problems;
    const std::string drive = driveCFolder(rootFolder);
    if (!tree.makeFolders(drive, 0777)) return tree.problems;
    const std::optional<std::string> windows = tree.folderIn(drive, "WINDOWS");
    if (!windows) return tree.problems;
    tree.folderIn(*windows, "SYSTEM");
    tree.folderIn(*windows, "Menu Iniciar");
    tree.desktopIn(*windows, desktopDir);
    if (systemIni) tree.newFileIn(*windows, "SYSTEM.INI", systemIni);
    return tree.problems;
}

std::string newSystemIniText(std::string_view mouseDescription) {
    std::string mouse;
    for (const char c : mouseDescription)
        mouse.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c);
    return "[boot.description]\r\nmouse.drv=" + mouse + "\r\n";
}

std::optional<std::string> parseUserDirsEntry(std::string_view text, std::string_view name,
                                              std::string_view home) {
    std::optional<std::string> result;
    for (std::string_view line : text::lines(text)) {
        line = text::trimLeft(line, " \t");
        if (!line.starts_with(name)) continue;
        line.remove_prefix(name.size());
        if (!line.starts_with("=\"")) continue;
        line.remove_prefix(2);

        // The raw quoted text, up to the closing quote that no backslash escapes.
        std::size_t close = 0;
        while (close < line.size() && line[close] != '"') close += line[close] == '\\' ? 2 : 1;
        if (close >= line.size()) continue;
        std::string_view raw = line.substr(0, close);

        std::string value;
        if (raw.starts_with("$HOME") && (raw.size() == 5 || raw[5] == '/')) {
            value = home;
            raw.remove_prefix(5);
        } else if (!raw.starts_with("/")) {
            continue;
        }
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
            value.push_back(raw[i]);
        }
        result = std::move(value);  // a later assignment wins, as in the shell
    }
    return result;
}

std::string xdgDesktopDirFrom(const std::string& home, const std::string& configHome) {
    if (!configHome.empty()) {
        if (const auto text = readSmallFile(configHome + "/user-dirs.dirs", kMaxUserDirsBytes)) {
            if (const auto desktop = parseUserDirsEntry(*text, "XDG_DESKTOP_DIR", home)) {
                if (!home.empty() && withoutTrailingSlashes(*desktop) == withoutTrailingSlashes(home))
                    return {};
                if (isFolder(*desktop)) return *desktop;
            }
        }
    }
    if (!home.empty()) {
        const std::string desktop = joined(withoutTrailingSlashes(home), "Desktop");
        if (isFolder(desktop)) return desktop;
    }
    return {};
}

std::string xdgDesktopDir() {
    const std::string home = homeFolder();
    std::string configHome;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/')
        configHome = config;
    else if (!home.empty())
        configHome = joined(withoutTrailingSlashes(home), ".config");
    return xdgDesktopDirFrom(home, configHome);
}

}  // namespace vintrel::platform::host

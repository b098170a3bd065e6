#include "platform/linux/start_menu_mirror.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/host/whole_file.h"
#include "platform/linux/gsettings_keys.h"
#include "platform/linux/shell_linux.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr const char* kMergeFile = "br.com.malvex.Vintrel.menu";
constexpr const char* kAppFolders = "org.gnome.desktop.app-folders";
constexpr const char* kAppFolder = "org.gnome.desktop.app-folders.folder";

std::string directoryFile(const StartMenuPaths& paths, const StartMenuFolder& folder) {
    return paths.dataHome + "/desktop-directories/br.com.malvex.Vintrel." + folder.id + ".directory";
}

std::vector<std::string> mergeFiles(const StartMenuPaths& paths) {
    std::vector<std::string> files{paths.configHome + "/menus/applications-merged/" + kMergeFile};
    if (!paths.menuPrefix.empty())
        files.push_back(paths.configHome + "/menus/" + paths.menuPrefix + "applications-merged/" + kMergeFile);
    return files;
}

void writeIfChanged(const std::string& file, const std::string& text) {
    if (host::readSmallFile(file, 1 << 20) == text) return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    host::replaceWholeFile(file, text);
}

// Only ever one of the program's own files.
void removeOwn(const std::string& file) { ::unlink(file.c_str()); }

std::string appFolderId(const StartMenuFolder& folder) { return std::string("br-com-malvex-Vintrel-") + folder.id; }

void setIfDifferent(const GSettingsKey& key, const std::vector<std::string>& values) {
    if (gsettingsStrings(key) != values) setGSettingsStrings(key, values);
}

void syncAppFolders(const ShownFolders& shown) {
    const GSettingsKey childrenKey{kAppFolders, "folder-children", ""};
    const auto children = gsettingsStrings(childrenKey);
    if (!children) return;  // no app folders on this machine
    std::vector<std::string> updated = *children;
    const auto& folders = startMenuFolders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string id = appFolderId(folders[i]);
        const std::string path = "/org/gnome/desktop/app-folders/folders/" + id + "/";
        const auto at = std::find(updated.begin(), updated.end(), id);
        const auto key = [&](const char* name) { return GSettingsKey{kAppFolder, name, path}; };
        if (shown[i]) {
            if (at == updated.end()) updated.push_back(id);
            setGSettingsString(key("name"), folders[i].name);
            setIfDifferent(key("categories"), {startMenuCategory(i)});
            setIfDifferent(key("apps"), startMenuNamedEntries(i));
        } else if (at != updated.end()) {
            updated.erase(at);
            for (const char* name : {"name", "categories", "apps"}) resetGSettings(key(name));
        }
    }
    if (updated != *children) setGSettingsStrings(childrenKey, updated);
}

class StartMenuFiles : public Files {
public:
    StartMenuFiles(Files& inner, StartMenuPaths paths) : inner_(inner), paths_(std::move(paths)) {}

    std::uint32_t fileAttributes(std::string_view path) override {
        const std::uint32_t attributes = inner_.fileAttributes(path);
        follow(path);
        return attributes;
    }
    std::uint32_t createDirectory(std::string_view path) override {
        const std::uint32_t result = inner_.createDirectory(path);
        if (result == 0) follow(path);
        return result;
    }
    std::uint32_t removeDirectory(std::string_view path) override {
        const std::uint32_t result = inner_.removeDirectory(path);
        if (result == 0) follow(path);
        return result;
    }
    bool fileExists(std::string_view path) override { return inner_.fileExists(path); }
    std::uint32_t writeWholeFile(std::string_view path, std::string_view bytes) override {
        return inner_.writeWholeFile(path, bytes);
    }
    std::string privateProfileString(std::string_view section, std::string_view key, std::string_view defaultText,
                                     std::uint32_t bufferSize, std::string_view file) override {
        return inner_.privateProfileString(section, key, defaultText, bufferSize, file);
    }
    std::string hostPath(std::string_view path) override { return inner_.hostPath(path); }

private:
    // A junction folder's path: the mirror follows the folder that holds it.
    void follow(std::string_view dosPath) {
        const auto cut = dosPath.find_last_of("\\/");
        if (cut == std::string_view::npos || junctionIndex(dosPath.substr(cut + 1)) < 0) return;
        const std::string parent = inner_.hostPath(dosPath.substr(0, cut));
        syncStartMenu(paths_, parent.empty() ? ShownFolders{} : shownFoldersIn(parent));
    }

    Files& inner_;
    StartMenuPaths paths_;
};

}  // namespace

ShownFolders shownFoldersIn(const std::string& startMenuFolder) {
    ShownFolders shown{};
    DIR* dir = ::opendir(startMenuFolder.c_str());
    if (dir == nullptr) return shown;
    while (const dirent* entry = ::readdir(dir)) {
        const int index = junctionIndex(entry->d_name);
        struct stat st {};
        if (index >= 0 && ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            shown[static_cast<std::size_t>(index)] = true;
    }
    ::closedir(dir);
    return shown;
}

StartMenuPaths startMenuPathsFromProcess() {
    const ShellEnvironment env = ShellEnvironment::fromProcess();
    StartMenuPaths paths;
    paths.configHome = env.configHome;
    paths.dataHome = env.dataHome;
    const char* prefix = std::getenv("XDG_MENU_PREFIX");
    if (prefix != nullptr && std::strchr(prefix, '/') == nullptr && std::strstr(prefix, "..") == nullptr)
        paths.menuPrefix = prefix;
    paths.gnomeAppFolders = detectDesktop(env.currentDesktop, env.desktopSession) == Desktop::Gnome;
    return paths;
}

void syncStartMenu(const StartMenuPaths& paths, const ShownFolders& shown) {
    if (paths.configHome.empty() || paths.dataHome.empty()) return;
    const bool any = std::find(shown.begin(), shown.end(), true) != shown.end();
    // The app folders are written with the merge file: without either there is nothing to
    // take out, and GSettings need not be loaded at all.
    const bool mirrored = ::access(mergeFiles(paths).front().c_str(), F_OK) == 0;
    for (const std::string& file : mergeFiles(paths)) {
        if (any)
            writeIfChanged(file, startMenuMergeText(shown));
        else
            removeOwn(file);
    }
    const auto& folders = startMenuFolders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (shown[i])
            writeIfChanged(directoryFile(paths, folders[i]), startMenuDirectoryText(folders[i]));
        else
            removeOwn(directoryFile(paths, folders[i]));
    }
    if (paths.gnomeAppFolders && (any || mirrored)) syncAppFolders(shown);
}

std::unique_ptr<Files> makeStartMenuFiles(Files& inner, StartMenuPaths paths) {
    return std::make_unique<StartMenuFiles>(inner, std::move(paths));
}

void syncStartMenuOf(Files& files, const StartMenuPaths& paths, std::string_view windowsDirectory) {
    const std::string folder = files.hostPath(std::string(windowsDirectory) + "\\Menu Iniciar");
    syncStartMenu(paths, folder.empty() ? ShownFolders{} : shownFoldersIn(folder));
}

}  // namespace vintrel::platform::linux_host

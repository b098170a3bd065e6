#include "platform/linux/installed_programs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_map>

#include "platform/host/whole_file.h"
#include "platform/linux/desktop_entry.h"
#include "platform/linux/shell_linux.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kMaxEntryBytes = 256 * 1024;
constexpr std::size_t kMaxListBytes = 64 * 1024 * 1024;
constexpr int kMaxFolderDepth = 4;  // applications/<a>/<b>/<c>/x.desktop
constexpr std::size_t kMaxNameBytes = 255;

enum class Owner { Dpkg, Flatpak, Snap };

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The export folders name their owner; everything else is dpkg's to answer.
Owner ownerOfFolder(std::string_view dataDir) {
    if (dataDir.ends_with("/flatpak/exports/share")) return Owner::Flatpak;
    if (dataDir.ends_with("/snapd/desktop")) return Owner::Snap;
    return Owner::Dpkg;
}

// Indexes the desktop entries of one dpkg file list, read in pieces of a fixed size (a list
// can run to megabytes) whose last partial line waits in `buffer` for the next piece. A list
// that cannot be read adds nothing.
void indexListFile(int dirFd, const char* name, const std::string& package, std::string& buffer,
                   std::unordered_map<std::string, std::string>& index) {
    constexpr std::size_t kPiece = 64 * 1024;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    const bool ok =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= kMaxListBytes;
    // The buffer only grows (and is zeroed only then); `kept` bytes of it are a partial line.
    std::size_t kept = 0;
    for (std::size_t total = 0; ok && total <= kMaxListBytes;) {
        if (buffer.size() < kept + kPiece) buffer.resize(kept + kPiece);
        const ssize_t n = ::read(fd, buffer.data() + kept, kPiece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
        const std::string_view filled(buffer.data(), kept + static_cast<std::size_t>(n));
        const std::size_t lastLine = filled.rfind('\n');
        if (lastLine == std::string_view::npos) {  // a line longer than a piece: read on
            kept = filled.size();
            continue;
        }
        indexDesktopPaths(filled.substr(0, lastLine + 1), package, index);
        kept = filled.size() - (lastLine + 1);
        std::memmove(buffer.data(), buffer.data() + lastLine + 1, kept);
    }
    // A last line without its newline.
    if (ok) indexDesktopPaths(std::string_view(buffer.data(), kept), package, index);
    ::close(fd);
}

// An entry found: its id, which ends with its file name, and the folder it is in.
struct Candidate {
    std::string id;
    std::uint32_t folder;
    std::uint16_t nameAt;  // where the file name starts in the id
    Owner owner;
    std::string_view name() const { return std::string_view(id).substr(nameAt); }
};

// The desktop entries under one applications folder, each with its desktop-file id (the
// path below the folder with "/" turned into "-"), in name order; the folders below it are
// added to `folders`.
void collectEntries(std::vector<std::string>& folders, std::uint32_t folder, const std::string& idPrefix, int depth,
                    Owner owner, std::vector<Candidate>& out, std::vector<std::optional<timespec>>& changed) {
    changed.resize(folders.size());
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folders[folder].c_str()));
    if (!dir) return;
    // Taken before the entries are read: a change while they are read shows as a later time.
    if (struct stat st {}; ::fstat(::dirfd(dir.get()), &st) == 0) changed[folder] = st.st_mtim;
    // The names, a folder's with a NUL after it, which sorts it where its name alone would
    // sort. A deque: a folder of thousands of entries grows it without a copy of it all.
    std::deque<std::string> names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (name.empty() || name.front() == '.') continue;
        bool folderEntry = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            if (::fstatat(::dirfd(dir.get()), e->d_name, &st, 0) != 0) continue;
            folderEntry = S_ISDIR(st.st_mode);
        }
        if (folderEntry) names.emplace_back(name).push_back('\0');
        else if (name.ends_with(".desktop")) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    if (out.capacity() < out.size() + names.size())  // room for all at once, still doubling
        out.reserve(std::max(out.size() + names.size(), 2 * out.capacity()));
    for (std::string& name : names) {
        if (name.back() == '\0') {
            name.pop_back();
            if (depth < kMaxFolderDepth) {
                folders.push_back(folders[folder] + "/" + name);
                collectEntries(folders, static_cast<std::uint32_t>(folders.size() - 1), idPrefix + name + "-",
                               depth + 1, owner, out, changed);
            }
            continue;
        }
        out.push_back({idPrefix.empty() ? std::move(name) : idPrefix + name, folder,
                       static_cast<std::uint16_t>(idPrefix.size()), owner});
    }
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The snap that exported an entry: X-SnapInstanceName, else the file name up to "_"
// ("firefox_firefox.desktop").
std::string snapNameOf(const DesktopEntry& entry, std::string_view id) {
    if (!entry.snapInstance.empty()) return entry.snapInstance;
    const auto underscore = id.find('_');
    return underscore == std::string_view::npos ? std::string() : std::string(id.substr(0, underscore));
}

std::string flatpakIdOf(const DesktopEntry& entry, std::string_view id) {
    if (!entry.flatpakId.empty()) return entry.flatpakId;
    id.remove_suffix(std::string_view(".desktop").size());
    return std::string(id);
}

}  // namespace

ProgramSources ProgramSources::fromProcess() {
    const ShellEnvironment shell = ShellEnvironment::fromProcess();
    ProgramSources sources;
    sources.path = shell.path;
    sources.dataHome = shell.dataHome;
    for (const auto& dir : shell.dataDirs)
        if (!dir.empty() && dir.front() == '/') sources.dataDirs.push_back(dir);  // relative ones are ignored
    if (sources.dataDirs.empty()) sources.dataDirs = {"/usr/local/share", "/usr/share"};
    if (!sources.dataHome.empty()) sources.exportDirs.push_back(sources.dataHome + "/flatpak/exports/share");
    return sources;
}

std::optional<std::string> packageOfListFile(std::string_view fileName) {
    if (!fileName.ends_with(".list")) return std::nullopt;
    fileName.remove_suffix(5);
    const auto colon = fileName.find(':');
    const std::string_view package = fileName.substr(0, colon);
    // Debian policy: lower-case letters, digits, "+", "-", "."; two characters at least,
    // starting with a letter or digit. The architecture: letters, digits and "-".
    if (package.size() < 2 || !(isLower(package[0]) || isDigit(package[0]))) return std::nullopt;
    for (const char c : package)
        if (!isLower(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view arch = fileName.substr(colon + 1);
        if (arch.empty()) return std::nullopt;
        for (const char c : arch)
            if (!isLower(c) && !isDigit(c) && c != '-') return std::nullopt;
    }
    return std::string(fileName);
}

void indexDesktopPaths(std::string_view listText, const std::string& package,
                       std::unordered_map<std::string, std::string>& index) {
    constexpr std::string_view kSuffix = ".desktop";
    std::size_t start = 0;
    while (start < listText.size()) {
        const void* found = std::memchr(listText.data() + start, '\n', listText.size() - start);
        const std::size_t end =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - listText.data())
                  : listText.size();
        const std::string_view line = listText.substr(start, end - start);
        if (line.size() > kSuffix.size() && line.ends_with(kSuffix) && line.front() == '/')
            index.try_emplace(std::string(line), package);
        start = end + 1;
    }
}

void DpkgDesktopIndex::refresh() {
    struct stat st {};
    if (::stat(infoDir_.c_str(), &st) != 0) {
        index_.clear();
        builtFor_.reset();
        return;
    }
    if (builtFor_ && builtFor_->tv_sec == st.st_mtim.tv_sec && builtFor_->tv_nsec == st.st_mtim.tv_nsec)
        return;
    index_.clear();
    builtFor_ = st.st_mtim;
    ++builds_;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(infoDir_.c_str()));
    if (!dir) return;
    std::string buffer;
    while (const dirent* e = ::readdir(dir.get()))
        if (const auto package = packageOfListFile(e->d_name))
            indexListFile(::dirfd(dir.get()), e->d_name, *package, buffer, index_);
}

std::optional<std::string> DpkgDesktopIndex::owner(const std::string& path) {
    refresh();
    if (const auto it = index_.find(path); it != index_.end()) return it->second;
    // dpkg records the path it unpacked to; the entry may have been found through a link.
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) != nullptr && path != real)
        if (const auto it = index_.find(real); it != index_.end()) return it->second;
    return std::nullopt;
}

std::optional<std::string> debianRemoveCommand(std::string_view package) {
    const std::string file = std::string(package) + ".list";
    if (!packageOfListFile(file)) return std::nullopt;
    return "apt-get remove " + std::string(package);
}

std::optional<std::string> flatpakRemoveCommand(std::string_view appId) {
    // Reverse-DNS: at least two dot-separated parts of letters, digits, "_" and "-".
    if (appId.empty() || appId.size() > kMaxNameBytes || appId.find('.') == std::string_view::npos)
        return std::nullopt;
    char previous = '.';
    for (const char c : appId) {
        const bool part = isLower(c) || isDigit(c) || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
        if (!part && !(c == '.' && previous != '.')) return std::nullopt;
        previous = c;
    }
    if (previous == '.') return std::nullopt;
    return "flatpak uninstall " + std::string(appId);
}

std::optional<std::string> snapRemoveCommand(std::string_view snapName) {
    // A snap name (lower-case letters, digits, "-"), optionally "_" and an instance key.
    const auto underscore = snapName.find('_');
    const std::string_view name = snapName.substr(0, underscore);
    if (name.empty() || name.size() > 40) return std::nullopt;
    for (const char c : name)
        if (!isLower(c) && !isDigit(c) && c != '-') return std::nullopt;
    if (underscore != std::string_view::npos) {
        const std::string_view key = snapName.substr(underscore + 1);
        if (key.empty() || key.size() > 10) return std::nullopt;
        for (const char c : key)
            if (!isLower(c) && !isDigit(c)) return std::nullopt;
    }
    return "snap remove " + std::string(snapName);
}

std::vector<InstalledProgram> listInstalledPrograms(const ProgramSources& sources, DpkgDesktopIndex& dpkg) {
    std::vector<InstalledProgram> programs;
    forEachInstalledProgram(sources, dpkg, [&](InstalledProgram&& p) { programs.push_back(std::move(p)); });
    return programs;
}

namespace {

std::optional<timespec> changeTimeOf(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return st.st_mtim;
}

bool sameTime(const std::optional<timespec>& a, const std::optional<timespec>& b) {
    if (!a || !b) return !a && !b;
    return a->tv_sec == b->tv_sec && a->tv_nsec == b->tv_nsec;
}

}  // namespace

std::string ProgramSourcesSnapshot::keyOf(const ProgramSources& sources) {
    std::string key;
    const auto add = [&key](const std::string& part) { key.append(part).push_back('\0'); };
    add(sources.dataHome);
    for (const auto& dir : sources.dataDirs) add(dir);
    key.push_back('\1');
    for (const auto& dir : sources.exportDirs) add(dir);
    add(sources.path);
    add(sources.dpkgInfoDir);
    add(sources.locale);
    return key;
}

bool ProgramSourcesSnapshot::unchanged(const ProgramSources& sources) const {
    if (folders_.empty() || keyOf(sources) != sources_) return false;
    return std::all_of(folders_.begin(), folders_.end(), [this](const auto& folder) {
        const bool settled = !folder.second || folder.second->tv_sec < gatheredAt_.tv_sec - 1;
        return settled && sameTime(changeTimeOf(folder.first), folder.second);
    });
}

void forEachInstalledProgram(const ProgramSources& sources, DpkgDesktopIndex& dpkg,
                             const std::function<void(InstalledProgram&&)>& take, ProgramSourcesSnapshot* snapshot) {
    timespec startedAt{};
    ::clock_gettime(CLOCK_REALTIME, &startedAt);
    // dpkg's folder first: a package installed while the entries are read shows as a change.
    const std::optional<timespec> dpkgChanged = changeTimeOf(sources.dpkgInfoDir);
    std::vector<std::string> folders;
    auto addFolder = [&](const std::string& dir) {
        if (dir.empty()) return;
        std::string clean = withoutTrailingSlashes(dir);
        if (std::find(folders.begin(), folders.end(), clean) == folders.end())
            folders.push_back(std::move(clean));
    };
    addFolder(sources.dataHome);
    for (const auto& dir : sources.dataDirs) addFolder(dir);
    for (const auto& dir : sources.exportDirs) addFolder(dir);

    std::vector<Candidate> candidates;
    std::vector<std::string> entryFolders;
    std::vector<std::optional<timespec>> changed;
    for (const auto& folder : folders) {
        entryFolders.push_back(folder + "/applications");
        collectEntries(entryFolders, static_cast<std::uint32_t>(entryFolders.size() - 1), "", 0,
                       ownerOfFolder(folder), candidates, changed);
    }
    if (snapshot) {
        snapshot->sources_ = ProgramSourcesSnapshot::keyOf(sources);
        snapshot->gatheredAt_ = startedAt;
        snapshot->folders_.clear();
        snapshot->folders_.emplace_back(sources.dpkgInfoDir, dpkgChanged);
        for (std::size_t i = 0; i < entryFolders.size(); ++i) snapshot->folders_.emplace_back(entryFolders[i], changed[i]);
    }

    auto programExists = [&](const std::string& program) {
        return program.find('/') != std::string::npos ? isExecutableFile(program)
                                                      : programInPath(program, sources.path);
    };
    // Of the entries with one id, the first found: a stable sort by id puts it first of them.
    std::vector<bool> hidden(candidates.size());
    {
        std::vector<std::uint32_t> byId(candidates.size());
        for (std::uint32_t i = 0; i < byId.size(); ++i) byId[i] = i;
        std::stable_sort(byId.begin(), byId.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return candidates[a].id < candidates[b].id; });
        for (std::size_t i = 1; i < byId.size(); ++i)
            if (candidates[byId[i]].id == candidates[byId[i - 1]].id) hidden[byId[i]] = true;
    }
    // The folder of the entries being read, held open: each entry is opened by its name in
    // it, not by a whole path walked again (a fifth of the first reading of 10,000 entries).
    std::unique_ptr<DIR, DirCloser> folder;
    std::uint32_t folderIndex = UINT32_MAX;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (hidden[i]) continue;  // an earlier folder has this id
        const Candidate& candidate = candidates[i];
        if (folderIndex != candidate.folder) {
            folderIndex = candidate.folder;
            folder.reset(::opendir(entryFolders[folderIndex].c_str()));
        }
        const std::string file = entryFolders[candidate.folder] + "/" + std::string(candidate.name());
        // The name ends the id, so it ends where the id's text does.
        const char* name = candidate.id.c_str() + candidate.nameAt;
        const auto text = folder ? host::readSmallFileAt(::dirfd(folder.get()), name, kMaxEntryBytes)
                                 : host::readSmallFile(file, kMaxEntryBytes);
        if (!text) continue;
        const auto entry = parseDesktopEntry(*text, sources.locale);
        if (!entry || entry->name.find_first_not_of(' ') == std::string::npos ||
            !shownInMenus(*entry, programExists))
            continue;
        std::optional<std::string> command;
        switch (candidate.owner) {
            case Owner::Flatpak:
                command = flatpakRemoveCommand(flatpakIdOf(*entry, candidate.id));
                break;
            case Owner::Snap:
                command = snapRemoveCommand(snapNameOf(*entry, candidate.id));
                break;
            case Owner::Dpkg:
                if (const auto package = dpkg.owner(file)) command = debianRemoveCommand(*package);
                break;
        }
        if (!command) continue;  // no package can remove it: a launcher of the user's own
        take({candidate.id, entry->name, std::move(*command), file});
    }
}

}  // namespace vintrel::platform::linux_host

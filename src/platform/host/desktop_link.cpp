#include "platform/host/desktop_link.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

namespace vintrel::platform::host {
namespace {

void report(std::vector<TreeProblem>& problems, const std::string& path, std::string what, int error = 0) {
    problems.push_back({path, std::move(what),
                        error != 0 ? std::error_code(error, std::generic_category()) : std::error_code()});
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Both name the same folder (following links).
bool sameFolder(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && S_ISDIR(sa.st_mode) &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// `name` with " (n)" before its extension: "Sistema (2).txt"; a leading dot is no extension.
std::string numbered(const std::string& name, int n) {
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + " (" + std::to_string(n) + ")" + name.substr(cut);
}

// Renames `from` to `to` unless `to` exists; where the file system cannot promise that, a file
// is linked and then unlinked, which fails in the same way.
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL) return false;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || ::link(from.c_str(), to.c_str()) != 0) {
        if (errno == 0) errno = EINVAL;
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// Moves `name` from `folder` onto the desktop under the first free name; false when it stays.
bool moveOnto(const std::string& folder, const std::string& name, const std::string& desktop,
              std::vector<TreeProblem>& problems) {
    const std::string from = folder + "/" + name;
    for (int n = 1; n < 1000; ++n) {
        if (moveWithoutReplacing(from, desktop + "/" + (n == 1 ? name : numbered(name, n)))) return true;
        if (errno != EEXIST && errno != ENOTEMPTY) break;
    }
    report(problems, from, "cannot move onto the desktop " + desktop, errno);
    return false;
}

// Moves all that `folder` holds onto the desktop; true when it is empty afterwards.
bool emptyOnto(const std::string& folder, const std::string& desktop, std::vector<TreeProblem>& problems) {
    struct Closer {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    const std::unique_ptr<DIR, Closer> dir(::opendir(folder.c_str()));
    if (!dir) {
        report(problems, folder, "cannot read folder", errno);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    bool all = true;
    for (const std::string& name : names) all = moveOnto(folder, name, desktop, problems) && all;
    return all;
}

}  // namespace

bool linkToDesktop(const std::string& path, const std::string& desktopDir) {
    std::error_code ignored;
    std::string target = std::filesystem::absolute(desktopDir, ignored).string();
    if (target.empty()) target = desktopDir;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return ::symlink(target.c_str(), path.c_str()) == 0;
    // A link that stands there is replaced by renaming a new one over it, so that the entry
    // is never missing.
    const std::string temp =
        path.substr(0, path.rfind('/') + 1) + ".vintrel-link-" + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0) return false;
    if (::rename(temp.c_str(), path.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return false;
}

void followDesktop(const std::string& entry, const std::string& desktopDir,
                   std::vector<TreeProblem>& problems) {
    struct stat st {};
    if (::lstat(entry.c_str(), &st) != 0) return;  // removed meanwhile: next start makes it
    const bool link = S_ISLNK(st.st_mode);
    if (!link && !S_ISDIR(st.st_mode)) {
        report(problems, entry, "exists and is not a folder");
    } else if (desktopDir.empty() || !isFolder(desktopDir) || sameFolder(entry, desktopDir)) {
        if (link && !isFolder(entry)) report(problems, entry, "link leads to no folder");
    } else if (link) {
        if (!linkToDesktop(entry, desktopDir)) report(problems, entry, "cannot link to " + desktopDir, errno);
    } else if (emptyOnto(entry, desktopDir, problems)) {
        // Another copy of the program may have put something in meanwhile: then it stays.
        if (::rmdir(entry.c_str()) != 0) {
            report(problems, entry, "cannot replace with a link", errno);
        } else if (!linkToDesktop(entry, desktopDir)) {
            report(problems, entry, "cannot link to " + desktopDir + ", made a plain folder", errno);
            ::mkdir(entry.c_str(), 0777);
        }
    }
}

}  // namespace vintrel::platform::host

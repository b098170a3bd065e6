#include "platform/host/dos_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/api/platform.h"
#include "platform/host/host_errors.h"
#include "platform/host/host_text.h"
#include "text/cp1252.h"

namespace vintrel::platform::host {
namespace {

ResolvedPath failure(std::uint32_t error) {
    ResolvedPath out;
    out.error = error;
    return out;
}

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::string_view kForbidden = "<>:\"|?*";

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// An on-disk name as Windows-1252 text, letters folded to upper case.
std::string foldedDiskName(std::string_view name) {
    std::string cp = isValidUtf8(name) ? text::utf8ToCp1252(name) : std::string(name);
    for (char& c : cp) c = text::upperCp1252(c);
    return cp;
}

std::string joinPath(const std::string& folder, std::string_view name) {
    std::string out = folder;
    if (out.empty() || out.back() != '/') out.push_back('/');
    out.append(name);
    return out;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::optional<std::string> realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

bool isWithin(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

// The folder holding the drive's base belongs to us and nobody else may write to it.
bool driveIsOwned(const std::string& realBase) {
    struct stat st {};
    if (::stat(parentOf(realBase).c_str(), &st) != 0) return false;
    return st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

DosPathParts splitDosPath(std::string_view path) {
    DosPathParts out;
    if (const auto nul = path.find('\0'); nul != std::string_view::npos) path = path.substr(0, nul);
    if (path.empty()) {
        out.error = ERROR_PATH_NOT_FOUND;
        return out;
    }
    if (path.size() >= 2 && path[1] == ':') {
        if (!isAsciiLetter(path[0])) {
            out.error = ERROR_PATH_NOT_FOUND;
            return out;
        }
        out.drive = static_cast<char>(path[0] & ~0x20);
        path.remove_prefix(2);
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        out.error = ERROR_PATH_NOT_FOUND;  // network share or device namespace
        return out;
    }

    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = pos;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        std::string_view component = path.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!out.components.empty()) out.components.pop_back();
            continue;
        }
        for (const char c : component) {
            if (static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string_view::npos) {
                out.error = ERROR_INVALID_NAME;
                out.components.clear();
                return out;
            }
        }
        while (!component.empty() && (component.back() == '.' || component.back() == ' '))
            component.remove_suffix(1);
        if (!component.empty()) out.components.emplace_back(component);
    }
    return out;
}

EntryLookup findEntryIgnoringCase(const std::string& folder, std::string_view cp1252Name) {
    EntryLookup out;
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        const int error = errno;
        out.error = (error == ENOENT || error == ENOTDIR) ? ERROR_PATH_NOT_FOUND : win32FromErrno(error);
        return out;
    }
    if (cp1252Name.empty()) {
        ::close(dirFd);
        return out;
    }
    const std::string exact = text::cp1252ToUtf8(cp1252Name);
    struct stat st {};
    if (::fstatat(dirFd, exact.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        ::close(dirFd);
        out.name = exact;
        return out;
    }
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        out.error = win32FromErrno(errno);
        ::close(dirFd);
        return out;
    }
    const std::string wanted = text::upperCp1252(cp1252Name);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (foldedDiskName(name) != wanted) continue;
        if (!out.name || name < *out.name) out.name = std::string(name);
    }
    ::closedir(dir);
    return out;
}

ResolvedPath resolveDosPath(DriveMap& drives, std::string_view dosPath) {
    const DosPathParts parts = splitDosPath(dosPath);
    if (parts.error != 0) return failure(parts.error);
    const std::optional<std::string> base = drives.basePath(parts.drive);
    struct stat st {};
    if (!base || base->empty() || ::stat(base->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failure(ERROR_PATH_NOT_FOUND);

    ResolvedPath out;
    std::string current = *base;
    while (current.size() > 1 && current.back() == '/') current.pop_back();
    if (parts.components.empty()) {
        out.hostPath = current;
        out.exists = true;
        out.isDriveRoot = true;
        return out;
    }
    for (std::size_t i = 0; i < parts.components.size(); ++i) {
        const bool last = i + 1 == parts.components.size();
        const std::string& component = parts.components[i];
        const std::string spelled = text::cp1252ToUtf8(component);
        if (spelled.size() > kMaxNameBytes) return failure(ERROR_INVALID_NAME);
        const EntryLookup found = findEntryIgnoringCase(current, component);
        if (found.error != 0) return failure(found.error);
        if (!found.name && !last) return failure(ERROR_PATH_NOT_FOUND);
        current = joinPath(current, found.name ? *found.name : spelled);
        if (last) out.exists = found.name.has_value();
    }
    out.hostPath = std::move(current);

    const std::optional<std::string> realBase = realPath(*base);
    if (!realBase) return failure(ERROR_PATH_NOT_FOUND);
    if (!driveIsOwned(*realBase)) {
        std::optional<std::string> real = out.exists ? realPath(out.hostPath) : std::nullopt;
        if (!real) real = realPath(parentOf(out.hostPath));  // missing or dangling last entry
        if (!real) return failure(ERROR_PATH_NOT_FOUND);
        if (!isWithin(*real, *realBase)) return failure(ERROR_ACCESS_DENIED);
    }
    return out;
}

}  // namespace vintrel::platform::host

#include "platform/linux/helper_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vintrel::platform::linux_host {
namespace {

namespace fs = std::filesystem;

// Set by the build: its own libexec/vintrel, and the one it installs to.
constexpr const char* kBuildLibexec = VINTREL_BUILD_LIBEXEC;
constexpr const char* kInstallLibexec = VINTREL_INSTALL_LIBEXEC;
constexpr const char* kPackageLibexec = "/usr/libexec/vintrel";

// A root-owned folder with the sticky bit (/tmp) lets others add entries but not rename or
// remove ours; as every entry below it on the path is checked to be ours or root's, nothing
// another user planted can stand on the path.
bool stickyRootFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0 && st.st_uid == 0;
}

std::string modeProblem(const std::string& path, const struct stat& st) {
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) return path + " belongs to another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !stickyRootFolder(st))
        return path + " may be written by other users";
    return {};
}

}  // namespace

std::string helperPathFor(const std::string& self, const std::string& name) {
    const fs::path beside =
        (fs::path(self).parent_path().parent_path() / "libexec" / "vintrel").lexically_normal();
    for (const char* allowed : {kBuildLibexec, kInstallLibexec, kPackageLibexec})
        if (beside == fs::path(allowed).lexically_normal()) return (beside / name).string();
    return (fs::path(kPackageLibexec) / name).string();
}

std::string helperPath(const std::string& name) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return helperPathFor(ec ? std::string() : self.string(), name);
}

std::string untrustedPathProblem(const std::string& path) {
    std::error_code ec;
    // Links resolved first: each folder the real path passes through is checked.
    const fs::path real = fs::canonical(path, ec);
    if (ec) return "cannot find " + path + " (" + ec.message() + ")";
    for (fs::path at = real;; at = at.parent_path()) {
        struct stat st {};
        if (::stat(at.c_str(), &st) != 0)
            return "cannot check " + at.string() + " (" + std::strerror(errno) + ")";
        if (std::string problem = modeProblem(at.string(), st); !problem.empty())
            return "not running " + path + ": " + problem;
        if (at == at.parent_path()) return {};
    }
}

}  // namespace vintrel::platform::linux_host

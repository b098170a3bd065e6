#include "platform/host/whole_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"
#include "platform/host/durable_write.h"
#include "platform/host/host_errors.h"

namespace vintrel::platform::host {
namespace {

// Closes the descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Removes the temporary files that writers killed part-way left in `folder`: ours by name and
// owner, and unlocked (a writer locks its temporary file as soon as it has made it; one made
// in the last seconds may not be locked yet and is left).
void clearStaleTemporaries(const std::string& folder) {
    Fd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid()) return;
    DIR* dir = ::fdopendir(::dup(dirFd.get()));
    if (dir == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (isDurableTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    const std::time_t recent = std::time(nullptr) - 2;
    for (const std::string& name : names) {
        Fd file(
            ::openat(dirFd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat st {};
        if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || st.st_mtime > recent || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        ::unlinkat(dirFd.get(), name.c_str(), 0);
    }
}

// Another open file holds a lock on fd's file: flock locks and record locks are separate on
// Linux, so both kinds are tried. Our own locks go away when fd is closed.
bool lockedElsewhere(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return true;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return false;
    if (errno == EAGAIN || errno == EACCES) return true;
    if (errno == EINVAL && ::fcntl(fd, F_SETLK, &lock) != 0) return errno == EAGAIN || errno == EACCES;
    return false;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writableByUser(const std::string& hostPath, unsigned mode) {
    return (mode & 0222) != 0 && ::faccessat(AT_FDCWD, hostPath.c_str(), W_OK, AT_EACCESS) == 0;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes) {
    return readSmallFileAt(AT_FDCWD, path.c_str(), maxBytes);
}

std::optional<std::string> readSmallFileAt(int folderFd, const char* name, std::size_t maxBytes) {
    Fd fd(::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return std::nullopt;
    std::string out;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
        if (out.size() > maxBytes) return std::nullopt;  // grew while we read
        // All that the file held when opened: no read more to learn that it ended.
        if (out.size() == static_cast<std::uint64_t>(st.st_size) && st.st_size > 0) break;
    }
    return out;
}

std::uint32_t replaceWholeFile(const std::string& hostPath, std::string_view bytes) {
    const std::string folder = folderOf(hostPath);
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0) {
        const int error = errno;
        return (error == ENOENT || error == ENOTDIR) ? ERROR_PATH_NOT_FOUND : win32FromErrno(error);
    }
    if (!S_ISDIR(folderStat.st_mode)) return ERROR_PATH_NOT_FOUND;
    if (!writableByUser(folder, folderStat.st_mode)) return ERROR_ACCESS_DENIED;

    // The target, held open and locked until the new file has taken its place.
    Fd target(::open(hostPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    bool existed = false;
    mode_t mode = 0666;
    if (target.valid()) {
        struct stat st {};
        if (::fstat(target.get(), &st) != 0) return win32FromErrno(errno);
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return ERROR_ACCESS_DENIED;
        if (lockedElsewhere(target.get())) return ERROR_SHARING_VIOLATION;
        existed = true;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {  // ENOENT: no file yet, or a dangling link the rename replaces
        const int error = errno;
        return error == ENXIO ? ERROR_ACCESS_DENIED : win32FromErrno(error);
    }

    clearStaleTemporaries(folder);
    const int error = writeDurably(hostPath, bytes, existed ? static_cast<int>(mode) : -1, Placement::Replace);
    if (error == ENOENT) return ERROR_PATH_NOT_FOUND;
    return error == 0 ? 0 : win32FromErrno(error);
}

}  // namespace vintrel::platform::host

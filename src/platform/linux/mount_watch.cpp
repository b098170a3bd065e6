#include "platform/linux/mount_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vintrel::platform::linux_host {

MountWatch::MountWatch(std::string mountInfoPath) : path_(std::move(mountInfoPath)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
}

MountWatch::~MountWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool MountWatch::changed() {
    if (first_) {
        first_ = false;
        return true;
    }
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLPRI, 0};
    int n;
    do n = ::poll(&p, 1, 0);
    while (n < 0 && errno == EINTR);
    // A regular file (a test fixture) reports POLLIN and never POLLPRI: no change.
    return n > 0 && (p.revents & POLLPRI) != 0;
}

std::string MountWatch::read() const {
    return readMountedFile(path_);
}

std::string readMountedFile(const std::string& path, std::size_t limit) {
    std::string out;
    // O_NONBLOCK: a FIFO planted where a file should be must not hang the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return out;
    char buf[16384];
    while (out.size() < limit) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (out.size() > limit) out.resize(limit);
    return out;
}

}  // namespace vintrel::platform::linux_host

#include "platform/registry/store_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vintrel::registry::detail {

std::unique_ptr<StoreWatch> StoreWatch::open(const std::string& folder, std::string name) {
    if (name.empty()) return nullptr;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    constexpr std::uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE |
                                      IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(fd, folder.c_str(), kEvents) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<StoreWatch>(new StoreWatch(fd, std::move(name)));
}

StoreWatch::StoreWatch(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

StoreWatch::~StoreWatch() {
    ::close(fd_);
}

// The file and the journals SQLite keeps beside it; the shared-memory index is left out,
// since readers change it too and a commit always writes the journal.
bool StoreWatch::concerns(std::string_view name) const {
    if (!name.starts_with(name_)) return false;
    const std::string_view suffix = name.substr(name_.size());
    return suffix.empty() || suffix == "-wal" || suffix == "-journal";
}

bool StoreWatch::written() {
    bool written = false;
    alignas(inotify_event) char buffer[4096];
    while (!blind_) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        if (n <= 0) {
            blind_ = true;
            break;
        }
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(n);) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            at += sizeof event + event.len;
            if (at > static_cast<std::size_t>(n)) break;
            if ((event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0)
                blind_ = true;
            else if ((event.mask & IN_Q_OVERFLOW) != 0 ||
                     (event.len > 0 && concerns(std::string_view(name, ::strnlen(name, event.len)))))
                written = true;
        }
    }
    return written || blind_;
}

}  // namespace vintrel::registry::detail

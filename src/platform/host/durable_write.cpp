#include "platform/host/durable_write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform/host/whole_file.h"

namespace vintrel::platform::host {
namespace {

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string temporaryName(const std::string& folder) {
    static std::atomic<std::uint64_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::uint64_t seed = (static_cast<std::uint64_t>(::getpid()) << 40) ^
                               static_cast<std::uint64_t>(now.tv_nsec) ^
                               (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ counter.fetch_add(1);
    std::uint64_t value = mix(seed);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = ".vintrel-";
    for (int i = 0; i < 12; ++i, value >>= 4) name.push_back(kHex[value & 0xF]);
    name += ".tmp";
    return folder == "/" ? "/" + name : folder + "/" + name;
}

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = durableCalls().write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// A new temporary file in folder, locked (in use: not stale); -1 with errno set when none.
int createTemporary(const std::string& folder, int mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(folder);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                              mode < 0 ? 0666 : 0600);
        if (fd >= 0) {
            (void)::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

DurableCalls& durableCalls() {
    static DurableCalls calls{::write, ::fsync, ::rename, ::link};
    return calls;
}

int writeDurably(const std::string& target, std::string_view bytes, int mode, Placement placement) {
    const std::string folder = folderOf(target);
    std::string temporary;
    const int fd = createTemporary(folder, mode, temporary);
    if (fd < 0) return errno;
    int error = 0;
    if (mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) error = errno;
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && durableCalls().fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) {
        const int placed = placement == Placement::Replace ? durableCalls().rename(temporary.c_str(), target.c_str())
                                                           : durableCalls().link(temporary.c_str(), target.c_str());
        if (placed != 0) error = errno;
    }
    if (error != 0 || placement == Placement::KeepExisting) ::unlink(temporary.c_str());
    if (error != 0) return error;
    // Make the new name itself durable; a folder that cannot be synced is no failure of ours.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)durableCalls().fsync(folderFd);
        ::close(folderFd);
    }
    return 0;
}

bool isDurableTemporaryName(std::string_view name) {
    constexpr std::string_view kPrefix = ".vintrel-", kSuffix = ".tmp";
    if (name.size() != kPrefix.size() + 12 + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix))
        return false;
    for (const char c : name.substr(kPrefix.size(), 12))
        if ((c < '0' || c > '9') && (c < 'a' || c > 'f')) return false;
    return true;
}

}  // namespace vintrel::platform::host

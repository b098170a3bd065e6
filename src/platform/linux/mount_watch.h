#pragma once
// Tells when the mount table changed, so the drive table is re-read only then.
// The kernel marks an open mountinfo file with POLLPRI after every mount or unmount in the
// namespace; checking costs one poll() with no timeout.

#include <string>

namespace vintrel::platform::linux_host {

class MountWatch {
public:
    explicit MountWatch(std::string mountInfoPath);
    ~MountWatch();
    MountWatch(const MountWatch&) = delete;
    MountWatch& operator=(const MountWatch&) = delete;

    // True when the table may have changed since the last call that returned true
    // (the first call always does). A file that cannot be watched reports no change.
    bool changed();
    // The whole file, read afresh; empty when it cannot be read.
    std::string read() const;

private:
    std::string path_;
    int fd_ = -1;
    bool first_ = true;
};

// Reads a whole small procfs or sysfs file (they report a size of 0, so read to the end).
// Empty when it cannot be read; at most `limit` bytes.
std::string readMountedFile(const std::string& path, std::size_t limit = 1 << 20);

}  // namespace vintrel::platform::linux_host

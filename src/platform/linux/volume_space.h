#pragma once
// Free space of a volume through statvfs, and a background variant for network volumes:
// statvfs on an unreachable NFS server blocks without end, so those are measured on a
// detached thread and the caller gets the last figure (or none) without waiting.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// statvfs: capacity f_blocks * f_frsize, free to the caller f_bavail * f_frsize (as df prints).
std::optional<DiskSpace> statSpace(const std::string& path);
// The same through a descriptor of a folder (O_PATH will do): no path to walk.
std::optional<DiskSpace> statSpace(int folder);

class BackgroundSpace {
public:
    // Figures older than `maxAge` are measured again; a first measurement is waited for at
    // most `firstWait`, later ones never.
    explicit BackgroundSpace(std::chrono::milliseconds maxAge = std::chrono::milliseconds(1500),
                             std::chrono::milliseconds firstWait = std::chrono::milliseconds(50));
    ~BackgroundSpace();
    BackgroundSpace(const BackgroundSpace&) = delete;
    BackgroundSpace& operator=(const BackgroundSpace&) = delete;

    std::optional<DiskSpace> get(const std::string& path);

private:
    struct State;
    std::shared_ptr<State> state_;
    std::chrono::milliseconds maxAge_;
    std::chrono::milliseconds firstWait_;
};

}  // namespace vintrel::platform::linux_host

#include "platform/linux/hw_change_tracker.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/linux/hw_sysfs.h"

namespace vintrel::platform::linux_host {

using Clock = std::chrono::steady_clock;

HardwareChangeTracker::HardwareChangeTracker(const LinuxEnvironment& env, const HardwareFactsOptions& options)
    : sysRoot_(env.sysRoot),
      procRoot_(env.procRoot),
      recheckInterval_(options.recheckInterval),
      printerLifetime_(options.printerLifetime) {
    if (options.useSystemServices && env.sysRoot == "/sys") {
        udevContext_.reset(udev_new());
        udevDatabase_ = udevContext_ && ::access((env.runRoot + "/udev/control").c_str(), F_OK) == 0;
        if (udevDatabase_) startMonitor();
    }
}

HardwareChangeTracker::~HardwareChangeTracker() = default;

void HardwareChangeTracker::startMonitor() {
    UdevPtr<udev_monitor> m(udev_monitor_new_from_netlink(udevContext_.get(), "udev"));
    if (!m) return;
    for (const char* subsystem : {"drm", "sound", "block", "input", "tty"})
        udev_monitor_filter_add_match_subsystem_devtype(m.get(), subsystem, nullptr);
    if (udev_monitor_enable_receiving(m.get()) < 0) return;
    monitor_ = std::move(m);
}

// Marks the groups whose subsystems reported events since the last look.
void HardwareChangeTracker::drainMonitor() {
    const int fd = udev_monitor_get_fd(monitor_.get());
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, 0);
        if (r == 0) return;
        if (r < 0) {
            if (errno == EINTR) continue;
            invalidateAll();
            return;
        }
        UdevPtr<udev_device> d(udev_monitor_receive_device(monitor_.get()));
        if (!d) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            invalidateAll();  // overflowed or broken: assume anything changed
            return;
        }
        const char* s = udev_device_get_subsystem(d.get());
        if (!s) continue;
        if (!std::strcmp(s, "drm"))
            state(Group::Display).valid = false;
        else if (!std::strcmp(s, "sound"))
            state(Group::Sound).valid = false;
        else if (!std::strcmp(s, "block"))
            state(Group::Cdrom).valid = false;
        else if (!std::strcmp(s, "input"))
            state(Group::Input).valid = false;
        else if (!std::strcmp(s, "tty"))
            state(Group::Modem).valid = false;
    }
}

void HardwareChangeTracker::invalidateAll() {
    for (auto& s : states_) s.valid = false;
}

// The connectors and their status, read through a folder kept open: this runs on every
// Timer3 tick when no udev monitor reports changes.
std::string HardwareChangeTracker::displaySignature() {
    if (!drmDir_) drmDir_.reset(::opendir((sysRoot_ + "/class/drm").c_str()));
    if (!drmDir_) return {};
    ::rewinddir(drmDir_.get());
    std::string sig;
    const int dirFd = ::dirfd(drmDir_.get());
    while (const dirent* e = ::readdir(drmDir_.get())) {
        if (e->d_name[0] == '.') continue;
        (sig += e->d_name) += '=';
        if (std::strchr(e->d_name, '-')) {
            char path[300];
            std::snprintf(path, sizeof path, "%s/status", e->d_name);
            const int fd = ::openat(dirFd, path, O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                char status[32];
                const ssize_t n = ::read(fd, status, sizeof status);
                if (n > 0) sig.append(status, static_cast<std::size_t>(n));
                ::close(fd);
            }
        }
        sig += '\n';
    }
    return sig;
}

// A cheap fingerprint of what a group's gathering would read.
std::string HardwareChangeTracker::signature(Group g) {
    std::string sig;
    auto addListing = [&](const std::string& dir, std::string_view prefix) {
        for (const auto& n : listSysfsDirectory(dir))
            if (n.compare(0, prefix.size(), prefix) == 0) (sig += n) += '\n';
    };
    switch (g) {
        case Group::Display:
            sig = displaySignature();
            break;
        case Group::Sound:
            addListing(sysRoot_ + "/class/sound", "card");
            break;
        case Group::Cdrom:
            addListing(sysRoot_ + "/block", "sr");
            break;
        case Group::Input:
            addListing(sysRoot_ + "/class/input", "input");
            if (sig.empty()) sig = readSysfsFile(procRoot_ + "/bus/input/devices").value_or("");
            break;
        case Group::Modem:
            addListing(sysRoot_ + "/class/tty", "ttyACM");
            break;
        case Group::Printer:
            break;
    }
    return sig;
}

bool HardwareChangeTracker::stale(Group g) {
    State& st = state(g);
    const auto now = Clock::now();
    if (g == Group::Printer) {
        if (st.valid && now - st.checked < printerLifetime_) return false;
        st.checked = now;
    } else if (monitor_) {
        drainMonitor();
        if (st.valid) return false;
    } else if (st.valid) {
        if (now - st.checked < recheckInterval_) return false;
        st.checked = now;
        std::string sig = signature(g);
        if (sig == st.signature) return false;
        st.signature = std::move(sig);
    } else {
        st.checked = now;
        st.signature = signature(g);
    }
    return true;
}

void HardwareChangeTracker::gathered(Group g) {
    State& st = state(g);
    st.valid = true;
    ++st.gathers;
}

unsigned HardwareChangeTracker::gatherCount(Group g) const {
    return states_[static_cast<std::size_t>(g)].gathers;
}

}  // namespace vintrel::platform::linux_host

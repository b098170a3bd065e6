#pragma once
// When each device group of HardwareFacts must be gathered again: on a udev event for its
// subsystem, or, without udev, when a cheap listing of its sysfs folders changed (looked at
// most once per recheck interval); printers when their lifetime ran out. Not thread-safe:
// HardwareFacts calls it under its lock.

#include <dirent.h>
#include <libudev.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "platform/linux/hw_facts.h"
#include "platform/linux/hw_udev.h"

namespace vintrel::platform::linux_host {

class HardwareChangeTracker {
public:
    using Group = HardwareFacts::Group;

    HardwareChangeTracker(const LinuxEnvironment& env, const HardwareFactsOptions& options);
    ~HardwareChangeTracker();

    // True when the group has not been gathered yet or its sources changed since.
    bool stale(Group g);
    // Records that the group's facts were just gathered.
    void gathered(Group g);
    unsigned gatherCount(Group g) const;

    // The udev context when udevd's database is there (enumeration has properties), else null.
    udev* udevDatabase() const { return udevDatabase_ ? udevContext_.get() : nullptr; }

private:
    struct State {
        bool valid = false;
        std::chrono::steady_clock::time_point checked{};
        std::string signature;
        unsigned gathers = 0;
    };
    struct DirCloser {
        void operator()(DIR* d) const { ::closedir(d); }
    };

    void startMonitor();
    void drainMonitor();
    void invalidateAll();
    std::string displaySignature();
    std::string signature(Group g);
    State& state(Group g) { return states_[static_cast<std::size_t>(g)]; }

    std::string sysRoot_, procRoot_;
    std::chrono::milliseconds recheckInterval_, printerLifetime_;
    std::unique_ptr<DIR, DirCloser> drmDir_;
    UdevPtr<udev> udevContext_;
    UdevPtr<udev_monitor> monitor_;
    bool udevDatabase_ = false;
    std::array<State, 6> states_;
};

}  // namespace vintrel::platform::linux_host

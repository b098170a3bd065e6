#include "platform/linux/volume_space.h"

#include <sys/statvfs.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/host/checked_math.h"

namespace vintrel::platform::linux_host {

namespace {

DiskSpace spaceOf(const struct statvfs& s) {
    const auto bytes = [&](unsigned long long blocks) {
        const std::uint64_t r = host::saturatingMul(blocks, s.f_frsize);
        return r > INT64_MAX ? INT64_MAX : static_cast<std::int64_t>(r);
    };
    DiskSpace d;
    d.totalBytes = bytes(s.f_blocks);
    d.freeBytesAvailableToCaller = bytes(s.f_bavail);
    return d;
}

}  // namespace

std::optional<DiskSpace> statSpace(const std::string& path) {
    struct statvfs s {};
    if (path.empty() || ::statvfs(path.c_str(), &s) != 0) return std::nullopt;
    return spaceOf(s);
}

std::optional<DiskSpace> statSpace(int folder) {
    struct statvfs s {};
    if (folder < 0 || ::fstatvfs(folder, &s) != 0) return std::nullopt;
    return spaceOf(s);
}

struct BackgroundSpace::State {
    struct Entry {
        std::optional<DiskSpace> value;
        std::chrono::steady_clock::time_point measured;
        bool everMeasured = false;
        bool inFlight = false;
        bool waited = false;  // the caller waits for the first figure once only
    };
    std::mutex mutex;
    std::condition_variable done;
    std::map<std::string, Entry> entries;
};

BackgroundSpace::BackgroundSpace(std::chrono::milliseconds maxAge, std::chrono::milliseconds firstWait)
    : state_(std::make_shared<State>()), maxAge_(maxAge), firstWait_(firstWait) {}

// A thread stuck in statvfs keeps the shared state alive; nothing here waits for it.
BackgroundSpace::~BackgroundSpace() = default;

std::optional<DiskSpace> BackgroundSpace::get(const std::string& path) {
    const auto now = std::chrono::steady_clock::now();
    std::unique_lock lock(state_->mutex);
    // std::map keeps references to its elements valid while others are added.
    State::Entry& e = state_->entries[path];
    if (!e.inFlight && (!e.everMeasured || now - e.measured >= maxAge_)) {
        e.inFlight = true;
        try {
            std::thread([state = state_, path] {
                std::optional<DiskSpace> value = statSpace(path);
                std::lock_guard guard(state->mutex);
                State::Entry& entry = state->entries[path];
                entry.value = value;
                entry.measured = std::chrono::steady_clock::now();
                entry.everMeasured = true;
                entry.inFlight = false;
                state->done.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            e.inFlight = false;  // no thread to be had: answer with what there is
        }
    }
    if (!e.everMeasured && e.inFlight && !e.waited) {
        e.waited = true;
        state_->done.wait_for(lock, firstWait_, [&] { return e.everMeasured; });
    }
    return e.value;
}

}  // namespace vintrel::platform::linux_host

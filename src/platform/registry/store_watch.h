#pragma once
// Whether anything may have written a registry database since the last look, answered
// without touching the database: an inotify watch on its folder, for the file and its journals.
// SQLite writes both with write(2), and the watch hears every such write on this machine,
// which is all that WAL mode serves.

#include <memory>
#include <string>
#include <string_view>

namespace vintrel::registry::detail {

class StoreWatch {
public:
    // Watches `folder` for the file `name` in it. Null when the kernel gives no watch (no
    // inotify, or its per-user limits are reached).
    static std::unique_ptr<StoreWatch> open(const std::string& folder, std::string name);
    ~StoreWatch();
    StoreWatch(const StoreWatch&) = delete;
    StoreWatch& operator=(const StoreWatch&) = delete;

    // Takes what the kernel queued since the last call: true when something wrote, made,
    // removed or renamed the file or one of its journals, or events were lost, or the watch
    // can no longer tell (its folder was moved or removed: then always true).
    bool written();

private:
    StoreWatch(int fd, std::string name);
    bool concerns(std::string_view name) const;

    int fd_;
    std::string name_;  // the file's name in its folder
    bool blind_ = false;
};

}  // namespace vintrel::registry::detail

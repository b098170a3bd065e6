#pragma once
// The one way the program puts a whole file on disk: the bytes go to a new hidden temporary
// file beside the target (".vintrel-<12 hex digits>.tmp", created exclusively, never through a
// link, locked while it is written), which is synced, closed and then put in place, and the
// folder is synced so that the new name lasts too. Readers see the old file or the new one,
// never a part, and a crash leaves at most a temporary file that the next write clears.

#include <string>
#include <string_view>
#include <sys/types.h>

namespace vintrel::platform::host {

// The system calls a durable write depends on for its promise; tests put their own in place
// to check their order and to make one fail (a full disk).
struct DurableCalls {
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*link)(const char* from, const char* to);
};
DurableCalls& durableCalls();

// Puts other calls in place for its lifetime.
class ScopedDurableCalls {
public:
    explicit ScopedDurableCalls(DurableCalls calls) : saved_(durableCalls()) { durableCalls() = calls; }
    ~ScopedDurableCalls() { durableCalls() = saved_; }
    ScopedDurableCalls(const ScopedDurableCalls&) = delete;
    ScopedDurableCalls& operator=(const ScopedDurableCalls&) = delete;

private:
    DurableCalls saved_;
};

enum class Placement {
    Replace,       // renamed over whatever the target is
    KeepExisting,  // linked in place only when nothing is there yet (EEXIST otherwise)
};

// Writes `bytes` as described above to `target` (UTF-8 host path). mode < 0 creates the file
// with 0666 less the umask; otherwise with exactly that mode. Returns 0 or the errno of the
// step that failed; the temporary file is then gone and the target untouched.
int writeDurably(const std::string& target, std::string_view bytes, int mode, Placement placement);

// Whether a folder entry's name is one writeDurably makes for its temporary files.
bool isDurableTemporaryName(std::string_view name);

}  // namespace vintrel::platform::host

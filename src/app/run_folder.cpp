#include "app/run_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vintrel::app {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// The folder the handler removes, once g_made says that it was made.
char g_folder[PATH_MAX];
volatile sig_atomic_t g_made = 0;

// Removes what the folder open as `dirFd` holds, with system calls only: it runs in a signal
// handler. Entries are read again until a pass finds none, as removing them moves the rest.
void removeEntries(int dirFd, int depth) {
    alignas(8) char buffer[4096];
    for (bool removed = true; removed && depth < 64;) {
        removed = false;
        ::lseek(dirFd, 0, SEEK_SET);
        for (ssize_t n; (n = ::getdents64(dirFd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
                if (::unlinkat(dirFd, name, 0) == 0) {
                    removed = true;
                } else if (errno == EISDIR) {
                    const int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                    if (sub >= 0) {
                        removeEntries(sub, depth + 1);
                        ::close(sub);
                    }
                    removed = ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 || removed;
                }
            }
        }
    }
}

void removeAndEnd(int signal) {
    if (g_made != 0) {
        const int fd = ::open(g_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            removeEntries(fd, 0);
            ::close(fd);
        }
        ::rmdir(g_folder);
    }
    // Ended by the signal after all, as whoever sent it expects.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

void setEndingSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : kEndingSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

RunFolder::RunFolder(bool needed) {
    if (const char* root = std::getenv("VINTREL_ROOT"); root && *root) {
        path_ = root;
        return;
    }
    if (!needed) return;
    std::error_code ec;
    const std::string pattern = (std::filesystem::temp_directory_path(ec) / "vintrel-sim-XXXXXX").string();
    if (ec || pattern.size() >= sizeof g_folder) return;
    std::memcpy(g_folder, pattern.c_str(), pattern.size() + 1);
    if (::mkdtemp(g_folder) == nullptr) return;
    g_made = 1;
    setEndingSignals(removeAndEnd);
    path_ = g_folder;
    owned_ = true;
}

RunFolder::~RunFolder() {
    if (!owned_) return;
    setEndingSignals(SIG_DFL);
    g_made = 0;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vintrel::app

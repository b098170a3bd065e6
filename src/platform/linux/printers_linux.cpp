#include "platform/linux/printers_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <mutex>

#include "platform/linux/helper_path.h"
#include "text/cp1252.h"

extern char** environ;

namespace vintrel::platform::linux_host {
namespace {

using Clock = std::chrono::steady_clock;

// Time the helper gets beyond the scheduler's own timeout to start and write its answer.
constexpr int kStartUpGraceMs = 2000;
// More than any real list of queues; a helper writing past it is not trusted.
constexpr std::size_t kMaxAnswerBytes = 4u << 20;
// A prefetched answer older than this is asked anew.
constexpr auto kPrefetchFresh = std::chrono::seconds(5);

void sayOnce(const std::string& problem) {
    static std::once_flag said;
    std::call_once(said, [&] { std::cerr << "vintrel: printers are not listed: " << problem << '\n'; });
}

// One run of the helper, from its start to its reaping.
class HelperRun {
public:
    // Null when the helper cannot be started; the reason goes to `problem`.
    static std::unique_ptr<HelperRun> start(const std::string& path, int timeoutMs, int waitMs,
                                            std::string& problem) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            problem = std::string("cannot make a pipe (") + std::strerror(errno) + ")";
            return nullptr;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        const std::string timeout = std::to_string(timeoutMs);
        char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(timeout.c_str()), nullptr};
        pid_t pid = -1;
        const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(fds[1]);
        if (error != 0) {
            ::close(fds[0]);
            problem = "cannot run " + path + " (" + std::strerror(error) + ")";
            return nullptr;
        }
        return std::unique_ptr<HelperRun>(new HelperRun(path, pid, fds[0], waitMs));
    }

    ~HelperRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            reap();
        }
        if (fd_ >= 0) ::close(fd_);
    }
    HelperRun(const HelperRun&) = delete;
    HelperRun& operator=(const HelperRun&) = delete;

    Clock::time_point started() const { return started_; }

    // The helper's answer, waiting for it until the deadline; nullopt, with the reason in
    // `problem`, when it fails, is cut off or says too much.
    std::optional<std::string> finish(std::string& problem) {
        std::string answer;
        char buffer[16384];
        bool cutOff = false;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            const int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) {
                cutOff = true;
                break;
            }
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;  // end of its output (or a broken pipe)
            answer.append(buffer, static_cast<std::size_t>(n));
            if (answer.size() > kMaxAnswerBytes) {
                cutOff = true;
                break;
            }
        }
        if (cutOff) ::kill(pid_, SIGKILL);
        const int status = reap();
        if (cutOff) {
            problem = path_ + " did not answer in time or said too much";
            return std::nullopt;
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            problem = path_ + (WIFSIGNALED(status) ? " was stopped by signal " + std::to_string(WTERMSIG(status))
                                                  : " failed with exit status " + std::to_string(WEXITSTATUS(status)));
            return std::nullopt;
        }
        return answer;
    }

private:
    HelperRun(std::string path, pid_t pid, int fd, int waitMs)
        : path_(std::move(path)),
          pid_(pid),
          fd_(fd),
          started_(Clock::now()),
          deadline_(started_ + std::chrono::milliseconds(waitMs)) {}

    int reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    std::string path_;
    pid_t pid_;
    int fd_;
    Clock::time_point started_;
    Clock::time_point deadline_;
};

// The queues of a run, once it has answered; nullopt when it did not start (null) or failed,
// the reason in `problem`.
std::optional<std::vector<CupsQueue>> queuesOf(HelperRun* run, std::string& problem) {
    if (!run) return std::nullopt;
    const auto answer = run->finish(problem);
    if (!answer) return std::nullopt;
    return parseQueueRecords(*answer);
}

// A run of the installed helper, once it is known that no other user can have planted it.
std::unique_ptr<HelperRun> startInstalledHelper(int timeoutMs, std::string& problem) {
    const std::string path = printerHelperPath();
    problem = untrustedPathProblem(path);
    if (!problem.empty()) return nullptr;
    return HelperRun::start(path, timeoutMs, timeoutMs + kStartUpGraceMs, problem);
}

struct Prefetch {
    std::mutex mutex;
    std::unique_ptr<HelperRun> run;
};
Prefetch& prefetch() {
    static Prefetch p;
    return p;
}

class LinuxSpooler final : public Spooler {
public:
    std::vector<PrinterInfo> installedPrinters() override {
        std::vector<PrinterInfo> out;
        for (const auto& q : installedCupsQueues())
            out.push_back({text::utf8ToCp1252(q.name), text::utf8ToCp1252(q.deviceUri)});
        return out;
    }
};

}  // namespace

std::string printerHelperPath() {
    return helperPath("vintrel-printers");
}

std::optional<std::vector<CupsQueue>> queryPrinterHelper(const std::string& path, int timeoutMs, int waitMs,
                                                         std::string& problem) {
    return queuesOf(HelperRun::start(path, timeoutMs, waitMs, problem).get(), problem);
}

void prefetchCupsQueues(int timeoutMs) {
    auto& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (p.run) return;
    std::string problem;
    p.run = startInstalledHelper(timeoutMs, problem);
    if (!p.run) sayOnce(problem);
}

std::vector<CupsQueue> installedCupsQueues(int timeoutMs) {
    std::unique_ptr<HelperRun> run;
    {
        auto& p = prefetch();
        const std::lock_guard lock(p.mutex);
        run = std::move(p.run);
    }
    std::string problem;
    if (!run || Clock::now() - run->started() >= kPrefetchFresh)
        run = startInstalledHelper(timeoutMs, problem);
    const auto queues = queuesOf(run.get(), problem);
    if (!queues) sayOnce(problem);
    return queues.value_or(std::vector<CupsQueue>{});
}

const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues) {
    for (const auto& q : queues)
        if (q.isDefault) return &q;
    return queues.empty() ? nullptr : &queues.front();
}

std::unique_ptr<Spooler> makeLinuxSpooler() {
    return std::make_unique<LinuxSpooler>();
}

}  // namespace vintrel::platform::linux_host

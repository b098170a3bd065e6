#include "platform/linux/printers_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <mutex>
#include <thread>

#include "platform/linux/helper_path.h"
#include "text/cp1252.h"

extern char** environ;

namespace vintrel::platform::linux_host {
namespace {

using Clock = std::chrono::steady_clock;

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

    // The helper's answer, waiting for it until its deadline or `waitUntil`, whichever is
    // later; whatever it has written by then is read, however late it is asked. nullopt, with
    // the reason in `problem`, when it fails, is cut off or says too much.
    std::optional<std::string> finish(std::string& problem, Clock::time_point waitUntil = {}) {
        deadline_ = std::max(deadline_, waitUntil);
        std::string answer;
        char buffer[16384];
        bool cutOff = false;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
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
std::optional<std::vector<CupsQueue>> queuesOf(HelperRun* run, std::string& problem,
                                              Clock::time_point waitUntil = {}) {
    if (!run) return std::nullopt;
    const auto answer = run->finish(problem, waitUntil);
    if (!answer) return std::nullopt;
    return parseQueueRecords(*answer);
}

std::vector<PrinterInfo> printersOf(const std::vector<CupsQueue>& queues) {
    std::vector<PrinterInfo> out;
    for (const auto& q : queues) out.push_back({text::utf8ToCp1252(q.name), text::utf8ToCp1252(q.deviceUri)});
    return out;
}

// Asks in the background for the dialog: the callers' `done` run on the asking thread, all
// of those that asked while one asking was under way at its end.
class LinuxSpooler final : public Spooler {
public:
    explicit LinuxSpooler(PrinterAnswers& answers) : answers_(answers) {}
    ~LinuxSpooler() override {
        if (worker_.joinable()) worker_.join();
    }

    std::vector<PrinterInfo> installedPrinters() override { return printersOf(answers_.queues()); }

    void installedPrintersLater(std::function<void(std::vector<PrinterInfo>)> done) override {
        if (const auto kept = answers_.kept()) return done(printersOf(*kept));
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(done));
        if (asking_) return;
        if (worker_.joinable()) worker_.join();  // it has handed out its answer already
        asking_ = true;
        worker_ = std::thread([this] {
            const std::vector<PrinterInfo> printers = printersOf(answers_.queues());
            std::vector<std::function<void(std::vector<PrinterInfo>)>> calls;
            {
                const std::lock_guard lock(mutex_);
                calls.swap(waiting_);
                asking_ = false;
            }
            for (auto& call : calls) call(printers);
        });
    }

private:
    PrinterAnswers& answers_;
    std::mutex mutex_;
    std::vector<std::function<void(std::vector<PrinterInfo>)>> waiting_;
    bool asking_ = false;
    std::thread worker_;
};

}  // namespace

struct PrinterAnswers::Impl {
    std::function<std::string(std::string&)> helper;
    int timeoutMs;
    int graceMs;  // beyond timeoutMs, for the helper to start and write its answer
    Now clock;
    std::mutex asking;  // one asker waits for the helper; those after it reuse its answer
    std::mutex state;   // guards the members below
    std::unique_ptr<HelperRun> run;
    Clock::time_point runStarted;
    std::optional<std::vector<CupsQueue>> answer;
    Clock::time_point answerStarted;

    bool fresh(Clock::time_point started) const { return clock() - started < kPrefetchFresh; }
    std::optional<std::vector<CupsQueue>> keptLocked() const {
        if (answer && fresh(answerStarted)) return answer;
        return std::nullopt;
    }
    // A run of the helper, once it is known that no other user can have planted it.
    std::unique_ptr<HelperRun> start(std::string& problem) {
        const std::string path = helper(problem);
        if (!problem.empty()) return nullptr;
        return HelperRun::start(path, timeoutMs, timeoutMs + graceMs, problem);
    }
};

PrinterAnswers::PrinterAnswers(std::function<std::string(std::string& problem)> helper, int timeoutMs,
                               int graceMs, Now now)
    : impl_(std::make_unique<Impl>()) {
    impl_->helper = std::move(helper);
    impl_->timeoutMs = timeoutMs;
    impl_->graceMs = graceMs;
    impl_->clock = std::move(now);
}

PrinterAnswers::~PrinterAnswers() = default;

void PrinterAnswers::prefetch() {
    const std::lock_guard lock(impl_->state);
    if (impl_->run || impl_->keptLocked()) return;
    std::string problem;
    impl_->run = impl_->start(problem);
    impl_->runStarted = impl_->clock();
    if (!impl_->run) sayOnce(problem);
}

std::optional<std::vector<CupsQueue>> PrinterAnswers::kept() {
    const std::lock_guard lock(impl_->state);
    return impl_->keptLocked();
}

std::vector<CupsQueue> PrinterAnswers::queues() {
    const std::lock_guard asking(impl_->asking);
    std::unique_ptr<HelperRun> run;
    Clock::time_point started;
    {
        const std::lock_guard lock(impl_->state);
        if (auto kept = impl_->keptLocked()) return std::move(*kept);
        run = std::move(impl_->run);
        started = impl_->runStarted;
    }
    std::string problem;
    if (!run || !impl_->fresh(started)) {
        run = impl_->start(problem);
        started = impl_->clock();
    }
    const auto waitUntil = Clock::now() + std::chrono::milliseconds(impl_->timeoutMs + impl_->graceMs);
    auto queues = queuesOf(run.get(), problem, waitUntil);
    if (!queues) {
        sayOnce(problem);
        return {};
    }
    const std::lock_guard lock(impl_->state);
    impl_->answer = queues;
    impl_->answerStarted = started;
    return std::move(*queues);
}

PrinterAnswers& processPrinterAnswers() {
    static PrinterAnswers answers([](std::string& problem) {
        const std::string path = printerHelperPath();
        problem = untrustedPathProblem(path);
        return path;
    });
    return answers;
}

std::string printerHelperPath() {
    return helperPath("vintrel-printers");
}

std::optional<std::vector<CupsQueue>> queryPrinterHelper(const std::string& path, int timeoutMs, int waitMs,
                                                         std::string& problem) {
    return queuesOf(HelperRun::start(path, timeoutMs, waitMs, problem).get(), problem);
}

void prefetchCupsQueues() {
    processPrinterAnswers().prefetch();
}

std::vector<CupsQueue> installedCupsQueues() {
    return processPrinterAnswers().queues();
}

const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues) {
    for (const auto& q : queues)
        if (q.isDefault) return &q;
    return queues.empty() ? nullptr : &queues.front();
}

std::unique_ptr<Spooler> makeLinuxSpooler(PrinterAnswers& answers) {
    return std::make_unique<LinuxSpooler>(answers);
}

}  // namespace vintrel::platform::linux_host

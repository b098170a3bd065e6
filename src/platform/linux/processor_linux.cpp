#include "platform/linux/processor_linux.h"

#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define VINTREL_HAS_X86_COUNTER 1
#endif

namespace vintrel::platform::linux_host {
namespace {

constexpr int kUnknownNice = -1000;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_HIGHEST = 2;

pid_t currentTid() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

std::optional<int> niceOf(pid_t tid) {
    errno = 0;
    const int n = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (n == -1 && errno != 0) return std::nullopt;
    return n;
}

std::vector<pid_t> processThreads() {
    std::vector<pid_t> tids;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return tids;
    while (const dirent* e = ::readdir(dir)) {
        pid_t tid = 0;
        const char* end = e->d_name + std::strlen(e->d_name);
        const auto [p, ec] = std::from_chars(e->d_name, end, tid);
        if (ec == std::errc() && p == end && tid > 0) tids.push_back(tid);
    }
    ::closedir(dir);
    return tids;
}

// What the calling thread had before it was made time critical or idle.
struct SavedScheduling {
    bool saved = false;
    int policy = SCHED_OTHER;
    sched_param param{};
    cpu_set_t mask{};
    bool haveMask = false;
};

struct ThreadState {
    int logical = THREAD_PRIORITY_NORMAL;  // the level last set, as Windows reports it back
    SavedScheduling saved;
};

thread_local ThreadState tState;

void saveScheduling(SavedScheduling& s) {
    if (s.saved) return;
    s.policy = SCHED_OTHER;
    s.param = {};
    pthread_getschedparam(pthread_self(), &s.policy, &s.param);
    CPU_ZERO(&s.mask);
    s.haveMask = ::sched_getaffinity(0, sizeof s.mask, &s.mask) == 0;
    s.saved = true;
}

bool restoreScheduling(SavedScheduling& s) {
    if (!s.saved) return true;
    bool ok = pthread_setschedparam(pthread_self(), s.policy, &s.param) == 0;
    if (s.haveMask) ok = ::sched_setaffinity(0, sizeof s.mask, &s.mask) == 0 && ok;
    s = SavedScheduling{};
    return ok;
}

class LinuxProcessor final : public Processor {
public:
    std::uint32_t priorityClass() override {
        const auto nice = niceOf(0);
        if (!nice) return NORMAL_PRIORITY_CLASS;
        lastReadNice_ = *nice;
        lastReadClass_ = priorityClassForNice(*nice);
        return lastReadClass_;
    }

    bool setPriorityClass(std::uint32_t priorityClass) override {
        int target = niceForPriorityClass(priorityClass);
        if (target == kUnknownNice) return false;
        const auto current = niceOf(0);
        if (!current) return false;
        if (lastReadNice_ && priorityClass == lastReadClass_) {
            target = *lastReadNice_;  // putting back what was read: exactly that value
            if (*current == target) return true;
        } else if (priorityClassForNice(*current) == priorityClass) {
            return true;
        }
        // Nice is per thread on Linux: the calling thread first, so that a refused raise
        // leaves every thread as it was; then the others.
        const pid_t self = currentTid();
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(self), target) != 0) return false;
        for (pid_t tid : processThreads())
            if (tid != self) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), target);
        return true;
    }

    int threadPriority() override {
        const int policy = ::sched_getscheduler(0);
        if (policy == SCHED_FIFO || policy == SCHED_RR) return THREAD_PRIORITY_TIME_CRITICAL;
        if (policy == SCHED_IDLE) return THREAD_PRIORITY_IDLE;
        return tState.logical;
    }

    bool setThreadPriority(int priority) override {
        if (priority == THREAD_PRIORITY_TIME_CRITICAL) {
            if (tState.logical == THREAD_PRIORITY_IDLE && !restoreScheduling(tState.saved)) return false;
            saveScheduling(tState.saved);
            // Pinning needs no privilege and keeps both counter readings on one CPU.
            bool pinned = false;
            const int cpu = ::sched_getcpu();
            if (cpu >= 0 && cpu < CPU_SETSIZE) {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(cpu, &one);
                pinned = ::sched_setaffinity(0, sizeof one, &one) == 0;
            }
            sched_param param{};
            param.sched_priority = ::sched_get_priority_max(SCHED_FIFO) / 2;
            const bool fifo = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
            if (!pinned && !fifo) {
                tState.saved = SavedScheduling{};
                return false;
            }
            tState.logical = THREAD_PRIORITY_TIME_CRITICAL;
            return true;
        }
        if (priority == THREAD_PRIORITY_IDLE) {
            if (tState.logical == THREAD_PRIORITY_TIME_CRITICAL && !restoreScheduling(tState.saved))
                return false;
            saveScheduling(tState.saved);
            sched_param param{};
            if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0) {
                tState.saved = SavedScheduling{};
                return false;
            }
            tState.logical = THREAD_PRIORITY_IDLE;
            return true;
        }
        if (priority < THREAD_PRIORITY_LOWEST || priority > THREAD_PRIORITY_HIGHEST) return false;
        if (!restoreScheduling(tState.saved)) return false;
        tState.logical = priority;
        return true;
    }

    void sleepMs(std::uint32_t milliseconds) override {
        timespec deadline{};
        ::clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += milliseconds / 1000;
        deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        // An absolute deadline makes a restart after a signal sleep only the time left.
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
    }

    std::optional<std::uint64_t> readTimeStampCounter() override {
#ifdef VINTREL_HAS_X86_COUNTER
        return static_cast<std::uint64_t>(__rdtsc());
#else
        return std::nullopt;
#endif
    }

private:
    std::optional<int> lastReadNice_;
    std::uint32_t lastReadClass_ = NORMAL_PRIORITY_CLASS;
};

}  // namespace

int niceForPriorityClass(std::uint32_t priorityClass) {
    switch (priorityClass) {
        case IDLE_PRIORITY_CLASS:
            return 19;
        case BELOW_NORMAL_PRIORITY_CLASS:
            return 10;
        case NORMAL_PRIORITY_CLASS:
            return 0;
        case ABOVE_NORMAL_PRIORITY_CLASS:
            return -5;
        case HIGH_PRIORITY_CLASS:
            return -10;
        case REALTIME_PRIORITY_CLASS:
            return -20;
        default:
            return kUnknownNice;
    }
}

std::uint32_t priorityClassForNice(int nice) {
    if (nice >= 15) return IDLE_PRIORITY_CLASS;
    if (nice >= 5) return BELOW_NORMAL_PRIORITY_CLASS;
    if (nice > -5) return NORMAL_PRIORITY_CLASS;
    if (nice > -10) return ABOVE_NORMAL_PRIORITY_CLASS;
    if (nice > -20) return HIGH_PRIORITY_CLASS;
    return REALTIME_PRIORITY_CLASS;
}

std::optional<std::string> cpuVendorIdentifier() {
#ifdef VINTREL_HAS_X86_COUNTER
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return std::nullopt;
    char vendor[13] = {};
    std::memcpy(vendor + 0, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    std::string out(vendor, ::strnlen(vendor, 12));
    if (out.empty()) return std::nullopt;
    return out;
#else
    return std::nullopt;
#endif
}

std::unique_ptr<Processor> makeLinuxProcessor() {
    return std::make_unique<LinuxProcessor>();
}

}  // namespace vintrel::platform::linux_host

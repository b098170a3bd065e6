#include "platform/linux/meminfo.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "platform/host/checked_math.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::uint64_t kMax = UINT64_MAX;
using host::saturatingMul;

// Blanks and tabs skipped byte by byte: the general trimming searches its set of characters for
// every byte, which made it most of the cost of a memory tick.
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    return s.substr(i);
}

// Reads a whole small file at offset 0 from a kept descriptor, reopening it if needed.
// procfs builds meminfo and statm afresh for every read, also for a read past the end: a read
// that returns less than it asked for has had the whole file, and reading on would only make
// the kernel build it a second time.
std::string_view preadAll(int& fd, const std::string& path, char* buf, std::size_t size) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return {};
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::pread(fd, buf + got, size - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n < 0) got = SIZE_MAX;
                break;
            }
            got += static_cast<std::size_t>(n);
            if (got < size) break;
        }
        if (got != SIZE_MAX) return {buf, got};
        ::close(fd);
        fd = -1;
    }
    return {};
}

// The value after a field's colon, in bytes: "  1234 kB", or a bare number, which means the
// same. None for another unit or no number; a value too large saturates.
std::optional<std::uint64_t> fieldValue(std::string_view afterColon) {
    const std::string_view rest = trimLeft(afterColon);
    std::uint64_t value = 0;
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        value = kMax;
    else if (r.ec != std::errc())
        return std::nullopt;
    std::string_view unit = trimLeft(rest.substr(static_cast<std::size_t>(r.ptr - rest.data())));
    while (!unit.empty() && (isBlank(unit.back()) || unit.back() == '\r')) unit.remove_suffix(1);
    if (!unit.empty() && unit != "kB") return std::nullopt;
    return saturatingMul(value, 1024);
}

}  // namespace

MeminfoFields parseMeminfo(std::string_view text) {
    // The five fields by the start of their line, name and colon together. Most of the ~50
    // lines start with another letter and are passed over with one memchr.
    struct Wanted {
        std::string_view head;
        std::optional<std::uint64_t> MeminfoFields::*field;
    };
    static constexpr Wanted kWanted[] = {
        {"MemTotal:", &MeminfoFields::memTotal},         {"MemFree:", &MeminfoFields::memFree},
        {"MemAvailable:", &MeminfoFields::memAvailable}, {"SwapTotal:", &MeminfoFields::swapTotal},
        {"SwapFree:", &MeminfoFields::swapFree},
    };
    MeminfoFields f;
    int missing = 5;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end && missing > 0) {
        const auto* newline =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const std::string_view line(at, static_cast<std::size_t>((newline != nullptr ? newline : end) - at));
        at = newline != nullptr ? newline + 1 : end;
        if (line.empty() || (line.front() != 'M' && line.front() != 'S')) continue;
        for (const Wanted& w : kWanted) {
            if (!line.starts_with(w.head)) continue;
            std::optional<std::uint64_t>& field = f.*w.field;
            if (!field) {
                field = fieldValue(line.substr(w.head.size()));
                if (field) --missing;
            }
            break;
        }
    }
    return f;
}

MemoryStatus memoryStatusFrom(const MeminfoFields& f, std::uint64_t addressSpace, std::uint64_t mappedBytes) {
    MemoryStatus s;
    s.totalPhys = f.memTotal.value_or(0);
    std::uint64_t avail = f.memAvailable.value_or(0);
    if (avail == 0 || avail > s.totalPhys) avail = f.memFree.value_or(0);
    s.availPhys = std::min(avail, s.totalPhys);
    if (s.totalPhys != 0) {
        s.memoryLoad = static_cast<std::uint32_t>(host::mulDiv(s.totalPhys - s.availPhys, 100, s.totalPhys));
    }
    s.totalPageFile = f.swapTotal.value_or(0);
    s.availPageFile = std::min(f.swapFree.value_or(0), s.totalPageFile);
    s.totalVirtual = addressSpace;
    s.availVirtual = addressSpace - std::min(mappedBytes, addressSpace);
    return s;
}

std::uint64_t userAddressSpace() {
#if defined(__x86_64__)
    std::uint64_t space = (std::uint64_t{1} << 47) - 4096;
#elif defined(__aarch64__) || defined(__riscv) || defined(__powerpc64__)
    std::uint64_t space = std::uint64_t{1} << 47;
#else
    std::uint64_t space = sizeof(void*) == 4 ? std::uint64_t{3} << 30 : std::uint64_t{1} << 47;
#endif
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        space = std::min<std::uint64_t>(space, limit.rlim_cur);
    return space;
}

MeminfoReader::MeminfoReader(const std::string& procRoot)
    : meminfoPath_(procRoot + "/meminfo"), statmPath_(procRoot + "/self/statm") {
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0) pageSize_ = static_cast<std::uint64_t>(page);
}

MeminfoReader::~MeminfoReader() {
    if (meminfo_ >= 0) ::close(meminfo_);
    if (statm_ >= 0) ::close(statm_);
}

MemoryStatus MeminfoReader::read() {
    char buf[8192];
    const MeminfoFields fields = parseMeminfo(preadAll(meminfo_, meminfoPath_, buf, sizeof buf));

    constexpr std::int64_t kVirtualReuseNs = 60'000'000'000;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    if (virtualAtNs_ == 0 || nowNs - virtualAtNs_ >= kVirtualReuseNs) {
        // statm's first figure is the process's mapped size in pages.
        char small[256];
        const std::string_view statm = preadAll(statm_, statmPath_, small, sizeof small);
        std::uint64_t pages = 0;
        std::from_chars(statm.data(), statm.data() + statm.size(), pages);
        mappedBytes_ = saturatingMul(pages, pageSize_);
        addressSpace_ = userAddressSpace();
        virtualAtNs_ = nowNs;
    }
    return memoryStatusFrom(fields, addressSpace_, mappedBytes_);
}

}  // namespace vintrel::platform::linux_host

#include "platform/linux/meminfo.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>

#include "platform/host/checked_math.h"
#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::uint64_t kMax = UINT64_MAX;
using host::saturatingMul;

std::string_view trimLeft(std::string_view s) {
    return text::trimLeft(s, " \t");
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

}  // namespace

MeminfoFields parseMeminfo(std::string_view text) {
    MeminfoFields f;
    for (const std::string_view line : text::lines(text)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, colon);
        std::optional<std::uint64_t>* field = nullptr;
        if (name == "MemTotal")
            field = &f.memTotal;
        else if (name == "MemFree")
            field = &f.memFree;
        else if (name == "MemAvailable")
            field = &f.memAvailable;
        else if (name == "SwapTotal")
            field = &f.swapTotal;
        else if (name == "SwapFree")
            field = &f.swapFree;
        if (field == nullptr || field->has_value()) continue;

        const std::string_view rest = trimLeft(line.substr(colon + 1));
        std::uint64_t value = 0;
        const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (r.ec == std::errc::result_out_of_range)
            value = kMax;
        else if (r.ec != std::errc())
            continue;
        // These fields are counted in kB; the kernel writes the unit, a bare number means the same.
        const std::string_view unit =
            text::trimRight(trimLeft(rest.substr(static_cast<std::size_t>(r.ptr - rest.data()))));
        if (!unit.empty() && unit != "kB") continue;
        *field = saturatingMul(value, 1024);
        if (f.memTotal && f.memFree && f.memAvailable && f.swapTotal && f.swapFree) break;  // the rest is of no use
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

    constexpr std::int64_t kVirtualReuseNs = 5'000'000'000;
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

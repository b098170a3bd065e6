#pragma once
// Memory figures from /proc/meminfo and the process's address space, as GlobalMemoryStatus
// reports them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// The /proc/meminfo fields that feed the memory status, in bytes; absent when not in the text.
struct MeminfoFields {
    std::optional<std::uint64_t> memTotal;
    std::optional<std::uint64_t> memFree;
    std::optional<std::uint64_t> memAvailable;
    std::optional<std::uint64_t> swapTotal;
    std::optional<std::uint64_t> swapFree;
};

// Parses "Name:   1234 kB" lines; malformed lines are skipped, values saturate instead of wrapping.
MeminfoFields parseMeminfo(std::string_view text);

// The status from the parsed fields:
// - availPhys is MemAvailable, or MemFree where MemAvailable is missing, 0 or above MemTotal
//   (older kernels, some LXC containers), never above totalPhys;
// - memoryLoad = (total - available) * 100 / total, truncated, as `free` counts "used";
// - the page file is the swap space;
// - totalVirtual and availVirtual are the process's user address space and what of it is not
//   mapped yet: passed in as `addressSpace` and `mappedBytes`.
MemoryStatus memoryStatusFrom(const MeminfoFields& fields, std::uint64_t addressSpace,
                              std::uint64_t mappedBytes);

// The user address space of a process on this architecture (x86-64: 128 TiB less one page),
// lowered to RLIMIT_AS when that is smaller.
std::uint64_t userAddressSpace();

// Reads /proc/meminfo and /proc/self/statm through descriptors kept open, one pread each.
// Memory and swap are read at every call. The process's own address-space figures (statm and
// RLIMIT_AS) are reused for a minute: nothing in the program shows them, and reading them cost
// a fifth of a memory tick.
class MeminfoReader {
public:
    explicit MeminfoReader(const std::string& procRoot);
    ~MeminfoReader();
    MeminfoReader(const MeminfoReader&) = delete;
    MeminfoReader& operator=(const MeminfoReader&) = delete;

    // Never fails: unreadable files give zeros.
    MemoryStatus read();

private:
    std::string meminfoPath_;
    std::string statmPath_;
    int meminfo_ = -1;
    int statm_ = -1;
    std::uint64_t pageSize_ = 4096;
    std::int64_t virtualAtNs_ = 0;  // when the two figures below were read; 0: never
    std::uint64_t addressSpace_ = 0;
    std::uint64_t mappedBytes_ = 0;
};

}  // namespace vintrel::platform::linux_host

#include <gtest/gtest.h>

#include "drives_fixtures.h"
#include "platform/linux/meminfo.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::uint64_t KiB = 1024;

TEST(Meminfo, StatusFromFixtures) {
    struct Case {
        const char* file;
        std::uint64_t totalKiB, availKiB;
        std::uint32_t load;
        std::uint64_t swapTotalKiB, swapFreeKiB;
    };
    const Case cases[] = {
        {"desktop.txt", 16314532, 9876544, 39, 2097148, 1572860},
        // LXC: MemAvailable 0, or above MemTotal: MemFree stands in.
        {"lxc_zero_available.txt", 4194304, 3145728, 25, 0, 0},
        {"lxc_available_above_total.txt", 2097152, 1048576, 50, 1048576, 1048576},
        // Kernels before 3.14 have no MemAvailable.
        {"old_kernel.txt", 515804, 10316, 98, 1048568, 1048568},
        // Nothing available known: all of it counts as used.
        {"missing_fields.txt", 8388608, 0, 100, 0, 0},
        // Duplicates keep the first good line, foreign units are ignored, a bare number is kB,
        // overflow saturates, free swap above the total is clamped.
        {"malformed.txt", 1048576, 262144, 75, 1024, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const MemoryStatus s =
            memoryStatusFrom(parseMeminfo(test::linuxFixture(std::string("meminfo/") + c.file)), 1000, 400);
        EXPECT_EQ(s.totalPhys, c.totalKiB * KiB);
        EXPECT_EQ(s.availPhys, c.availKiB * KiB);
        EXPECT_EQ(s.memoryLoad, c.load);
        EXPECT_EQ(s.totalPageFile, c.swapTotalKiB * KiB);
        EXPECT_EQ(s.availPageFile, c.swapFreeKiB * KiB);
        EXPECT_EQ(s.totalVirtual, 1000u);
        EXPECT_EQ(s.availVirtual, 600u);
    }
}

TEST(Meminfo, ParseEdges) {
    EXPECT_FALSE(parseMeminfo("").memTotal.has_value());
    EXPECT_EQ(parseMeminfo("MemTotal: 1 kB").memTotal, 1024u);  // no final newline
    EXPECT_EQ(parseMeminfo("MemTotal:\t\t2 kB\r\n").memTotal, 2048u);
    EXPECT_EQ(parseMeminfo("MemTotal: 18446744073709551615 kB\n").memTotal, UINT64_MAX);
    EXPECT_FALSE(parseMeminfo("MemTotal: 5 GB\n").memTotal.has_value());
    EXPECT_FALSE(parseMeminfo("MemTotalX: 5 kB\n").memTotal.has_value());
    EXPECT_FALSE(parseMeminfo("memtotal: 5 kB\n").memTotal.has_value());
    EXPECT_FALSE(parseMeminfo(std::string("MemTotal: \0 5 kB\n", 17)).memTotal.has_value());
}

TEST(Meminfo, LineScanEdges) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> total, swapFree;
    };
    const Case cases[] = {
        {"\n\nMemTotal: 3 kB\n", 3 * KiB, {}},                          // empty lines
        {"MemTotal: x kB\nMemTotal: 4 kB\n", 4 * KiB, {}},              // a bad line, then a good one
        {"SwapFree: 1 kB\nSwapFree: 2 kB", {}, 1 * KiB},                // the first good one wins
        {"MemTotal 2 kB\nMemTotal : 5 kB\nSwapFree:7\n", {}, 7 * KiB},  // the colon right after the name
        {"MemTotal: 1 kB\nMemFree: 1 kB\nMemAvailable: 1 kB\nSwapTotal: 1 kB\nSwapFree: 1 kB\n"
         "MemTotal: 9 kB\n",
         1 * KiB, 1 * KiB},
    };
    for (const Case& c : cases) {
        const MeminfoFields f = parseMeminfo(c.text);
        EXPECT_EQ(f.memTotal, c.total) << c.text;
        EXPECT_EQ(f.swapFree, c.swapFree) << c.text;
    }
}

TEST(Meminfo, LoadIsTruncatedAndBounded) {
    struct Case {
        std::uint64_t total, avail;
        std::uint32_t load;
    };
    const Case cases[] = {
        {0, 0, 0},
        {100, 100, 0},
        {100, 0, 100},
        {1000, 541, 45},  // 45.9 -> 45
        {3, 2, 33},
        {3, 1, 66},
        {UINT64_MAX, 0, 100},  // no overflow
        {UINT64_MAX, UINT64_MAX / 2, 50},
    };
    for (const Case& c : cases) {
        MeminfoFields f;
        f.memTotal = c.total;
        f.memAvailable = c.avail;
        f.memFree = c.avail;
        EXPECT_EQ(memoryStatusFrom(f, 0, 0).memoryLoad, c.load) << c.total << " " << c.avail;
    }
    // A mapped size beyond the address space leaves nothing available, not a wrapped figure.
    EXPECT_EQ(memoryStatusFrom({}, 100, 500).availVirtual, 0u);
}

TEST(Meminfo, ReaderUsesProcRoot) {
    test::FakeHost host;
    host.setMeminfo(test::linuxFixture("meminfo/desktop.txt"));
    host.setStatm("256 100 50 10 0 90 0\n");
    MeminfoReader reader(host.env.procRoot);
    MemoryStatus s = reader.read();
    EXPECT_EQ(s.totalPhys, 16314532 * KiB);
    EXPECT_EQ(s.memoryLoad, 39u);
    EXPECT_EQ(s.totalVirtual, userAddressSpace());
    EXPECT_EQ(s.totalVirtual - s.availVirtual, 256u * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));

    // The kept descriptor sees the file's new content (the file is rewritten in place).
    host.setMeminfo(test::linuxFixture("meminfo/lxc_zero_available.txt"));
    s = reader.read();
    EXPECT_EQ(s.totalPhys, 4194304 * KiB);
    EXPECT_EQ(s.memoryLoad, 25u);

    // Unreadable files give zeros, never a failure.
    MeminfoReader missing(host.env.procRoot + "/nothing");
    s = missing.read();
    EXPECT_EQ(s.totalPhys, 0u);
    EXPECT_EQ(s.memoryLoad, 0u);
    EXPECT_EQ(s.availVirtual, s.totalVirtual);
}

TEST(Meminfo, UserAddressSpace) {
    const std::uint64_t space = userAddressSpace();
    EXPECT_GE(space, std::uint64_t{1} << 30);
    if (sizeof(void*) == 8) {
        EXPECT_GT(space, std::uint64_t{1} << 32);
    }
}

}  // namespace
}  // namespace vintrel::platform::linux_host

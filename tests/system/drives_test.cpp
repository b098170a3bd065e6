#include <gtest/gtest.h>

#include "support/sim_machine.h"
#include "system/drives.h"

namespace vintrel::system {
namespace {
using test::SimMachine;

constexpr std::int64_t kGiB = 1073741824;

std::string drive(int type, std::int64_t total = 0, std::int64_t free = 0, const char* extra = "") {
    return "{\"type\":" + std::to_string(type) + ",\"totalBytes\":" + std::to_string(total) +
           ",\"freeBytes\":" + std::to_string(free) + extra + "}";
}

TEST(DriveTexts, PerDriveSizesAndPercent) {
    SimMachine m(R"({"locale":{"decimalSeparator":","},"drives":{
        "C":)" + drive(3, 10283000000, 5560000000) + R"(,
        "D":)" + drive(3, 851968000, 745472000) + R"(,
        "E":)" + drive(3, kGiB, kGiB) + R"(,
        "F":)" + drive(3, 1000, 0, R"(,"spaceQueryFails":true)") + "}}");
    EXPECT_EQ(FormatDriveSize(3), "9,57 GB");
    EXPECT_EQ(FormatDriveFree(3), "5,17 GB");
    EXPECT_EQ(FormatDriveUsed(3), "4,39 GB");
    EXPECT_EQ(DriveUsedPercent(3), 45);   // 45.93% truncated
    EXPECT_EQ(DriveUsedPercent(4), 12);
    EXPECT_EQ(DriveUsedPercent(5), 0);    // nothing used: no division by zero
    EXPECT_EQ(DriveUsedPercent(6), 0);    // failed queries
    EXPECT_EQ(FormatDriveSize(6), "0 MB");
    EXPECT_EQ(FormatDriveUsed(6), "0 MB");
    EXPECT_EQ(FormatDriveSize(7), "0 MB");  // no such drive
    EXPECT_EQ(FixedDrivesSummary(3),
              "C:(9,57 GB/Usado 45%), D:(812,5 MB/Usado 12%), E:(1024 MB/Usado 0%), F:(0 MB/Usado 0%)");
}

TEST(DriveTexts, LetterLoopsAndCounts) {
    SimMachine m(R"({"drives":{"C":)" + drive(3, kGiB, 1) + R"(,"D":{"type":5},"E":)" + drive(3, kGiB, 1) +
                 R"(,"F":{"type":5},"G":{"type":4},"K":)" + drive(3, kGiB, 1) + "}}");
    EXPECT_EQ(CountDrivesOfType(3), 2);  // K: is past J:
    EXPECT_EQ(CountDrivesOfType(5), 2);
    EXPECT_EQ(CountDrivesOfType(-1), 0);
    EXPECT_EQ(CountDrivesOfType(1), 5);  // A:, B:, H:, I:, J:
    EXPECT_EQ(DriveLettersOfType(5), "D:, F:");
    EXPECT_EQ(DriveLettersOfType(2), "");
    EXPECT_EQ(FixedDrivesSummary(6), "");
    EXPECT_EQ(DriveTypeByIndex(3), 3);
    EXPECT_EQ(DriveTypeByIndex(4), 5);
}

TEST(DriveTexts, Totals) {
    SimMachine m(R"({"locale":{"decimalSeparator":","},"drives":{"C":)" + drive(3, 3 * kGiB, kGiB) +
                 R"(,"E":)" + drive(3, kGiB, kGiB / 2) + R"(,"D":)" + drive(5, 9 * kGiB, 0) + "}}");
    EXPECT_EQ(FormatTotalFixedSize(), "4 GB");
    EXPECT_EQ(FormatTotalFixedFree(), "1,5 GB");
    EXPECT_EQ(FormatTotalFixedUsed(), "2,5 GB");
    EXPECT_EQ(TotalFixedUsedPercent(), "62");  // 2.5 / 4 = 62.5 truncated
}

TEST(DriveTexts, TotalsWithoutFixedDisksAreZero) {
    SimMachine m(R"({"drives":{"D":{"type":5}}})");
    EXPECT_EQ(FormatTotalFixedSize(), "0 MB");
    EXPECT_EQ(TotalFixedUsedPercent(), "0");
}

TEST(DriveTexts, FailedQueriesSubtractOneBytePerQuery) {
    SimMachine m(R"({"drives":{"C":)" + drive(3, 0, 0, R"(,"spaceQueryFails":true)") + "}}");
    EXPECT_EQ(FormatTotalFixedSize(), "0 MB");
    EXPECT_EQ(FormatTotalFixedFree(), "0 MB");
    EXPECT_EQ(TotalFixedUsedPercent(), "0");
}

TEST(MemoryTexts, PhysicalMemoryDividesBy1024000) {
    const struct {
        std::uint64_t bytes;
        const char* expected;
    } cases[] = {
        {67108864, "65MB"}, {134217728, "131MB"}, {0, "0MB"},
        {17179869184ull, "16777MB"},  // 16 GiB: no 32-bit overflow
    };
    for (const auto& c : cases) {
        SimMachine m(R"({"memory":{"totalPhys":)" + std::to_string(c.bytes) + "}}");
        EXPECT_EQ(FormatPhysicalMemory(), c.expected) << c.bytes;
    }
}

TEST(MemoryTexts, SwapInUse) {
    const struct {
        std::uint64_t total, avail;
        char separator;
        const char* expected;
    } cases[] = {
        {999 * 1024, 0, ',', "999 KB"},
        {1000 * 1024, 0, ',', "1 MB"},
        {1536 * 1024, 0, ',', "1,53 MB"},
        {123456 * 1024, 0, ',', "123,45 MB"},
        {1536 * 1024, 0, '.', "1.53 MB"},
        {100, 100, ',', "0,0 KB"},
        {0, 0, '.', "0,0 KB"},          // the comma stays whatever the locale
        {1023, 0, ',', "0,0 KB"},       // under one kilobyte
        {100, 5000, ',', "0,0 KB"},     // free above total: none in use, no wrap-around
        {8ull << 30, 0, ',', "8388,6 MB"},  // 8 GiB of swap in use, beyond 32 bits
    };
    for (const auto& c : cases) {
        SimMachine m(R"({"locale":{"decimalSeparator":")" + std::string(1, c.separator) +
                     R"("},"memory":{"totalPageFile":)" + std::to_string(c.total) +
                     R"(,"availPageFile":)" + std::to_string(c.avail) + "}}");
        EXPECT_EQ(FormatSwapUsed(), c.expected) << c.total << " " << c.avail;
    }
}

TEST(MemoryTexts, Load) {
    SimMachine m(R"({"memory":{"memoryLoad":37}})");
    EXPECT_EQ(FormatMemoryLoad(), "37%");
}

TEST(LeadingNumber, ReadsDigitsUntilTheFirstOther) {
    EXPECT_EQ(leadingNumber("45%"), 45);
    EXPECT_EQ(leadingNumber("100%"), 100);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("%"), 0);
    EXPECT_EQ(leadingNumber("7x8"), 7);
}

}  // namespace
}  // namespace vintrel::system

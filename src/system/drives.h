#pragma once
// Measurements of the drives A: to J: and of memory, and the texts made from them. Stateless:
// every call asks the platform afresh.

#include <array>
#include <string>

#include "platform/api/platform.h"
#include "text/numbers.h"

namespace vintrel::system {

inline constexpr int kFirstDrive = 1;   // A:
inline constexpr int kLastDrive = 10;   // J:

// "A:\" for 1 ... "J:\" for 10; "A:/" ... with slash = true.
std::string driveRoot(int driveNumber, bool forwardSlash = false);

int DriveTypeByIndex(int driveNumber);

// A drive's capacity and free space from one query, -1 each when it fails.
struct DriveSpace {
    std::int64_t capacity = -1;
    std::int64_t free = -1;
    friend bool operator==(const DriveSpace&, const DriveSpace&) = default;
};
DriveSpace DriveSpaceOf(int driveNumber);

// The space of the fixed drives among A: to J:, in order: the types asked at once, each
// drive's space once. For a refresh that shows several texts of each and the totals.
struct FixedDrives {
    std::array<DriveSpace, kLastDrive> spaces{};
    int count = 0;
    friend bool operator==(const FixedDrives&, const FixedDrives&) = default;
};
FixedDrives FixedDrivesNow();
int CountDrivesOfType(int driveType);
std::string DriveLettersOfType(int driveType);
std::string FixedDrivesSummary(int driveType);

// Capacity and free space available to the caller; -1 when the query fails.
std::int64_t DriveCapacity(int driveNumber);
std::int64_t DriveFree(int driveNumber);

std::string FormatDriveSize(int driveNumber);
std::string FormatDriveFree(int driveNumber);
std::string FormatDriveUsed(int driveNumber);
// Whole percentage in use; 0 when nothing is in use or the queries fail.
text::Extended DriveUsedPercent(int driveNumber);
// The same texts from one reading of the drive's space.
std::string FormatDriveSize(const DriveSpace& space);
std::string FormatDriveFree(const DriveSpace& space);
std::string FormatDriveUsed(const DriveSpace& space);
text::Extended DriveUsedPercent(const DriveSpace& space);

std::string FormatTotalFixedSize();
std::string FormatTotalFixedFree();
std::string FormatTotalFixedUsed();
std::string TotalFixedUsedPercent();
// The same totals from the spaces already read.
std::string FormatTotalFixedFree(const FixedDrives& fixed);
std::string TotalFixedUsedPercent(const FixedDrives& fixed);

std::string FormatPhysicalMemory();
std::string FormatMemoryLoad();
std::string FormatSwapUsed();
// The same texts from one memory-status reading, for a refresh that shows several of them.
std::string FormatMemoryLoad(const platform::MemoryStatus& status);
std::string FormatSwapUsed(const platform::MemoryStatus& status);

// The whole number at the start of a text ("45%" -> 45, "" -> 0), read digit by digit.
int leadingNumber(std::string_view text);

}  // namespace vintrel::system

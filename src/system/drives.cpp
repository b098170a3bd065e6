#include "system/drives.h"

#include <cmath>
#include <cstdint>

#include "platform/api/platform.h"

namespace vintrel::system {
namespace {
using text::Extended;
using text::generalNumberText;
using text::sizeText;

platform::DrivesAndMemory& drives() { return platform::current().drives(); }

bool isDriveOfType(int driveNumber, int driveType, bool forwardSlash = false) {
    return drives().driveType(driveRoot(driveNumber, forwardSlash)) == driveType;
}

// trunc(100 / (total / used)) in that order, or 0 where the quotient has no value (nothing
// used, or no capacity), instead of a floating-point fault.
Extended usedPercent(Extended total, Extended used) {
    if (used == 0 || total == 0) return 0;
    return std::trunc(100 / (total / used));
}
}  // namespace

std::string driveRoot(int driveNumber, bool forwardSlash) {
    std::string root(1, static_cast<char>('A' + driveNumber - 1));
    root += forwardSlash ? ":/" : ":\\";
    return root;
}

int DriveTypeByIndex(int driveNumber) { return drives().driveType(driveRoot(driveNumber)); }

DriveSpace DriveSpaceOf(int driveNumber) {
    const auto space = drives().diskFreeSpace(driveRoot(driveNumber));
    if (!space) return {};
    return {space->totalBytes, space->freeBytesAvailableToCaller};
}

FixedDrives FixedDrivesNow() {
    std::array<int, kLastDrive> types{};  // A: at [0]
    drives().driveTypes(types);
    FixedDrives fixed;
    for (int n = kFirstDrive; n <= kLastDrive; ++n) {
        if (types[static_cast<std::size_t>(n - 1)] != platform::DRIVE_FIXED) continue;
        fixed.spaces[static_cast<std::size_t>(fixed.count++)] = DriveSpaceOf(n);
    }
    return fixed;
}

int CountDrivesOfType(int driveType) {
    if (driveType < 0) return 0;
    int count = 0;
    for (int n = kFirstDrive; n <= kLastDrive; ++n)
        if (isDriveOfType(n, driveType, true)) ++count;
    return count;
}

std::string DriveLettersOfType(int driveType) {
    std::string out;
    for (int n = kFirstDrive; n <= kLastDrive; ++n)
        if (isDriveOfType(n, driveType)) out += driveRoot(n).substr(0, 2) + ", ";
    if (!out.empty()) out.resize(out.size() - 2);
    return out;
}

std::string FixedDrivesSummary(int driveType) {
    std::string out;
    for (int n = kFirstDrive; n <= kLastDrive; ++n) {
        if (!isDriveOfType(n, driveType)) continue;
        out += driveRoot(n).substr(0, 2) + "(" + FormatDriveSize(n) + "/Usado " +
               generalNumberText(DriveUsedPercent(n)) + "%), ";
    }
    if (!out.empty()) out.resize(out.size() - 2);
    return out;
}

std::int64_t DriveCapacity(int driveNumber) {
    const auto space = drives().diskFreeSpace(driveRoot(driveNumber));
    return space ? space->totalBytes : -1;
}

std::int64_t DriveFree(int driveNumber) {
    const auto space = drives().diskFreeSpace(driveRoot(driveNumber));
    return space ? space->freeBytesAvailableToCaller : -1;
}

std::string FormatDriveSize(int driveNumber) {
    return FormatDriveSize(DriveSpaceOf(driveNumber));
}
std::string FormatDriveFree(int driveNumber) {
    return FormatDriveFree(DriveSpaceOf(driveNumber));
}
std::string FormatDriveUsed(int driveNumber) {
    return FormatDriveUsed(DriveSpaceOf(driveNumber));
}
Extended DriveUsedPercent(int driveNumber) {
    return DriveUsedPercent(DriveSpaceOf(driveNumber));
}

std::string FormatDriveSize(const DriveSpace& space) {
    return sizeText(static_cast<Extended>(space.capacity));
}
std::string FormatDriveFree(const DriveSpace& space) {
    return sizeText(static_cast<Extended>(space.free));
}
std::string FormatDriveUsed(const DriveSpace& space) {
    return sizeText(static_cast<Extended>(space.capacity - space.free));
}
Extended DriveUsedPercent(const DriveSpace& space) {
    return usedPercent(static_cast<Extended>(space.capacity),
                       static_cast<Extended>(space.capacity - space.free));
}

std::string FormatTotalFixedSize() {
    Extended sum = 0;
    for (int n = kFirstDrive; n <= kLastDrive; ++n)
        if (isDriveOfType(n, platform::DRIVE_FIXED)) sum += static_cast<Extended>(DriveCapacity(n));
    return sizeText(sum);
}

std::string FormatTotalFixedFree() {
    return FormatTotalFixedFree(FixedDrivesNow());
}

std::string FormatTotalFixedFree(const FixedDrives& fixed) {
    Extended sum = 0;
    for (int i = 0; i < fixed.count; ++i)
        sum += static_cast<Extended>(fixed.spaces[static_cast<std::size_t>(i)].free);
    return sizeText(sum);
}

std::string FormatTotalFixedUsed() {
    Extended sum = 0;
    for (int n = kFirstDrive; n <= kLastDrive; ++n) {
        if (!isDriveOfType(n, platform::DRIVE_FIXED)) continue;
        const std::int64_t capacity = DriveCapacity(n);
        sum += static_cast<Extended>(capacity - DriveFree(n));
    }
    return sizeText(sum);
}

std::string TotalFixedUsedPercent() {
    return TotalFixedUsedPercent(FixedDrivesNow());
}

std::string TotalFixedUsedPercent(const FixedDrives& fixed) {
    Extended total = 0;
    Extended used = 0;
    for (int i = 0; i < fixed.count; ++i) {
        const DriveSpace& space = fixed.spaces[static_cast<std::size_t>(i)];
        total += static_cast<Extended>(space.capacity);
        used += static_cast<Extended>(space.capacity - space.free);
    }
    return generalNumberText(usedPercent(total, used));
}

std::string FormatPhysicalMemory() {
    const auto status = drives().memoryStatus();
    return generalNumberText(std::trunc(static_cast<Extended>(status.totalPhys) / 1024000)) + "MB";
}

std::string FormatMemoryLoad() { return FormatMemoryLoad(drives().memoryStatus()); }
std::string FormatMemoryLoad(const platform::MemoryStatus& status) { return std::to_string(status.memoryLoad) + "%"; }

std::string FormatSwapUsed() { return FormatSwapUsed(drives().memoryStatus()); }
std::string FormatSwapUsed(const platform::MemoryStatus& status) {
    // 64-bit counts; free swap above the total (a racy reading) counts as none in use.
    const std::uint64_t inUse =
        status.availPageFile > status.totalPageFile ? 0 : status.totalPageFile - status.availPageFile;
    const Extended kilobytes = std::trunc(static_cast<Extended>(inUse) / 1024);
    if (kilobytes > 999) return generalNumberText(std::trunc(kilobytes / 10) / 100) + " MB";
    if (kilobytes > 0) return generalNumberText(kilobytes) + " KB";
    return "0,0 KB";
}

int leadingNumber(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value > 100000000) break;  // far beyond any width; stops overflow on junk
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace vintrel::system

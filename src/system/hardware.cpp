#include "system/hardware.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <optional>

#include "platform/api/platform.h"
#include "system/drives.h"
#include "system/registry_access.h"
#include "text/numbers.h"

namespace vintrel::system {
namespace {
using platform::HKEY_LOCAL_MACHINE;

std::string readMachine(std::string_view key, std::string_view value) {
    return RegReadString(HKEY_LOCAL_MACHINE, key, value);
}

double measureOn(platform::Processor& cpu) {
    const std::uint32_t savedClass = cpu.priorityClass();
    const int savedThreadPriority = cpu.threadPriority();
    cpu.setPriorityClass(platform::REALTIME_PRIORITY_CLASS);
    cpu.setThreadPriority(platform::THREAD_PRIORITY_TIME_CRITICAL);
    cpu.sleepMs(10);
    const auto first = cpu.readTimeStampCounter();
    cpu.sleepMs(500);
    const auto second = cpu.readTimeStampCounter();
    cpu.setThreadPriority(savedThreadPriority);
    cpu.setPriorityClass(savedClass);
    if (!first || !second) return 0;
    // Only the low 32 bits of the difference count, as unsigned.
    const auto ticks = static_cast<std::uint32_t>(*second - *first);
    return static_cast<double>(ticks) / 500000.0;
}

// The early measurement, while one is running or its result is not yet taken.
struct EarlyClock {
    std::mutex mutex;
    std::optional<std::future<double>> result;
};
EarlyClock& earlyClock() {
    static EarlyClock early;
    return early;
}

}  // namespace

EarlyClockMeasurement::EarlyClockMeasurement(platform::Processor& cpu) {
    EarlyClock& early = earlyClock();
    const std::lock_guard lock(early.mutex);
    early.result = std::async(std::launch::async, measureOn, std::ref(cpu));
}

EarlyClockMeasurement::~EarlyClockMeasurement() {
    std::optional<std::future<double>> left;
    {
        EarlyClock& early = earlyClock();
        const std::lock_guard lock(early.mutex);
        left.swap(early.result);
    }
    if (left) left->wait();
}

double MeasureCpuClockMHz() {
    std::optional<std::future<double>> started;
    {
        EarlyClock& early = earlyClock();
        const std::lock_guard lock(early.mutex);
        started.swap(early.result);
    }
    return started ? started->get() : measureOn(platform::current().processor());
}

std::string FormatClockLine(double megahertz) {
    // Rounded to two decimals without the C library's locale; the separator is the system's.
    if (!std::isfinite(megahertz)) megahertz = 0;
    const long long hundredths = std::llround(megahertz * 100.0);
    const long long whole = hundredths / 100;
    const long long fraction = std::llabs(hundredths % 100);
    char digits[64];
    std::snprintf(digits, sizeof digits, "%s%lld%c%02lld", hundredths < 0 && whole == 0 ? "-" : "", whole,
                  text::decimalSeparator(), fraction);
    return std::string("Clock: ") + digits + " MHz";
}

std::string FormatScreenMode() {
    const std::string depth = RegReadString(platform::reg::BitsPerPixel);
    const auto screen = platform::current().ui().screenSize();
    if (screen.width <= 0 || screen.height <= 0) return {};  // no screen known: no figures
    const std::string size = std::to_string(screen.width) + " x " + std::to_string(screen.height);
    if (depth == "8") return size + " (256 Cores)";
    return size + "  (" + depth + "Bits)";
}

std::string SoundAndCdromText() {
    std::string text;
    if (platform::current().multimedia().waveOutDeviceCount() != 0) text = "Som";
    const std::string cdroms = DriveLettersOfType(platform::DRIVE_CDROM);
    if (!cdroms.empty()) {
        if (!text.empty())
            text += ",  CD-Rom (" + cdroms + ")";
        else
            text = "CD-Rom (" + cdroms + ")";
    }
    return text;
}

std::string DetectedDevicesText() {
    struct Probe {
        std::string_view key;
        const char* requiredClass;  // nullptr: no class check
        const char* name;
    };
    static constexpr Probe kProbes[] = {
        {platform::reg::kPrinterEnumKey, nullptr, "Impressora, "},
        {platform::reg::kKeyboardEnumKey, "Keyboard", "Teclado, "},
        {platform::reg::kMouseEnumKey, "Mouse", "Mouse, "},
        {platform::reg::kModemEnumKey, "Modem", "Modem, "},
    };
    std::string text;
    for (const Probe& probe : kProbes) {
        if (readMachine(probe.key, "DeviceDesc").empty()) continue;
        if (probe.requiredClass != nullptr && readMachine(probe.key, "Class") != probe.requiredClass) continue;
        text += probe.name;
    }
    if (text.size() >= 2) text.resize(text.size() - 2);
    return text;
}

std::string DisplayAdapterName() {
    return RegReadString(platform::reg::DisplayAdapter);
}

std::string MonitorName() {
    return RegReadString(platform::reg::Monitor);
}

std::string OperatingSystemLine() {
    return "Os: " + RegReadString(platform::reg::ProductNameShown);
}

std::string ProcessorVendorLine() {
    return "Cpu: " + RegReadString(platform::reg::ProcessorVendor);
}

}  // namespace vintrel::system

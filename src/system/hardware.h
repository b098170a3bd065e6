#pragma once
// The hardware summary: processor clock, screen mode, sound and CD-ROM, detected devices.

#include <string>

namespace vintrel::platform {
class Processor;
}

namespace vintrel::system {

// Time-stamp counter ticks across a 500 ms sleep, at raised priority, in MHz. 0 when the
// processor has no counter. Blocks for at least 510 ms, or takes the result of the early
// measurement below when one is running.
double MeasureCpuClockMHz();

// The clock measured on `cpu` on a thread of its own from construction, so that its 510 ms
// pass while Qt and the window start: the next MeasureCpuClockMHz() waits for this result
// instead of measuring again. `cpu` must outlive this object, whose destructor waits for the
// thread, and must be one that may be asked from another thread.
class EarlyClockMeasurement {
public:
    explicit EarlyClockMeasurement(platform::Processor& cpu);
    ~EarlyClockMeasurement();
    EarlyClockMeasurement(const EarlyClockMeasurement&) = delete;
    EarlyClockMeasurement& operator=(const EarlyClockMeasurement&) = delete;
};

// "Clock: 467,73 MHz": two decimals, rounded, with the locale's decimal separator.
std::string FormatClockLine(double megahertz);

// "800 x 600  (16Bits)", or "640 x 480 (256 Cores)" for 8 bits per pixel; empty when the
// screen is not known (no graphical session, no display driver that tells its mode).
std::string FormatScreenMode();

// "Som,  CD-Rom (D:)", "Som", "CD-Rom (D:)" or empty.
std::string SoundAndCdromText();

// "Impressora, Teclado, Mouse, Modem" for the device kinds found, or empty.
std::string DetectedDevicesText();

// The registry texts of the two boxes.
std::string DisplayAdapterName();
std::string MonitorName();
std::string OperatingSystemLine();  // "Os: " + product name
std::string ProcessorVendorLine();  // "Cpu: " + vendor

}  // namespace vintrel::system

#pragma once
// The processor group on Linux: Windows priority classes as the process's nice value,
// "time critical" as SCHED_FIFO on one pinned CPU, sleeps, and the time-stamp counter.

#include <memory>
#include <optional>
#include <string>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// Windows classes missing from the shared header.
inline constexpr std::uint32_t BELOW_NORMAL_PRIORITY_CLASS = 0x4000;
inline constexpr std::uint32_t ABOVE_NORMAL_PRIORITY_CLASS = 0x8000;
inline constexpr int THREAD_PRIORITY_IDLE = -15;

// The nice value that stands for a class, and the class a nice value falls in.
int niceForPriorityClass(std::uint32_t priorityClass);  // -1000 for an unknown class
std::uint32_t priorityClassForNice(int nice);

// CPUID leaf 0 vendor string (EBX, EDX, ECX), "GenuineIntel"; nullopt on other processors.
std::optional<std::string> cpuVendorIdentifier();

// Priority classes map to nice values (IDLE 19, BELOW_NORMAL 10, NORMAL 0, ABOVE_NORMAL -5,
// HIGH -10, REALTIME -20) applied to every thread of the process; raising needs privilege
// and fails for ordinary users, changing nothing. Setting the class that was last read puts
// back the exact nice value read, so a save/raise/restore round trip is lossless.
// THREAD_PRIORITY_TIME_CRITICAL pins the calling thread to its current CPU and tries
// SCHED_FIFO (fails without CAP_SYS_NICE; the pin alone still succeeds); any other thread
// priority puts back the saved scheduler and CPU mask. IDLE maps to SCHED_IDLE; the levels
// in between have no Linux counterpart and are only remembered per thread.
std::unique_ptr<Processor> makeLinuxProcessor();

}  // namespace vintrel::platform::linux_host

// What one refresh of each timer costs: the platform queries and texts of a disk tick
// (ten fixed disks), a memory tick, and the whole Timer2 tick of the real window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench_machines.h"
#include "forms/main_form.h"
#include "platform/api/platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/sim/sim_platform.h"
#include "system/drives.h"
#include "system/hardware.h"

namespace {
using namespace vintrel;

using bench::tenFixedDisks;

std::filesystem::path scratch() {
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("vintrel-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

std::unique_ptr<platform::ScopedPlatform> simulated() {
    auto sim = platform::sim::makeSimPlatform(platform::sim::parseProfile(tenFixedDisks(), "bench"),
                                              scratch() / "sim", "bench");
    return std::make_unique<platform::ScopedPlatform>(std::move(sim));
}

std::unique_ptr<platform::ScopedPlatform> linuxMachine() {
    platform::linux_host::LinuxEnvironment env;
    env.root = (scratch() / "linux").string();
    return std::make_unique<platform::ScopedPlatform>(platform::linux_host::makeLinuxPlatform(env));
}

// The measurements and texts of one disk tick, without the widgets.
void diskTick() {
    for (int n = system::kFirstDrive; n <= system::kLastDrive; ++n) {
        if (system::DriveTypeByIndex(n) != platform::DRIVE_FIXED) continue;
        benchmark::DoNotOptimize(system::DriveUsedPercent(n));
        benchmark::DoNotOptimize(system::FormatDriveSize(n));
        benchmark::DoNotOptimize(system::FormatDriveUsed(n));
        benchmark::DoNotOptimize(system::FormatDriveFree(n));
    }
    benchmark::DoNotOptimize(system::FormatTotalFixedFree());
    benchmark::DoNotOptimize(system::TotalFixedUsedPercent());
    benchmark::DoNotOptimize(system::TotalFixedUsedPercent());
}

void memoryTick() {
    benchmark::DoNotOptimize(system::FormatSwapUsed());
    benchmark::DoNotOptimize(system::FormatMemoryLoad());
    benchmark::DoNotOptimize(system::FormatMemoryLoad());
    benchmark::DoNotOptimize(platform::current().drives().memoryStatus());
}

void BM_DiskTick_Simulated(benchmark::State& state) {
    auto guard = simulated();
    for (auto _ : state) diskTick();
}
BENCHMARK(BM_DiskTick_Simulated);

void BM_DiskTick_Linux(benchmark::State& state) {
    auto guard = linuxMachine();
    state.counters["fixedDisks"] = system::CountDrivesOfType(platform::DRIVE_FIXED);
    for (auto _ : state) diskTick();
}
BENCHMARK(BM_DiskTick_Linux);

void BM_MemoryTick_Linux(benchmark::State& state) {
    auto guard = linuxMachine();
    for (auto _ : state) memoryTick();
}
BENCHMARK(BM_MemoryTick_Linux);

void BM_VideoTick_Linux(benchmark::State& state) {
    auto guard = linuxMachine();
    for (auto _ : state) {
        benchmark::DoNotOptimize(system::FormatScreenMode());
        benchmark::DoNotOptimize(system::DisplayAdapterName());
        benchmark::DoNotOptimize(system::MonitorName());
    }
}
BENCHMARK(BM_VideoTick_Linux);

// The whole Timer2 tick of the window, labels and gauges included (offscreen).
void BM_WindowTimer2_Simulated(benchmark::State& state) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "vintrel_bench";
    static char* argv[] = {name, nullptr};
    if (qApp == nullptr) new QApplication(argc, argv);  // lives for the whole benchmark run
    auto guard = simulated();
    forms::TForm1 form;
    for (auto _ : state) form.Timer2Timer();
}
BENCHMARK(BM_WindowTimer2_Simulated);

}  // namespace

// Cost of the Linux drives-and-memory provider, without the text layer: one disk tick's
// platform calls, one memory status, a volume query and a mount-table re-read.
//
// Ticks come every two seconds, longer than the provider reuses a space figure (100 ms), so
// the tick benchmarks wait that long, untimed, between iterations: each tick pays one statvfs
// per disk, as in the program.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/linux_drives.h"

namespace {
using namespace vintrel::platform;
using linux_host::LinuxDrives;
namespace fs = std::filesystem;

fs::path scratch() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("vintrel-drives-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::unique_ptr<LinuxDrives> drivesOnThisMachine() {
    linux_host::LinuxEnvironment env;
    env.root = (scratch() / "root").string();
    return linux_host::makeLinuxDrives(env);
}

// The most fixed disks the provider letters: C: and seven more on D: to J:, each a real folder
// (so statvfs does real work) described by a made-up mount table.
std::unique_ptr<LinuxDrives> eightFixedDisks() {
    const fs::path base = scratch() / "eight";
    linux_host::LinuxEnvironment env;
    env.root = (base / "root").string();
    env.procRoot = (base / "proc").string();
    env.sysRoot = (base / "sys").string();
    env.devRoot = (base / "dev").string();
    env.runRoot = (base / "run").string();
    fs::create_directories(base / "proc" / "self");
    std::ofstream table(base / "proc" / "self" / "mountinfo");
    table << "1 0 8:0 / / rw - ext4 /dev/sda rw\n";
    for (int disk = 1; disk <= 7; ++disk) {
        const fs::path mountPoint = base / ("disk" + std::to_string(disk));
        fs::create_directories(mountPoint);
        table << disk + 1 << " 1 8:" << disk * 16 + 1 << " / " << mountPoint.string() << " rw - ext4 /dev/sd"
              << static_cast<char>('a' + disk) << "1 rw\n";
    }
    table.close();
    return linux_host::makeLinuxDrives(env);
}

const char* const kRoots[] = {"A:\\", "B:\\", "C:\\", "D:\\", "E:\\", "F:\\", "G:\\", "H:\\", "I:\\", "J:\\"};

// One disk tick: 40 drive-type queries over A: to J: and 14 space queries per fixed disk.
int diskTick(LinuxDrives& drives) {
    const char* fixed[10];
    int count = 0;
    for (int round = 0; round < 4; ++round)
        for (const char* root : kRoots)
            if (drives.driveType(root) == DRIVE_FIXED && round == 0) fixed[count++] = root;
    for (int disk = 0; disk < count; ++disk)
        for (int q = 0; q < 14; ++q) benchmark::DoNotOptimize(drives.diskFreeSpace(fixed[disk]));
    return count;
}

void runTicks(benchmark::State& state, LinuxDrives& drives) {
    int disks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(110));
        state.ResumeTiming();
        disks = diskTick(drives);
    }
    state.counters["fixedDisks"] = disks;
}

void BM_LinuxDrives_DiskTick_ThisMachine(benchmark::State& state) {
    auto drives = drivesOnThisMachine();
    runTicks(state, *drives);
}
BENCHMARK(BM_LinuxDrives_DiskTick_ThisMachine)->Iterations(40);

void BM_LinuxDrives_DiskTick_EightFixedDisks(benchmark::State& state) {
    auto drives = eightFixedDisks();
    runTicks(state, *drives);
}
BENCHMARK(BM_LinuxDrives_DiskTick_EightFixedDisks)->Iterations(40);

void BM_LinuxDrives_DriveType(benchmark::State& state) {
    auto drives = drivesOnThisMachine();
    for (auto _ : state) benchmark::DoNotOptimize(drives->driveType("C:\\"));
}
BENCHMARK(BM_LinuxDrives_DriveType);

void BM_LinuxDrives_MemoryStatus(benchmark::State& state) {
    auto drives = drivesOnThisMachine();
    for (auto _ : state) benchmark::DoNotOptimize(drives->memoryStatus());
}
BENCHMARK(BM_LinuxDrives_MemoryStatus);

void BM_LinuxDrives_VolumeInformation(benchmark::State& state) {
    auto drives = drivesOnThisMachine();
    for (auto _ : state) benchmark::DoNotOptimize(drives->volumeInformation("C:\\"));
}
BENCHMARK(BM_LinuxDrives_VolumeInformation);

// What a mount or unmount costs: the table read, parsed and lettered again.
void BM_LinuxDrives_Refresh(benchmark::State& state) {
    auto drives = drivesOnThisMachine();
    for (auto _ : state) drives->refresh();
}
BENCHMARK(BM_LinuxDrives_Refresh);

}  // namespace

// The three timer handlers of the real main window, ticking as their timers space them: the
// pause between two ticks (not measured) lets the space-figure reuse and the mount-watch
// throttle expire, so each tick does the work it does in the running program. CPU time of the
// handler's thread, per tick. Also the one-off costs: opening the settings dialog and writing
// the report.
#include <benchmark/benchmark.h>

#include <time.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "bench_machines.h"
#include "forms/controls.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "platform/api/platform.h"
#include "platform/linux/linux_drives.h"
#include "platform/linux/linux_platform.h"
#include "platform/sim/sim_platform.h"
#include "system/report.h"
#include "support/mount_tables.h"
#include "system/settings.h"

namespace {
using namespace vintrel;

void ensureApplication() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "vintrel_bench";
    static char* argv[] = {name, nullptr};
    if (qApp == nullptr) new QApplication(argc, argv);  // lives for the whole benchmark run
}

std::filesystem::path scratch(const char* what) {
    auto d = std::filesystem::temp_directory_path() / ("vintrel-spaced-" + std::to_string(::getpid())) / what;
    std::filesystem::create_directories(d);
    return d;
}

using bench::tenFixedDisks;

std::unique_ptr<platform::ScopedPlatform> machine(bool linux) {
    if (linux) {
        platform::linux_host::LinuxEnvironment env;
        env.root = scratch("linux").string();
        return std::make_unique<platform::ScopedPlatform>(platform::linux_host::makeLinuxPlatform(env));
    }
    return std::make_unique<platform::ScopedPlatform>(platform::sim::makeSimPlatform(
        platform::sim::parseProfile(tenFixedDisks(), "bench"), scratch("sim").string(), "bench"));
}

double threadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Runs `tick` once per iteration, 120 ms after the last, as the timers space them (the reuse
// windows expire in between), timing its thread CPU. Besides the mean (the CPU column), it
// reports the minimum and the median tick: on a machine shared with a compiler the mean
// follows the neighbour more than the handler.
template <class Tick>
void runSpaced(benchmark::State& state, Tick tick) {
    std::vector<double> ticks;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        state.ResumeTiming();
        const double start = threadCpuMicroseconds();
        tick();
        ticks.push_back(threadCpuMicroseconds() - start);
    }
    if (ticks.empty()) return;
    std::sort(ticks.begin(), ticks.end());
    state.counters["min_us"] = ticks.front();
    state.counters["median_us"] = ticks[ticks.size() / 2];
}

template <void (forms::TForm1::*Tick)()>
void BM_SpacedTick(benchmark::State& state) {
    ensureApplication();
    auto guard = machine(state.range(0) != 0);
    forms::TForm1 form;
    // The simulated disks lose a cluster before every tick, as a disk in use does, so that
    // the disk tick redoes its texts each time rather than finding the same figures.
    auto* sim = dynamic_cast<platform::sim::SimPlatform*>(&platform::current());
    runSpaced(state, [&form, sim] {
        if (sim != nullptr)
            for (auto& drive : sim->profile().drives) drive.freeBytes -= 4096;
        (form.*Tick)();
    });
    state.SetLabel(state.range(0) ? "linux" : "ten simulated disks");
}
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer1Timer)->Arg(1)->Arg(0)->Iterations(41);
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer2Timer)->Arg(1)->Arg(0)->Iterations(41);
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer3Timer)->Arg(1)->Arg(0)->Iterations(41);

// The disk tick right after the mount table changed: the table read, parsed and lettered
// again, then the tick itself, on a made-up machine with a table of range(0) lines.
void BM_MountChangeTick(benchmark::State& state) {
    ensureApplication();
    const auto base = scratch(("mounts" + std::to_string(state.range(0))).c_str());
    platform::linux_host::LinuxEnvironment env;
    env.root = (base / "root").string();
    env.procRoot = (base / "proc").string();
    env.sysRoot = (base / "sys").string();
    env.devRoot = (base / "dev").string();
    env.runRoot = (base / "run").string();
    std::filesystem::create_directories(base / "proc" / "self");
    std::ofstream(base / "proc" / "self" / "mountinfo") << test::generatedMountTable(static_cast<int>(state.range(0)));
    platform::ScopedPlatform guard(platform::linux_host::makeLinuxPlatform(env));
    auto* drives = dynamic_cast<platform::linux_host::LinuxDrives*>(&platform::current().drives());
    if (drives == nullptr) {
        state.SkipWithError("not the Linux drives provider");
        return;
    }
    forms::TForm1 form;
    runSpaced(state, [&] {
        drives->refresh();  // what the watch does when the kernel reports a change
        form.Timer2Timer();
    });
    state.SetLabel(std::to_string(state.range(0)) + " mount lines");
}
BENCHMARK(BM_MountChangeTick)->Arg(20)->Arg(100)->Arg(200)->Arg(1000)->Iterations(25)->Unit(benchmark::kMicrosecond);

// A user data folder whose flatpak exports hold `count` applications, each an installed
// program as the Linux provider lists them (a desktop entry that flatpak can remove).
std::filesystem::path dataHomeWithPrograms(long count) {
    const auto home = scratch(("programs" + std::to_string(count)).c_str());
    const auto apps = home / "flatpak" / "exports" / "share" / "applications";
    std::filesystem::create_directories(apps);
    for (long i = 0; i < count; ++i) {
        const std::string id = "org.vintrel.Bench" + std::to_string(100000 + i);
        std::ofstream(apps / (id + ".desktop")) << "[Desktop Entry]\nType=Application\nName=Programa " << i
                                                << "\nExec=true\nX-Flatpak=" << id << "\n";
    }
    return home;
}

// Runs `body` with range(0) more programs in the user's flatpak exports (none for 0), given
// the folder they are in.
template <typename Body>
void withPrograms(benchmark::State& state, Body body) {
    ensureApplication();
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    std::filesystem::path home;
    if (state.range(0) > 0) {
        home = dataHomeWithPrograms(state.range(0));
        setenv("XDG_DATA_HOME", home.c_str(), 1);
    }
    {
        auto guard = machine(true);
        forms::ScriptedMessages quiet;
        body(home / "flatpak" / "exports" / "share" / "applications");
    }
    if (before) setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
}

int openSettingsDialog() {
    forms::TSistemaDef dialog;
    return dialog.findChild<forms::TListBox*>("ListBox1")->count();
}

// Opening the dialog again: with this machine's installed programs (0), and with range(0)
// more. The programs were read by an opening before, and nothing changed since.
void BM_OpenSettingsDialog(benchmark::State& state) {
    withPrograms(state, [&](const std::filesystem::path&) {
        openSettingsDialog();
        int listed = 0;
        for (auto _ : state) listed = openSettingsDialog();
        state.counters["programs"] = listed;
    });
}
BENCHMARK(BM_OpenSettingsDialog)->Arg(0)->Arg(100)->Arg(10000)->Iterations(10)->Unit(benchmark::kMillisecond);

// The first opening after the programs changed: every desktop entry is read (from the page
// cache). Between openings, longer than the list's lifetime passes and the exports folder
// takes another change time.
void BM_FirstSettingsDialogOpening(benchmark::State& state) {
    withPrograms(state, [&](const std::filesystem::path& apps) {
        int listed = 0;
        int changes = 0;
        for (auto _ : state) {
            state.PauseTiming();
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));
            std::filesystem::last_write_time(apps, std::filesystem::file_time_type::clock::now() -
                                                       std::chrono::hours(1) - std::chrono::seconds(++changes));
            state.ResumeTiming();
            listed = openSettingsDialog();
        }
        state.counters["programs"] = listed;
    });
}
BENCHMARK(BM_FirstSettingsDialogOpening)->Arg(100)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

// Writing the report on a simulated machine (the real one would write to the user's desktop).
void BM_WriteReport(benchmark::State& state) {
    auto guard = machine(false);
    const std::vector<std::string> programs{"Compactador de Arquivos", "Editor de Imagens", "Leitor de Documentos"};
    for (auto _ : state) system::WriteReport(programs);
}
BENCHMARK(BM_WriteReport)->Unit(benchmark::kMicrosecond);

}  // namespace

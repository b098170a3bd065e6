// The three timer handlers of the real main window, ticking as their timers space them: the
// pause between two ticks (not measured) lets the space-figure reuse and the mount-watch
// throttle expire, so each tick does the work it does in the running program. CPU time of the
// handler's thread, per tick. Also the one-off costs: opening the settings dialog and writing
// the report.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "bench_machines.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "platform/api/platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/sim/sim_platform.h"
#include "system/report.h"
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

template <void (forms::TForm1::*Tick)()>
void BM_SpacedTick(benchmark::State& state) {
    ensureApplication();
    auto guard = machine(state.range(0) != 0);
    forms::TForm1 form;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        state.ResumeTiming();
        (form.*Tick)();
    }
    state.SetLabel(state.range(0) ? "linux" : "ten simulated disks");
}
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer1Timer)->Arg(1)->Arg(0)->Iterations(25);
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer2Timer)->Arg(1)->Arg(0)->Iterations(25);
BENCHMARK_TEMPLATE(BM_SpacedTick, &forms::TForm1::Timer3Timer)->Arg(1)->Arg(0)->Iterations(25);

// Creating and loading the dialog, with this machine's installed programs.
void BM_OpenSettingsDialog(benchmark::State& state) {
    ensureApplication();
    auto guard = machine(true);
    forms::ScriptedMessages quiet;
    for (auto _ : state) {
        forms::TSistemaDef dialog;
        benchmark::DoNotOptimize(&dialog);
    }
}
BENCHMARK(BM_OpenSettingsDialog)->Iterations(10)->Unit(benchmark::kMillisecond);

// Writing the report on a simulated machine (the real one would write to the user's desktop).
void BM_WriteReport(benchmark::State& state) {
    auto guard = machine(false);
    const std::vector<std::string> programs{"Compactador de Arquivos", "Editor de Imagens", "Leitor de Documentos"};
    for (auto _ : state) system::WriteReport(programs);
}
BENCHMARK(BM_WriteReport)->Unit(benchmark::kMicrosecond);

}  // namespace

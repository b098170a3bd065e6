// Cost of the settings dialog's installed-program list on this machine's applications, as
// system::ListInstalledPrograms reads it from the Linux provider's registry.
//
// First opening: a new provider, so the desktop entries are read and the dpkg index of
// desktop paths is built (the price the first opening of the dialog pays). Rescan: what a
// later opening gathers again, the desktop entries over the dpkg index already built.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/installed_programs.h"
#include "platform/linux/linux_platform.h"
#include "system/settings.h"

namespace {
using namespace vintrel;
namespace fs = std::filesystem;

std::string scratchRoot() {
    static const std::string root =
        (fs::temp_directory_path() / ("vintrel-settings-bench-" + std::to_string(::getpid()))).string();
    return root;
}

void BM_InstalledProgramsFirstOpening(benchmark::State& state) {
    std::size_t count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        platform::linux_host::LinuxEnvironment environment;
        environment.root = scratchRoot();
        auto guard =
            std::make_unique<platform::ScopedPlatform>(platform::linux_host::makeLinuxPlatform(environment));
        state.ResumeTiming();
        count = 0;
        system::ListInstalledPrograms([&](const std::string&) { ++count; });
        state.PauseTiming();
        guard.reset();
        state.ResumeTiming();
    }
    state.counters["programs"] = static_cast<double>(count);
}
BENCHMARK(BM_InstalledProgramsFirstOpening)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_InstalledProgramsRescan(benchmark::State& state) {
    const auto sources = platform::linux_host::ProgramSources::fromProcess();
    platform::linux_host::DpkgDesktopIndex dpkg(sources.dpkgInfoDir);
    platform::linux_host::listInstalledPrograms(sources, dpkg);
    for (auto _ : state) benchmark::DoNotOptimize(platform::linux_host::listInstalledPrograms(sources, dpkg));
}
BENCHMARK(BM_InstalledProgramsRescan)->Unit(benchmark::kMillisecond);

}  // namespace

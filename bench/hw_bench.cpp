// Cost of the hardware live values that the main window's Timer3 reads every five seconds
// (BitsPerPixel, twice when it is not "8"; the adapter and monitor names; the screen size),
// through the live key table, and of gathering the display facts when the devices change.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/hw_facts.h"
#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_live_keys.h"
#include "platform/linux/pci_names.h"
#include "platform/linux/ui_linux.h"
#include "platform/registry/live_key_table.h"

namespace {
using namespace vintrel;
using namespace vintrel::platform::linux_host;
namespace fs = std::filesystem;

void ensureApplication() {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "vintrel_bench";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

fs::path scratch() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("vintrel-hw-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void put(const fs::path& file, std::string_view content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

std::string edid(std::string_view name) {
    std::string b(128, '\0');
    const char header[8] = {0, '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', 0};
    b.replace(0, 8, header, 8);
    b[8] = 0x10;  // "DEL"
    b[9] = static_cast<char>(0xAC);
    b[108 + 3] = static_cast<char>(0xFC);
    std::string text(name.substr(0, 13));
    if (text.size() < 13) text += '\n';
    text.resize(13, ' ');
    b.replace(113, 13, text);
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) sum += static_cast<unsigned char>(b[i]);
    b[127] = static_cast<char>((256 - sum % 256) % 256);
    return b;
}

// A desktop: one adapter with six connectors, two monitors connected.
LinuxEnvironment desktopFixture() {
    const fs::path base = scratch() / "desktop";
    const fs::path drm = base / "sys/class/drm";
    put(drm / "card0/device/vendor", "0x10de\n");
    put(drm / "card0/device/device", "0x1c03\n");
    for (const char* c : {"DP-1", "DP-2", "DP-3", "HDMI-A-1", "DVI-D-1", "DVI-I-1"}) {
        const bool on = std::string_view(c) == "DP-1" || std::string_view(c) == "HDMI-A-1";
        put(drm / ("card0-" + std::string(c)) / "status", on ? "connected\n" : "disconnected\n");
        put(drm / ("card0-" + std::string(c)) / "edid", on ? edid(std::string("DELL ") + c) : "");
    }
    LinuxEnvironment env;
    env.sysRoot = (base / "sys").string();
    env.procRoot = (base / "proc").string();
    env.runRoot = (base / "run").string();
    return env;
}

std::optional<PciNames> fakePci(std::uint16_t, std::uint16_t) {
    return PciNames{"NVIDIA Corporation", "GP106 [GeForce GTX 1060 6GB]"};
}

constexpr platform::HKey HKLM = platform::HKEY_LOCAL_MACHINE;

void timer3Tick(registry::LiveKeyTable& table, platform::UserInterface& ui) {
    const auto bpp = table.value(HKLM, "Config\\0001\\Display\\Settings", "BitsPerPixel");
    benchmark::DoNotOptimize(ui.screenSize());
    if (!bpp || bpp->data != std::string("8\0", 2))
        benchmark::DoNotOptimize(table.value(HKLM, "Config\\0001\\Display\\Settings", "BitsPerPixel"));
    benchmark::DoNotOptimize(
        table.value(HKLM, "System\\CurrentControlSet\\Services\\Class\\DISPLAY\\0000", "DriverDesc"));
    benchmark::DoNotOptimize(
        table.value(HKLM, "System\\CurrentControlSet\\Services\\Class\\Monitor\\0000", "DriverDesc"));
}

// Ticks come every five seconds, longer than the recheck interval: each benchmark tick waits,
// untimed, just past a short interval so that it pays the change check as a real tick does.
constexpr auto kRecheck = std::chrono::milliseconds(1);

void ticks(benchmark::State& state, registry::LiveKeyTable& table) {
    auto ui = makeLinuxUserInterface();
    timer3Tick(table, *ui);  // first gathering, untimed
    for (auto _ : state) {
        state.PauseTiming();
        usleep(1100);
        state.ResumeTiming();
        timer3Tick(table, *ui);
    }
}

// This machine, with udev (a monitor when udevd runs), ALSA and CUPS as the program uses them.
void BM_HwTimer3Tick_Machine(benchmark::State& state) {
    ensureApplication();
    HardwareFactsOptions o;
    o.primaryScreen = qtPrimaryScreen;
    o.recheckInterval = kRecheck;
    registry::LiveKeyTable table;
    addHardwareLiveKeys(table, LinuxEnvironment{}, std::make_shared<HardwareFacts>(LinuxEnvironment{}, o));
    ticks(state, table);
}
BENCHMARK(BM_HwTimer3Tick_Machine);

// A desktop without udevd: each tick lists /sys/class/drm and reads every connector's status.
void BM_HwTimer3Tick_SysfsRecheck(benchmark::State& state) {
    ensureApplication();
    HardwareFactsOptions o;
    o.useSystemServices = false;
    o.primaryScreen = qtPrimaryScreen;
    o.recheckInterval = kRecheck;
    o.pciNames = fakePci;
    auto facts = std::make_shared<HardwareFacts>(desktopFixture(), o);
    registry::LiveKeyTable table;
    addHardwareLiveKeys(table, LinuxEnvironment{}, facts);
    ticks(state, table);
    state.counters["gathers"] = facts->gatherCount(HardwareFacts::Group::Display);
}
BENCHMARK(BM_HwTimer3Tick_SysfsRecheck);

// Gathering the display group afresh (a hot-plug): connectors, EDIDs, PCI ids.
void BM_HwDisplayGather(benchmark::State& state) {
    ensureApplication();
    HardwareFactsOptions o;
    o.useSystemServices = false;
    o.pciNames = fakePci;
    const auto env = desktopFixture();
    for (auto _ : state) {
        HardwareFacts facts(env, o);
        benchmark::DoNotOptimize(facts.displayAdapter());
    }
}
BENCHMARK(BM_HwDisplayGather);

// Names from pci.ids through libpci: paid once per gathering when udev's hwdb lacks them.
void BM_PciIdsLookup(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(pciNamesFromIdsFile(0x10de, 0x1c03));
}
BENCHMARK(BM_PciIdsLookup)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

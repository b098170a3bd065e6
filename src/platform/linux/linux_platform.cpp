#include "platform/linux/linux_platform.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "platform/host/host_files.h"
#include "platform/api/registry_locations.h"
#include "platform/host/windows_tree.h"
#include "platform/linux/desktop_settings.h"
#include "platform/linux/hw_gatherers.h"
#include "platform/linux/hw_udev.h"
#include "platform/linux/input_devices.h"
#include "platform/linux/linux_drives.h"
#include "platform/linux/live_keys_linux.h"
#include "platform/linux/locale_linux.h"
#include "platform/linux/printers_linux.h"
#include "platform/linux/processor_linux.h"
#include "platform/linux/program_files.h"
#include "platform/linux/session_linux.h"
#include "platform/linux/shell_linux.h"
#include "platform/linux/sound_linux.h"
#include "platform/linux/start_menu_mirror.h"
#include "platform/linux/ui_linux.h"
#include "platform/registry/registry_store.h"
#include "platform/registry/store_registry.h"
#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

// The registry of the per-user root. A database that can only be read is used read-only;
// when none can be read at all the program still runs, on a private store, and notice says
// that the stored settings are not in use.
std::shared_ptr<registry::RegistryStore> openStore(const std::string& root, std::string& notice) {
    std::string error;
    auto store = registry::RegistryStore::open(registry::databasePath(root), error);
    if (store) {
        if (!store->readOnlyReason().empty())
            std::cerr << "vintrel: the registry " << store->file() << " can only be read ("
                      << store->readOnlyReason() << "); registry changes made in this run will not be kept\n";
        return store;
    }
    std::cerr << "vintrel: " << error << "; registry changes made in this run will not be kept\n";
    notice = "The registry cannot be read (" + error +
             "). Stored settings are not used in this run, and changes will not be kept.";
    return registry::RegistryStore::openInMemory();
}

// HKLM ...\CurrentVersion "SystemRoot" as the registry answers it, else C:\WINDOWS.
std::string windowsDirectory(Registry& registry) {
    HKey key = 0;
    if (registry.openKey(reg::SystemRoot.root, reg::SystemRoot.readKey, KEY_READ, key) != 0)
        return "C:\\WINDOWS";
    RegValue value;
    std::uint32_t size = 0;
    const long result = registry.queryValue(key, reg::SystemRoot.valueName, 256, value, size);
    registry.closeKey(key);
    if (result != 0 || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) return "C:\\WINDOWS";
    return value.data.substr(0, value.data.find('\0'));
}

// A new system.ini's text, naming the pointing device udev (else the kernel) reports.
std::string systemIniForThisMachine(const LinuxEnvironment& environment) {
    UdevPtr<udev> database(udev_new());
    const InputFacts input = gatherInput(environment.procRoot, database.get());
    return host::newSystemIniText(
        text::utf8ToCp1252(mouseDriverDescription(input.mouse, input.mouseBus, input.mouseVendor)));
}

class LinuxPlatform : public Platform {
public:
    explicit LinuxPlatform(const LinuxEnvironment& environment)
        : drives_(makeLinuxDrives(environment)),
          files_(
              std::make_unique<ProgramFiles>(host::makeHostFiles(*drives_), [this](std::string_view program) {
                  ShellRequest request;
                  request.file = std::string(program);
                  return launchCommand(request, launchContext_).has_value();
              })) {
        const auto systemIni = [&environment] { return systemIniForThisMachine(environment); };
        const auto problems = host::prepareWindowsTree(environment.root, host::xdgDesktopDir(), systemIni);
        for (const auto& problem : problems) {
            std::cerr << "vintrel: " << problem.what << ": " << problem.path;
            if (problem.error) std::cerr << " (" << problem.error.message() << ')';
            std::cerr << '\n';
        }
        // Without its folder, drive C: would be some other volume; the run cannot go on.
        const std::string driveC = host::driveCFolder(environment.root);
        std::error_code ec;
        if (!std::filesystem::is_directory(driveC, ec))
            throw std::runtime_error("cannot create the folder of drive C: " + driveC +
                                     (problems.empty() || !problems.front().error
                                          ? std::string()
                                          : " (" + problems.front().error.message() + ")"));
        store_ = openStore(environment.root, registryNotice_);
        HardwareFactsOptions hardware;
        hardware.primaryScreen = qtPrimaryScreen;
        registry_ = registry::makeStoreRegistry(store_, makeLinuxLiveKeys(environment, std::move(hardware)),
                                                makeLinuxDesktopValues());
        // The mapped programs' files are decided as the shell decides its launches, on the
        // host files underneath (so the decision never asks itself).
        launchContext_ = makeLaunchContext(*registry_, files_->host(), ShellEnvironment::fromProcess());
        processor_ = makeLinuxProcessor();
        ui_ = makeLinuxUserInterface();
        // The Start menu's junction folders show in the desktop's menu from the start on.
        const StartMenuPaths menuPaths = startMenuPathsFromProcess();
        syncStartMenuOf(*files_, menuPaths, windowsDirectory(*registry_));
        startMenuFiles_ = makeStartMenuFiles(*files_, menuPaths);
        shell_ = makeLinuxShell(*registry_, *startMenuFiles_);
        multimedia_ = makeLinuxMultimedia();
        spooler_ = makeLinuxSpooler();
        session_ = makeLinuxSession();
        locale_ = makeLinuxLocale();
    }

    DrivesAndMemory& drives() override { return *drives_; }
    Files& files() override { return *startMenuFiles_; }
    Processor& processor() override { return *processor_; }
    Registry& registry() override { return *registry_; }
    UserInterface& ui() override { return *ui_; }
    Shell& shell() override { return *shell_; }
    Multimedia& multimedia() override { return *multimedia_; }
    Spooler& spooler() override { return *spooler_; }
    Session& session() override { return *session_; }
    Locale& locale() override { return *locale_; }

    const std::string& registryNotice() const { return registryNotice_; }

private:
    std::string registryNotice_;
    std::unique_ptr<LinuxDrives> drives_;
    LaunchContext launchContext_;
    std::unique_ptr<ProgramFiles> files_;
    std::unique_ptr<Files> startMenuFiles_;
    std::shared_ptr<registry::RegistryStore> store_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Processor> processor_;
    std::unique_ptr<UserInterface> ui_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Multimedia> multimedia_;
    std::unique_ptr<Spooler> spooler_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Locale> locale_;
};

}  // namespace

std::string defaultRoot() {
    return registry::userRoot();
}

std::string registryNotice(const Platform& platform) {
    const auto* provider = dynamic_cast<const LinuxPlatform*>(&platform);
    return provider != nullptr ? provider->registryNotice() : std::string();
}

std::unique_ptr<Platform> makeLinuxPlatform(const LinuxEnvironment& environment) {
    return std::make_unique<LinuxPlatform>(environment);
}

}  // namespace vintrel::platform::linux_host

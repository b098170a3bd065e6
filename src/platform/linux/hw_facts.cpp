#include "platform/linux/hw_facts.h"

#include <mutex>

#include "platform/linux/hw_change_tracker.h"
#include "platform/linux/hw_gatherers.h"

namespace vintrel::platform::linux_host {

using Group = HardwareFacts::Group;

// The facts of every group as last gathered, behind one lock.
struct HardwareFacts::Impl {
    LinuxEnvironment env;
    HardwareFactsOptions options;
    std::mutex mutex;
    HardwareChangeTracker changes;

    DisplayFacts display;
    std::optional<std::string> sound, cdrom, modem;
    InputFacts input;
    PrinterFacts printer;

    static HardwareFactsOptions withDefaults(HardwareFactsOptions o) {
        if (!o.primaryScreen) o.primaryScreen = [] { return std::optional<PrimaryScreenInfo>(); };
        if (!o.pciNames) o.pciNames = lookupPciNames;
        if (!o.printers)
            o.printers = o.useSystemServices
                             ? std::function<std::vector<CupsQueue>()>([] { return installedCupsQueues(); })
                             : [] { return std::vector<CupsQueue>{}; };
        return o;
    }

    Impl(LinuxEnvironment e, HardwareFactsOptions o)
        : env(std::move(e)), options(withDefaults(std::move(o))), changes(env, options) {}

    // Gathers the group again when it changed; returns with its facts current.
    void refresh(Group g) {
        if (!changes.stale(g)) return;
        switch (g) {
            case Group::Display:
                display = gatherDisplay(env.sysRoot, options.pciNames);
                break;
            case Group::Sound:
                sound = gatherSound(env, options.useSystemServices);
                break;
            case Group::Cdrom:
                cdrom = gatherCdrom(env.sysRoot);
                break;
            case Group::Input:
                input = gatherInput(env.procRoot, changes.udevDatabase());
                break;
            case Group::Modem:
                modem = gatherModem(env.sysRoot, changes.udevDatabase());
                break;
            case Group::Printer:
                printer = gatherPrinter(options.printers());
                break;
        }
        changes.gathered(g);
    }
};

HardwareFacts::HardwareFacts(LinuxEnvironment environment, HardwareFactsOptions options)
    : impl_(std::make_unique<Impl>(std::move(environment), std::move(options))) {}

HardwareFacts::~HardwareFacts() = default;

std::optional<int> HardwareFacts::colorDepth() {
    std::lock_guard lock(impl_->mutex);
    const auto screen = impl_->options.primaryScreen();
    if (!screen || screen->depth <= 0) return std::nullopt;
    return screen->depth;
}

std::optional<std::string> HardwareFacts::displayAdapter() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Display);
    return impl_->display.adapter;
}

std::optional<std::string> HardwareFacts::monitor() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Display);
    return monitorName(impl_->display, impl_->options.primaryScreen());
}

std::optional<std::string> HardwareFacts::soundCard() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Sound);
    return impl_->sound;
}

std::optional<std::string> HardwareFacts::cdrom() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Cdrom);
    return impl_->cdrom;
}

std::optional<std::string> HardwareFacts::keyboard() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Input);
    return impl_->input.keyboard;
}

std::optional<std::string> HardwareFacts::mouse() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Input);
    return impl_->input.mouse;
}

std::optional<std::string> HardwareFacts::modem() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Modem);
    return impl_->modem;
}

std::optional<std::string> HardwareFacts::printerModel() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Printer);
    return impl_->printer.model;
}

std::optional<std::string> HardwareFacts::printerName() {
    std::lock_guard lock(impl_->mutex);
    impl_->refresh(Group::Printer);
    return impl_->printer.name;
}

unsigned HardwareFacts::gatherCount(Group group) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->changes.gatherCount(group);
}

}  // namespace vintrel::platform::linux_host

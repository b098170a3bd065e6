#include "platform/linux/hw_facts.h"

#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <span>

#include "platform/linux/edid.h"
#include "platform/linux/hw_sysfs.h"
#include "platform/linux/input_devices.h"
#include "platform/linux/sound_linux.h"

namespace vintrel::platform::linux_host {
namespace {

using Clock = std::chrono::steady_clock;
using Group = HardwareFacts::Group;
constexpr std::size_t kGroups = 6;

std::size_t index(Group g) {
    return static_cast<std::size_t>(g);
}

bool isCardName(const std::string& n) {
    if (n.size() <= 4 || n.compare(0, 4, "card") != 0) return false;
    for (std::size_t i = 4; i < n.size(); ++i)
        if (n[i] < '0' || n[i] > '9') return false;
    return true;
}

// "eDP-1", "eDP1" and "edp-1" all name one output; the kernel's "HDMI-A-1" is "HDMI-1" to
// X11 drivers and compositors.
std::string normalizedOutput(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '-' || c == '_' || c == ' ') continue;
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    if (out.starts_with("hdmia")) out.erase(4, 1);
    return out;
}

std::optional<std::string> nonEmpty(std::string s) {
    if (s.empty()) return std::nullopt;
    return s;
}

std::string joinNames(std::string_view first, std::string_view second) {
    if (first.empty()) return std::string(second);
    if (second.empty()) return std::string(first);
    if (second.starts_with(first)) return std::string(second);
    std::string out(first);
    out += ' ';
    out += second;
    return out;
}

std::optional<PrimaryScreenInfo> qtPrimaryScreen() {
    if (!qGuiApp) return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return PrimaryScreenInfo{screen->name().toStdString(), screen->model().toStdString(),
                             screen->manufacturer().toStdString(), screen->depth()};
}

struct Connector {
    std::string output;                   // "eDP-1"
    std::optional<std::string> edidName;  // from its EDID
};

struct DisplayFacts {
    std::optional<std::string> adapter;
    std::vector<Connector> connected;
};

struct InputFacts {
    std::optional<std::string> keyboard;
    std::optional<std::string> mouse;
};

struct PrinterFacts {
    std::optional<std::string> model;
    std::optional<std::string> name;
};

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

unsigned inputNumber(const char* sysname) {
    unsigned n = 0;
    if (!sysname || std::strncmp(sysname, "input", 5) != 0) return ~0u;
    for (const char* p = sysname + 5; *p; ++p) {
        if (*p < '0' || *p > '9') return ~0u;
        n = n * 10 + static_cast<unsigned>(*p - '0');
    }
    return n;
}

bool propertyIs(udev_device* d, const char* key, const char* value) {
    const char* v = udev_device_get_property_value(d, key);
    return v && std::strcmp(v, value) == 0;
}

}  // namespace

struct HardwareFacts::Impl {
    LinuxEnvironment env;
    HardwareFactsOptions options;
    std::mutex mutex;

    struct DirCloser {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    std::unique_ptr<DIR, DirCloser> drmDir;
    UdevPtr<udev> udevContext;
    UdevPtr<udev_monitor> monitor;
    bool udevDatabase = false;  // udevd runs: enumeration has properties

    struct State {
        bool valid = false;
        Clock::time_point checked{};
        std::string signature;
        unsigned gathers = 0;
    };
    std::array<State, kGroups> states;

    DisplayFacts display;
    std::optional<std::string> sound, cdrom, modem;
    InputFacts input;
    PrinterFacts printer;

    Impl(LinuxEnvironment e, HardwareFactsOptions o) : env(std::move(e)), options(std::move(o)) {
        if (!options.primaryScreen) options.primaryScreen = qtPrimaryScreen;
        if (!options.pciNames) options.pciNames = lookupPciNames;
        if (!options.printers)
            options.printers =
                options.useSystemServices
                    ? std::function<std::vector<CupsQueue>()>([] { return installedCupsQueues(); })
                    : [] { return std::vector<CupsQueue>{}; };
        if (options.useSystemServices && env.sysRoot == "/sys") {
            udevContext.reset(udev_new());
            udevDatabase = udevContext && ::access((env.runRoot + "/udev/control").c_str(), F_OK) == 0;
            if (udevDatabase) startMonitor();
        }
    }

    void startMonitor() {
        UdevPtr<udev_monitor> m(udev_monitor_new_from_netlink(udevContext.get(), "udev"));
        if (!m) return;
        for (const char* subsystem : {"drm", "sound", "block", "input", "tty"})
            udev_monitor_filter_add_match_subsystem_devtype(m.get(), subsystem, nullptr);
        if (udev_monitor_enable_receiving(m.get()) < 0) return;
        monitor = std::move(m);
    }

    // Marks the groups whose subsystems reported events since the last look.
    void drainMonitor() {
        const int fd = udev_monitor_get_fd(monitor.get());
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            const int r = ::poll(&p, 1, 0);
            if (r == 0) return;
            if (r < 0) {
                if (errno == EINTR) continue;
                invalidateAll();
                return;
            }
            UdevPtr<udev_device> d(udev_monitor_receive_device(monitor.get()));
            if (!d) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) return;
                invalidateAll();  // overflowed or broken: assume anything changed
                return;
            }
            const char* s = udev_device_get_subsystem(d.get());
            if (!s) continue;
            if (!std::strcmp(s, "drm"))
                states[index(Group::Display)].valid = false;
            else if (!std::strcmp(s, "sound"))
                states[index(Group::Sound)].valid = false;
            else if (!std::strcmp(s, "block"))
                states[index(Group::Cdrom)].valid = false;
            else if (!std::strcmp(s, "input"))
                states[index(Group::Input)].valid = false;
            else if (!std::strcmp(s, "tty"))
                states[index(Group::Modem)].valid = false;
        }
    }

    void invalidateAll() {
        for (auto& s : states) s.valid = false;
    }

    // The connectors and their status, read through a folder kept open: this runs on every
    // Timer3 tick when no udev monitor reports changes.
    std::string displaySignature() {
        if (!drmDir) drmDir.reset(::opendir((env.sysRoot + "/class/drm").c_str()));
        if (!drmDir) return {};
        ::rewinddir(drmDir.get());
        std::string sig;
        const int dirFd = ::dirfd(drmDir.get());
        while (const dirent* e = ::readdir(drmDir.get())) {
            if (e->d_name[0] == '.') continue;
            (sig += e->d_name) += '=';
            if (std::strchr(e->d_name, '-')) {
                char path[300];
                std::snprintf(path, sizeof path, "%s/status", e->d_name);
                const int fd = ::openat(dirFd, path, O_RDONLY | O_CLOEXEC);
                if (fd >= 0) {
                    char status[32];
                    const ssize_t n = ::read(fd, status, sizeof status);
                    if (n > 0) sig.append(status, static_cast<std::size_t>(n));
                    ::close(fd);
                }
            }
            sig += '\n';
        }
        return sig;
    }

    // A cheap fingerprint of what a group's gathering would read.
    std::string signature(Group g) {
        std::string sig;
        auto addListing = [&](const std::string& dir, std::string_view prefix) {
            for (const auto& n : listSysfsDirectory(dir))
                if (n.compare(0, prefix.size(), prefix) == 0) (sig += n) += '\n';
        };
        switch (g) {
            case Group::Display:
                sig = displaySignature();
                break;
            case Group::Sound:
                addListing(env.sysRoot + "/class/sound", "card");
                break;
            case Group::Cdrom:
                addListing(env.sysRoot + "/block", "sr");
                break;
            case Group::Input:
                addListing(env.sysRoot + "/class/input", "input");
                if (sig.empty()) sig = readSysfsFile(env.procRoot + "/bus/input/devices").value_or("");
                break;
            case Group::Modem:
                addListing(env.sysRoot + "/class/tty", "ttyACM");
                break;
            case Group::Printer:
                break;
        }
        return sig;
    }

    // Gathers the group again when it changed; returns with its facts current.
    void refresh(Group g) {
        State& st = states[index(g)];
        const auto now = Clock::now();
        if (g == Group::Printer) {
            if (st.valid && now - st.checked < options.printerLifetime) return;
            st.checked = now;
        } else if (monitor) {
            drainMonitor();
            if (st.valid) return;
        } else if (st.valid) {
            if (now - st.checked < options.recheckInterval) return;
            st.checked = now;
            std::string sig = signature(g);
            if (sig == st.signature) return;
            st.signature = std::move(sig);
        } else {
            st.checked = now;
            st.signature = signature(g);
        }
        gather(g);
        st.valid = true;
        ++st.gathers;
    }

    void gather(Group g) {
        switch (g) {
            case Group::Display:
                display = gatherDisplay();
                break;
            case Group::Sound:
                sound = gatherSound();
                break;
            case Group::Cdrom:
                cdrom = gatherCdrom();
                break;
            case Group::Input:
                input = gatherInput();
                break;
            case Group::Modem:
                modem = gatherModem();
                break;
            case Group::Printer:
                printer = gatherPrinter();
                break;
        }
    }

    DisplayFacts gatherDisplay() {
        DisplayFacts out;
        const std::string drm = env.sysRoot + "/class/drm/";
        const auto entries = listSysfsDirectory(drm);
        std::string chosenCard, bootCard, firstCard;
        for (const auto& n : entries) {
            if (isCardName(n)) {
                if (firstCard.empty()) firstCard = n;
                if (bootCard.empty() && readSysfsText(drm + n + "/device/boot_vga") == "1") bootCard = n;
                continue;
            }
            const auto dash = n.find('-');
            if (dash == std::string::npos || !isCardName(n.substr(0, dash))) continue;
            if (readSysfsText(drm + n + "/status") != "connected") continue;
            Connector c;
            c.output = n.substr(dash + 1);
            if (const auto edid = readSysfsFile(drm + n + "/edid", 32768); edid && !edid->empty()) {
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(edid->data());
                c.edidName = edidMonitorName(std::span<const std::uint8_t>(bytes, edid->size()));
            }
            if (chosenCard.empty()) chosenCard = n.substr(0, dash);
            out.connected.push_back(std::move(c));
        }
        if (chosenCard.empty()) chosenCard = !bootCard.empty() ? bootCard : firstCard;
        if (!chosenCard.empty()) {
            const auto vendor = parseSysfsHexId(readSysfsText(drm + chosenCard + "/device/vendor"));
            const auto device = parseSysfsHexId(readSysfsText(drm + chosenCard + "/device/device"));
            if (vendor && device)
                if (const auto names = options.pciNames(*vendor, *device))
                    out.adapter = nonEmpty(adapterDisplayName(*names));
        }
        return out;
    }

    std::optional<std::string> gatherSound() {
        if (options.useSystemServices)
            if (auto name = firstAlsaCardName()) return name;
        if (const auto cards = readSysfsFile(env.procRoot + "/asound/cards"))
            return firstCardNameFromProcCards(*cards);
        return std::nullopt;
    }

    std::optional<std::string> gatherCdrom() {
        const std::string block = env.sysRoot + "/block/";
        for (const auto& n : listSysfsDirectory(block)) {
            if (n.compare(0, 2, "sr") != 0) continue;
            const std::string dev = block + n + "/device/";
            const std::string type = readSysfsText(dev + "type");
            if (!type.empty() && type != "5") continue;  // SCSI peripheral type 5: CD/DVD
            std::string name = joinNames(readSysfsText(dev + "vendor"), readSysfsText(dev + "model"));
            if (!name.empty()) return name;
        }
        return std::nullopt;
    }

    InputFacts gatherInput() {
        InputFacts out;
        if (udevDatabase) {
            struct Found {
                unsigned number;
                std::string name;
            };
            std::optional<Found> keyboard, mouse;
            UdevPtr<udev_enumerate> e(udev_enumerate_new(udevContext.get()));
            if (e) {
                udev_enumerate_add_match_subsystem(e.get(), "input");
                udev_enumerate_add_match_sysname(e.get(), "input*");
                udev_enumerate_scan_devices(e.get());
                udev_list_entry* entry = nullptr;
                udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
                    UdevPtr<udev_device> d(
                        udev_device_new_from_syspath(udevContext.get(), udev_list_entry_get_name(entry)));
                    if (!d) continue;
                    const unsigned number = inputNumber(udev_device_get_sysname(d.get()));
                    const char* name = udev_device_get_sysattr_value(d.get(), "name");
                    if (!name || !*name) continue;
                    if (propertyIs(d.get(), "ID_INPUT_KEYBOARD", "1") &&
                        (!keyboard || number < keyboard->number))
                        keyboard = Found{number, name};
                    if ((propertyIs(d.get(), "ID_INPUT_MOUSE", "1") ||
                         propertyIs(d.get(), "ID_INPUT_TOUCHPAD", "1")) &&
                        (!mouse || number < mouse->number))
                        mouse = Found{number, name};
                }
            }
            if (keyboard) out.keyboard = keyboard->name;
            if (mouse) out.mouse = mouse->name;
            if (out.keyboard || out.mouse) return out;
        }
        const auto text = readSysfsFile(env.procRoot + "/bus/input/devices", 1 << 20);
        if (!text) return out;
        for (const auto& d : parseInputDevices(*text)) {
            if (d.name.empty()) continue;
            if (!out.keyboard && isKeyboard(d)) out.keyboard = d.name;
            if (!out.mouse && isMouse(d)) out.mouse = d.name;
        }
        return out;
    }

    std::optional<std::string> gatherModem() {
        const std::string tty = env.sysRoot + "/class/tty/";
        for (const auto& n : listSysfsDirectory(tty)) {
            if (n.compare(0, 6, "ttyACM") != 0) continue;
            // A CDC ACM interface speaking AT commands (protocols 1-6) is a modem.
            const std::string intf = tty + n + "/device/";
            if (readSysfsText(intf + "bInterfaceClass") != "02" ||
                readSysfsText(intf + "bInterfaceSubClass") != "02")
                continue;
            const std::string protocol = readSysfsText(intf + "bInterfaceProtocol");
            if (protocol.size() != 2 || protocol[0] != '0' || protocol[1] < '1' || protocol[1] > '6')
                continue;
            if (udevDatabase) {
                UdevPtr<udev_device> d(
                    udev_device_new_from_subsystem_sysname(udevContext.get(), "tty", n.c_str()));
                if (d && propertyIs(d.get(), "ID_MM_DEVICE_IGNORE", "1"))
                    continue;  // boards that only look alike
            }
            const std::string usb = intf + "../";
            std::string name = joinNames(readSysfsText(usb + "manufacturer"), readSysfsText(usb + "product"));
            return name.empty() ? std::string("USB Modem") : name;
        }
        return std::nullopt;
    }

    PrinterFacts gatherPrinter() {
        PrinterFacts out;
        const auto queues = options.printers();
        if (const CupsQueue* q = defaultQueue(queues)) {
            out.model = nonEmpty(!q->makeAndModel.empty() ? q->makeAndModel : q->name);
            out.name = nonEmpty(!q->info.empty() ? q->info : q->name);
        }
        return out;
    }

    std::optional<std::string> monitorName() {
        refresh(Group::Display);
        const auto screen = options.primaryScreen();
        if (screen && !screen->name.empty()) {
            const std::string wanted = normalizedOutput(screen->name);
            for (const auto& c : display.connected)
                if (c.edidName && normalizedOutput(c.output) == wanted) return c.edidName;
        }
        for (const auto& c : display.connected)
            if (c.edidName) return c.edidName;
        // No readable EDID (an empty one from some drivers, or no DRM device at all).
        if (screen) {
            if (!screen->model.empty()) return screen->model;
            if (!screen->manufacturer.empty()) return screen->manufacturer;
        }
        return std::nullopt;
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
    return impl_->monitorName();
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
    return impl_->states[index(group)].gathers;
}

}  // namespace vintrel::platform::linux_host

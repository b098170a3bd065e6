#include "platform/linux/hw_facts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "edid_test_blocks.h"
#include "platform/linux/hw_live_keys.h"
#include "support/test_paths.h"

namespace vintrel::platform::linux_host {
namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, std::string_view content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

std::string bytes(const std::vector<std::uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

// A desktop machine: a discrete adapter driving two monitors, an optical drive, a USB
// modem, the laptop input devices and two sound cards.
class MachineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        sys = dir.path() / "sys";
        proc = dir.path() / "proc";
        const fs::path drm = sys / "class/drm";
        put(drm / "card0/device/vendor", "0x10de\n");
        put(drm / "card0/device/device", "0x1c03\n");
        put(drm / "card0/device/boot_vga", "1\n");
        put(drm / "card0-DP-1/status", "connected\n");
        put(drm / "card0-DP-1/edid",
            bytes(test::makeEdid({"DEL", 0xA0B5, test::descriptorText("DELL U2414H")})));
        put(drm / "card0-HDMI-A-1/status", "connected\n");
        put(drm / "card0-HDMI-A-1/edid", bytes(test::makeEdid({"SAM", 0x0F67, "SAMSUNG S24R3"})));
        put(drm / "card0-DVI-D-1/status", "disconnected\n");
        put(drm / "card0-DVI-D-1/edid", "");
        put(drm / "version", "drm 1.1.0 20060810\n");

        put(sys / "block/sda/device/type", "0\n");
        put(sys / "block/sr0/device/type", "5\n");
        put(sys / "block/sr0/device/vendor", "HL-DT-ST\n");
        put(sys / "block/sr0/device/model", "DVDRAM GH22NS50 \n");

        const fs::path usb = sys / "devices/pci0000:00/usb1/1-3";
        put(usb / "manufacturer", "Conexant\n");
        put(usb / "product", "USB Modem\n");
        put(usb / "1-3:1.0/bInterfaceClass", "02\n");
        put(usb / "1-3:1.0/bInterfaceSubClass", "02\n");
        put(usb / "1-3:1.0/bInterfaceProtocol", "01\n");
        fs::create_directories(sys / "class/tty/ttyACM0");
        fs::create_symlink(usb / "1-3:1.0", sys / "class/tty/ttyACM0/device");
        fs::create_directories(sys / "class/tty/ttyS0");

        fs::create_directories(proc / "bus/input");
        fs::copy_file(test::dataDir() / "hw/input_devices_laptop.txt", proc / "bus/input/devices");
        fs::create_directories(proc / "asound");
        fs::copy_file(test::dataDir() / "hw/asound_cards.txt", proc / "asound/cards");
    }

    HardwareFactsOptions options() {
        HardwareFactsOptions o;
        o.useSystemServices = false;
        o.recheckInterval = std::chrono::milliseconds(0);
        o.printerLifetime = std::chrono::hours(1);
        o.primaryScreen = [this] { return screen; };
        o.pciNames = [](std::uint16_t v, std::uint16_t d) -> std::optional<PciNames> {
            if (v == 0x10de && d == 0x1c03)
                return PciNames{"NVIDIA Corporation", "GP106 [GeForce GTX 1060 6GB]"};
            if (v == 0x8086) return PciNames{"Intel Corporation", "CoffeeLake-H GT2 [UHD Graphics 630]"};
            return std::nullopt;
        };
        o.printers = [this] { return printers; };
        return o;
    }

    LinuxEnvironment env() {
        LinuxEnvironment e;
        e.sysRoot = sys.string();
        e.procRoot = proc.string();
        e.runRoot = (dir.path() / "run").string();
        return e;
    }

    test::TempDir dir;
    fs::path sys, proc;
    std::optional<PrimaryScreenInfo> screen = PrimaryScreenInfo{"HDMI-1", "", "", 24};
    std::vector<CupsQueue> printers;
};

TEST_F(MachineFixture, NamesFromEachSource) {
    printers = {{"Laser", "", "HP LaserJet 4250 Postscript", "usb://HP/LaserJet", false},
                {"Office", "Impressora do escritório", "Brother HL-L2350DW", "ipp://brother.local", true}};
    HardwareFacts facts(env(), options());
    EXPECT_EQ(facts.displayAdapter(), "NVIDIA GeForce GTX 1060 6GB");
    EXPECT_EQ(facts.monitor(), "SAMSUNG S24R3") << "the primary screen's output, HDMI-1, is HDMI-A-1";
    EXPECT_EQ(facts.soundCard(), "HDA Intel PCH");
    EXPECT_EQ(facts.cdrom(), "HL-DT-ST DVDRAM GH22NS50");
    EXPECT_EQ(facts.keyboard(), "AT Translated Set 2 keyboard");
    EXPECT_EQ(facts.mouse(), "SynPS/2 Synaptics TouchPad");
    EXPECT_EQ(facts.modem(), "Conexant USB Modem");
    EXPECT_EQ(facts.printerModel(), "Brother HL-L2350DW") << "the default queue";
    EXPECT_EQ(facts.printerName(), "Impressora do escritório");
    EXPECT_EQ(facts.colorDepth(), 24);
}

TEST_F(MachineFixture, MonitorChoice) {
    struct Case {
        const char* label;
        std::optional<PrimaryScreenInfo> screen;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"output name matches connector", PrimaryScreenInfo{"DP-1", "", "", 24}, "DELL U2414H"},
        {"X11 intel driver spelling", PrimaryScreenInfo{"DP1", "", "", 24}, "DELL U2414H"},
        {"unknown output: first connected", PrimaryScreenInfo{"VIRTUAL1", "", "", 24}, "DELL U2414H"},
        {"no screen at all", std::nullopt, "DELL U2414H"},
    };
    for (const auto& c : cases) {
        screen = c.screen;
        HardwareFacts facts(env(), options());
        EXPECT_EQ(facts.monitor(), c.expected) << c.label;
    }
}

TEST_F(MachineFixture, EmptyEdidFallsBackToScreenModel) {
    put(sys / "class/drm/card0-DP-1/edid", "");
    put(sys / "class/drm/card0-HDMI-A-1/status", "disconnected\n");
    screen = PrimaryScreenInfo{"DP-1", "U2414H", "Dell Inc.", 24};
    HardwareFacts facts(env(), options());
    EXPECT_EQ(facts.monitor(), "U2414H");
    screen = PrimaryScreenInfo{"DP-1", "", "Dell Inc.", 24};
    EXPECT_EQ(facts.monitor(), "Dell Inc.");
    screen = PrimaryScreenInfo{"DP-1", "", "", 24};
    EXPECT_EQ(facts.monitor(), std::nullopt);
}

TEST_F(MachineFixture, AdapterOfTheConnectedCard) {
    // An integrated adapter listed first but driving nothing.
    const fs::path drm = sys / "class/drm";
    fs::rename(drm / "card0", drm / "card1");
    fs::rename(drm / "card0-DP-1", drm / "card1-DP-1");
    fs::rename(drm / "card0-HDMI-A-1", drm / "card1-HDMI-A-1");
    fs::rename(drm / "card0-DVI-D-1", drm / "card1-DVI-D-1");
    put(drm / "card0/device/vendor", "0x8086\n");
    put(drm / "card0/device/device", "0x3e9b\n");
    put(drm / "card0-eDP-1/status", "disconnected\n");
    HardwareFacts facts(env(), options());
    EXPECT_EQ(facts.displayAdapter(), "NVIDIA GeForce GTX 1060 6GB");

    // Nothing connected (a headless box): the boot VGA device.
    put(drm / "card1-DP-1/status", "disconnected\n");
    put(drm / "card1-HDMI-A-1/status", "disconnected\n");
    HardwareFacts headless(env(), options());
    EXPECT_EQ(headless.displayAdapter(), "NVIDIA GeForce GTX 1060 6GB");
    fs::remove(drm / "card1/device/boot_vga");
    HardwareFacts noBoot(env(), options());
    EXPECT_EQ(noBoot.displayAdapter(), "Intel UHD Graphics 630");
}

TEST_F(MachineFixture, GatheredOnceUntilTheDevicesChange) {
    HardwareFacts facts(env(), options());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(facts.displayAdapter(), "NVIDIA GeForce GTX 1060 6GB");
        EXPECT_EQ(facts.monitor(), "SAMSUNG S24R3");
    }
    EXPECT_EQ(facts.gatherCount(HardwareFacts::Group::Display), 1u);
    EXPECT_EQ(facts.gatherCount(HardwareFacts::Group::Printer), 0u) << "groups are gathered only when asked";

    // The Samsung is unplugged: its connector's status changes.
    put(sys / "class/drm/card0-HDMI-A-1/status", "disconnected\n");
    EXPECT_EQ(facts.monitor(), "DELL U2414H");
    EXPECT_EQ(facts.gatherCount(HardwareFacts::Group::Display), 2u);

    // A second optical drive appears.
    EXPECT_EQ(facts.cdrom(), "HL-DT-ST DVDRAM GH22NS50");
    fs::remove_all(sys / "block/sr0");
    put(sys / "block/sr1/device/vendor", "ASUS\n");
    put(sys / "block/sr1/device/model", "DRW-24D5MT\n");
    EXPECT_EQ(facts.cdrom(), "ASUS DRW-24D5MT");
}

TEST_F(MachineFixture, RecheckIsThrottled) {
    auto o = options();
    o.recheckInterval = std::chrono::hours(1);
    HardwareFacts facts(env(), o);
    EXPECT_EQ(facts.monitor(), "SAMSUNG S24R3");
    put(sys / "class/drm/card0-HDMI-A-1/status", "disconnected\n");
    EXPECT_EQ(facts.monitor(), "SAMSUNG S24R3") << "not looked at again within the interval";
    EXPECT_EQ(facts.gatherCount(HardwareFacts::Group::Display), 1u);
}

TEST_F(MachineFixture, ModemNeedsAtCommandInterface) {
    put(sys / "devices/pci0000:00/usb1/1-3/1-3:1.0/bInterfaceProtocol", "00\n");  // plain serial ACM
    HardwareFacts facts(env(), options());
    EXPECT_EQ(facts.modem(), std::nullopt);
}

TEST(HardwareFactsEmpty, EverythingAbsentWithoutSources) {
    test::TempDir dir;
    LinuxEnvironment e;
    e.sysRoot = (dir.path() / "nosys").string();
    e.procRoot = (dir.path() / "noproc").string();
    HardwareFactsOptions o;
    o.useSystemServices = false;
    o.primaryScreen = [] { return std::optional<PrimaryScreenInfo>(); };
    HardwareFacts facts(e, o);
    EXPECT_EQ(facts.colorDepth(), std::nullopt);
    EXPECT_EQ(facts.displayAdapter(), std::nullopt);
    EXPECT_EQ(facts.monitor(), std::nullopt);
    EXPECT_EQ(facts.soundCard(), std::nullopt);
    EXPECT_EQ(facts.cdrom(), std::nullopt);
    EXPECT_EQ(facts.keyboard(), std::nullopt);
    EXPECT_EQ(facts.mouse(), std::nullopt);
    EXPECT_EQ(facts.modem(), std::nullopt);
    EXPECT_EQ(facts.printerModel(), std::nullopt);
    EXPECT_EQ(facts.printerName(), std::nullopt);
}

// ------------------------------------------------------------------ the registry values

std::map<std::string, std::optional<std::string>> produce(const std::vector<HardwareLiveValue>& values) {
    std::map<std::string, std::optional<std::string>> out;
    for (const auto& v : values) {
        EXPECT_EQ(v.root, HKEY_LOCAL_MACHINE);
        out[v.keyPath + "|" + v.valueName] = v.producer();
    }
    return out;
}

TEST_F(MachineFixture, LiveValues) {
    printers = {{"Office", "Impressora do escritório", "Brother HL-L2350DW", "", true}};
    const auto values = produce(hardwareLiveValues(std::make_shared<HardwareFacts>(env(), options())));
    const std::string cls = "System\\CurrentControlSet\\Services\\Class\\";
    const std::map<std::string, std::optional<std::string>> expected = {
        {"Config\\0001\\Display\\Settings|BitsPerPixel", "24"},
        {cls + "DISPLAY\\0000|DriverDesc", "NVIDIA GeForce GTX 1060 6GB"},
        {cls + "Monitor\\0000|DriverDesc", "SAMSUNG S24R3"},
        {cls + "MEDIA\\0000|DriverDesc", "HDA Intel PCH"},
        {cls + "Cdrom\\0000|DriverDesc", "HL-DT-ST DVDRAM GH22NS50"},
        {cls + "Keyboard\\0000|DriverDesc", "AT Translated Set 2 keyboard"},
        {cls + "Mouse\\0000|DriverDesc", "SynPS/2 Synaptics TouchPad"},
        {cls + "Modem\\0000|DriverDesc", "Conexant USB Modem"},
        {cls + "Printer\\0000|DriverDesc", "Brother HL-L2350DW"},
        {"Enum\\Root\\Printer\\0000|DeviceDesc", "Impressora do escrit\xF3rio"},  // Windows-1252
        {"Enum\\Bios\\*PNP0303\\04|DeviceDesc", "AT Translated Set 2 keyboard"},
        {"Enum\\Bios\\*PNP0303\\04|Class", "Keyboard"},
        {"Enum\\Root\\*PNP0F0C\\0000|DeviceDesc", "SynPS/2 Synaptics TouchPad"},
        {"Enum\\Root\\*PNP0F0C\\0000|Class", "Mouse"},
        {"Enum\\Root\\Modem\\0000|DeviceDesc", "Conexant USB Modem"},
        {"Enum\\Root\\Modem\\0000|Class", "Modem"},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(values.count(key)) << key;
        EXPECT_EQ(values.at(key), value) << key;
    }
    const auto vendor = values.at("Hardware\\Description\\System\\CentralProcessor\\0|VendorIdentifier");
#if defined(__x86_64__) || defined(__i386__)
    ASSERT_TRUE(vendor);
    EXPECT_EQ(vendor->size(), 12u);
#else
    EXPECT_FALSE(vendor);
#endif
}

TEST(HardwareLiveValues, AbsentDevicesGiveNoValueAndNoClass) {
    test::TempDir dir;
    LinuxEnvironment e;
    e.sysRoot = dir.str();
    e.procRoot = dir.str();
    HardwareFactsOptions o;
    o.useSystemServices = false;
    o.primaryScreen = [] { return std::optional<PrimaryScreenInfo>(); };
    const auto values = produce(hardwareLiveValues(std::make_shared<HardwareFacts>(e, o)));
    for (const auto& [key, value] : values) {
        if (key.starts_with("Hardware\\")) continue;
        EXPECT_FALSE(value) << key;
    }
}

}  // namespace
}  // namespace vintrel::platform::linux_host

namespace vintrel::platform::linux_host {
namespace {

// This machine through every real source (udev, ALSA, CUPS, Qt): whatever is there, the
// answers are well formed and a second read is served from the cache.
TEST(HardwareFactsMachine, RealSourcesNeverFail) {
    HardwareFacts facts{LinuxEnvironment{}};
    using Getter = std::optional<std::string> (HardwareFacts::*)();
    const Getter getters[] = {
        &HardwareFacts::displayAdapter, &HardwareFacts::monitor,      &HardwareFacts::soundCard,
        &HardwareFacts::cdrom,          &HardwareFacts::keyboard,     &HardwareFacts::mouse,
        &HardwareFacts::modem,          &HardwareFacts::printerModel, &HardwareFacts::printerName};
    for (Getter g : getters) {
        const auto first = (facts.*g)();
        if (first) {
            EXPECT_FALSE(first->empty());
        }
        EXPECT_EQ((facts.*g)(), first);
    }
    EXPECT_EQ(facts.gatherCount(HardwareFacts::Group::Input), 1u);
}

}  // namespace
}  // namespace vintrel::platform::linux_host

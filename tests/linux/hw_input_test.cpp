#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/linux/input_devices.h"
#include "platform/linux/sound_linux.h"
#include "support/test_paths.h"

namespace vintrel::platform::linux_host {
namespace {

std::string fixture(const char* name) {
    std::ifstream in(test::dataDir() / "hw" / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(InputDevices, ParsesRecords) {
    const auto devices = parseInputDevices(fixture("input_devices_laptop.txt"));
    ASSERT_EQ(devices.size(), 7u);
    EXPECT_EQ(devices[1].name, "AT Translated Set 2 keyboard");
    EXPECT_EQ(devices[1].sysfs, "/devices/platform/i8042/serio0/input/input3");
    EXPECT_EQ(devices[1].handlers, (std::vector<std::string>{"sysrq", "kbd", "event3", "leds"}));
    EXPECT_TRUE(devices[1].hasBit("EV", 1));
    EXPECT_TRUE(devices[1].hasBit("KEY", 1));     // Esc
    EXPECT_FALSE(devices[1].hasBit("KEY", 0));    // KEY_RESERVED
    EXPECT_TRUE(devices[0].hasBit("KEY", 116));   // the power button's KEY_POWER, in the second word
    EXPECT_FALSE(devices[0].hasBit("KEY", 500));  // beyond the words given
    EXPECT_FALSE(devices[0].hasBit("ABS", 0));    // no such bitmap
}

TEST(InputDevices, Classification) {
    struct Expect {
        const char* name;
        bool keyboard, mouse;
    };
    const Expect laptop[] = {
        {"Power Button", false, false},
        {"AT Translated Set 2 keyboard", true, false},
        {"Video Bus", false, false},
        {"Wacom HID 5146 Pen", false, false},     // pen tablets are not mice
        {"Wacom HID 5146 Finger", false, false},  // nor are touchscreens
        {"SynPS/2 Synaptics TouchPad", false, true},
        {"Logitech USB Optical Mouse", false, true},
    };
    const auto devices = parseInputDevices(fixture("input_devices_laptop.txt"));
    ASSERT_EQ(devices.size(), std::size(laptop));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(devices[i].name, laptop[i].name);
        EXPECT_EQ(isKeyboard(devices[i]), laptop[i].keyboard) << laptop[i].name;
        EXPECT_EQ(isMouse(devices[i]), laptop[i].mouse) << laptop[i].name;
    }
    const auto vm = parseInputDevices(fixture("input_devices_vm.txt"));
    ASSERT_EQ(vm.size(), 3u);
    EXPECT_TRUE(isKeyboard(vm[0]));
    EXPECT_TRUE(isMouse(vm[1])) << "absolute tablet of a virtual machine";
    EXPECT_TRUE(isMouse(vm[2]));
}

TEST(InputDevices, MalformedTextNeverFails) {
    const char* texts[] = {
        "",
        "\n\n\n",
        "N: Name=\"unterminated\n",
        "N: Name=\nB: EV=zz\nB: KEY=ffffffffffffffffff\nB: =1\nB: REL\n",
        "garbage without colon\nX\n:\n",
        "B: KEY=1 2 3 4 5 6 7 8 9 a b c d e f 10 11 12 13 14 15 16 17 18 19 1a\n",
    };
    for (const char* t : texts) {
        const auto devices = parseInputDevices(t);
        for (const auto& d : devices) {
            (void)isKeyboard(d);
            (void)isMouse(d);
        }
    }
    const auto overlong = parseInputDevices("N: Name=\"x\"\nB: EV=7\nB: KEY=ffffffffffffffffff\n");
    ASSERT_EQ(overlong.size(), 1u);
    EXPECT_FALSE(overlong[0].hasBit("KEY", 1)) << "a word wider than 64 bits is rejected";
    const auto quoted = parseInputDevices("N: Name=\"Name \"with\" quotes\"\n");
    ASSERT_EQ(quoted.size(), 1u);
    EXPECT_EQ(quoted[0].name, "Name \"with\" quotes");
}

TEST(SoundCards, FirstNameFromProcCards) {
    EXPECT_EQ(firstCardNameFromProcCards(fixture("asound_cards.txt")), "HDA Intel PCH");
    EXPECT_EQ(firstCardNameFromProcCards("--- no soundcards ---\n"), std::nullopt);
    EXPECT_EQ(firstCardNameFromProcCards(""), std::nullopt);
    EXPECT_EQ(firstCardNameFromProcCards(" 0 [Gadget]: USB-Audio - \n 1 [X]: snd - Second\n"), "Second");
}

}  // namespace
}  // namespace vintrel::platform::linux_host

namespace vintrel::platform::linux_host {
namespace {

TEST(InputDevices, IdentityLineAndMouseDriverName) {
    const auto devices = parseInputDevices(
        "I: Bus=0003 Vendor=046d Product=c077 Version=0111\nN: Name=\"USB Optical Mouse\"\n\n"
        "I: Bus=0003 Vendor=zz Product=1\nN: Name=\"Odd\"\n");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].bus, kBusUsb);
    EXPECT_EQ(devices[0].vendor, kLogitechVendor);
    EXPECT_EQ(devices[1].vendor, 0u);

    const struct {
        std::optional<std::string> name;
        std::uint16_t bus, vendor;
        const char* driver;
    } rows[] = {
        {"USB Optical Mouse", kBusUsb, kLogitechVendor, "Logitech USB Optical Mouse"},
        {"MX Master 3", kBusBluetooth, kLogitechVendor, "Logitech MX Master 3"},
        {"Logitech USB Receiver", kBusUsb, kLogitechVendor, "Logitech USB Receiver"},
        {"LOGITECH mouse", kBusUsb, kLogitechVendor, "Logitech LOGITECH mouse"},
        {"PS/2 Generic Mouse", 0x11, kLogitechVendor, "PS/2 Generic Mouse"},  // i8042: not a USB id
        {"SynPS/2 Synaptics TouchPad", 0x11, 0x0002, "SynPS/2 Synaptics TouchPad"},
        {"  ", kBusUsb, 0x1234, "Mouse padrão"},
        {std::nullopt, 0, 0, "Mouse padrão"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(mouseDriverDescription(row.name, row.bus, row.vendor), row.driver)
            << row.name.value_or("-");
}

}  // namespace
}  // namespace vintrel::platform::linux_host

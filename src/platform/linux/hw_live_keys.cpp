#include "platform/linux/hw_live_keys.h"

#include "platform/api/registry_locations.h"
#include "platform/linux/processor_linux.h"
#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kMaxValueBytes = 255;

std::optional<std::string> windowsText(const std::optional<std::string>& utf8) {
    if (!utf8 || utf8->empty()) return std::nullopt;
    std::string out = text::utf8ToCp1252(*utf8);
    if (out.size() > kMaxValueBytes) out.resize(kMaxValueBytes);
    return out;
}

using Fact = std::optional<std::string> (HardwareFacts::*)();

registry::LiveKeyTable::Producer nameOf(const std::shared_ptr<HardwareFacts>& facts, Fact fact) {
    return [facts, fact] { return windowsText(((*facts).*fact)()); };
}

// The enumeration keys' "Class" value exists exactly while the device does.
registry::LiveKeyTable::Producer classOf(const std::shared_ptr<HardwareFacts>& facts, Fact fact,
                                         std::string cls) {
    return [facts, fact, cls = std::move(cls)]() -> std::optional<std::string> {
        if (!windowsText(((*facts).*fact)())) return std::nullopt;
        return cls;
    };
}

}  // namespace

std::vector<HardwareLiveValue> hardwareLiveValues(std::shared_ptr<HardwareFacts> facts) {
    std::vector<HardwareLiveValue> v;
    auto add = [&](std::string_view key, std::string_view name, registry::LiveKeyTable::Producer p) {
        v.push_back({HKEY_LOCAL_MACHINE, std::string(key), std::string(name), std::move(p)});
    };
    auto cls = [](const char* name) { return std::string(reg::kClassKey) + name + "\\0000"; };

    add(reg::ProcessorVendor.readKey, reg::ProcessorVendor.valueName, [] {
        static const auto vendor = cpuVendorIdentifier();
        return windowsText(vendor);
    });
    add(reg::BitsPerPixel.readKey, reg::BitsPerPixel.valueName, [facts]() -> std::optional<std::string> {
        const auto depth = facts->colorDepth();
        if (!depth) return std::nullopt;
        return std::to_string(*depth);
    });
    add(cls("DISPLAY"), "DriverDesc", nameOf(facts, &HardwareFacts::displayAdapter));
    add(cls("Monitor"), "DriverDesc", nameOf(facts, &HardwareFacts::monitor));
    add(cls("MEDIA"), "DriverDesc", nameOf(facts, &HardwareFacts::soundCard));
    add(cls("Cdrom"), "DriverDesc", nameOf(facts, &HardwareFacts::cdrom));
    add(cls("Keyboard"), "DriverDesc", nameOf(facts, &HardwareFacts::keyboard));
    add(cls("Mouse"), "DriverDesc", nameOf(facts, &HardwareFacts::mouse));
    add(cls("Modem"), "DriverDesc", nameOf(facts, &HardwareFacts::modem));
    add(cls("Printer"), "DriverDesc", nameOf(facts, &HardwareFacts::printerModel));

    add(reg::kPrinterEnumKey, "DeviceDesc", nameOf(facts, &HardwareFacts::printerName));
    add(reg::kKeyboardEnumKey, "DeviceDesc", nameOf(facts, &HardwareFacts::keyboard));
    add(reg::kKeyboardEnumKey, "Class", classOf(facts, &HardwareFacts::keyboard, "Keyboard"));
    add(reg::kMouseEnumKey, "DeviceDesc", nameOf(facts, &HardwareFacts::mouse));
    add(reg::kMouseEnumKey, "Class", classOf(facts, &HardwareFacts::mouse, "Mouse"));
    add(reg::kModemEnumKey, "DeviceDesc", nameOf(facts, &HardwareFacts::modem));
    add(reg::kModemEnumKey, "Class", classOf(facts, &HardwareFacts::modem, "Modem"));
    return v;
}

void addHardwareLiveKeys(registry::LiveKeyTable& table, const LinuxEnvironment& environment,
                         std::shared_ptr<HardwareFacts> facts) {
    if (!facts) facts = std::make_shared<HardwareFacts>(environment);
    for (auto& value : hardwareLiveValues(std::move(facts)))
        table.addString(value.root, std::move(value.keyPath), std::move(value.valueName),
                        std::move(value.producer));
}

}  // namespace vintrel::platform::linux_host

// libFuzzer target for the hardware text and byte parsers: EDID base blocks,
// /proc/bus/input/devices, the App Paths command splitter and the printer helper's records.
// Each input goes to all four.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "platform/linux/desktop_env.h"
#include "platform/linux/edid.h"
#include "platform/linux/input_devices.h"
#include "platform/linux/queue_records.h"

using namespace vintrel::platform::linux_host;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void edid(std::span<const std::uint8_t> bytes) {
    const auto id = parseEdid(bytes);
    const auto name = edidMonitorName(bytes);
    check(id.has_value() == name.has_value());
    if (!name) return;
    check(!name->empty() && name->size() <= 13);
    for (char c : *name) check(c >= 0x20 && c < 0x7F);
    check(name->front() != ' ' && name->back() != ' ');
    check(id->manufacturerId.size() == 3);
}

void inputDevices(std::string_view text) {
    for (const auto& d : parseInputDevices(text)) {
        const bool keyboard = isKeyboard(d);
        const bool mouse = isMouse(d);
        // Both need key events.
        if (keyboard || mouse) check(d.hasBit("EV", 1));
    }
}

// Words quoted again and split once more come back unchanged.
void command(std::string_view text) {
    const auto words = splitCommand(text);
    if (!words) return;
    check(!words->empty());
    std::string quoted;
    for (const auto& w : *words) {
        quoted += '\'';
        for (char c : w) {
            if (c == '\'')
                quoted += "'\\''";
            else
                quoted += c;
        }
        quoted += "' ";
    }
    check(splitCommand(quoted) == words);
}

}  // namespace

// The queues read back are written again as the very bytes they came from.
void queueRecords(std::string_view text) {
    std::string again;
    for (const CupsQueue& q : parseQueueRecords(text)) {
        check(!q.name.empty());
        appendQueueRecord(again, q);
    }
    check(text.starts_with(again));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    edid(bytes);
    // A valid header makes the block worth exploring: also try the input padded to a full block.
    if (size >= 8 && size < 128) {
        std::string padded(text);
        padded.resize(128, '\0');
        edid(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(padded.data()),
                                           padded.size()));
    }
    inputDevices(text);
    command(text);
    queueRecords(text);
    return 0;
}

#include "platform/linux/input_devices.h"

#include <charconv>

#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr unsigned EV_KEY = 0x01, EV_REL = 0x02, EV_ABS = 0x03;
constexpr unsigned REL_X = 0x00, REL_Y = 0x01;
constexpr unsigned ABS_X = 0x00, ABS_Y = 0x01;
constexpr unsigned INPUT_PROP_DIRECT = 0x01;
constexpr unsigned BTN_LEFT = 0x110, BTN_TOOL_PEN = 0x140, BTN_TOOL_FINGER = 0x145, BTN_STYLUS = 0x14b;

using text::trim;

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ') ++j;
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

// "120013" or "1000000000007 ff9f207ac14057ff ..." (most significant word first).
bool parseBitmap(std::string_view text, std::vector<std::uint64_t>& out) {
    const auto ws = words(text);
    out.clear();
    for (auto it = ws.rbegin(); it != ws.rend(); ++it) {
        std::uint64_t v = 0;
        const auto [p, ec] = std::from_chars(it->data(), it->data() + it->size(), v, 16);
        if (ec != std::errc() || p != it->data() + it->size()) return false;
        out.push_back(v);
    }
    return true;
}

void parseLine(std::string_view line, InputDeviceRecord& rec) {
    if (line.size() < 3 || line[1] != ':') return;
    const char kind = line[0];
    const std::string_view rest = trim(line.substr(2));
    if (kind == 'N') {
        if (!rest.starts_with("Name=")) return;
        std::string_view v = rest.substr(5);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        rec.name = std::string(v);
    } else if (kind == 'S') {
        if (rest.starts_with("Sysfs=")) rec.sysfs = std::string(rest.substr(6));
    } else if (kind == 'H') {
        if (!rest.starts_with("Handlers=")) return;
        for (auto w : words(rest.substr(9))) rec.handlers.emplace_back(w);
    } else if (kind == 'B') {
        const auto eq = rest.find('=');
        if (eq == std::string_view::npos || eq == 0) return;
        std::vector<std::uint64_t> bits;
        if (parseBitmap(rest.substr(eq + 1), bits))
            rec.bitmaps[std::string(rest.substr(0, eq))] = std::move(bits);
    }
}

}  // namespace

bool InputDeviceRecord::hasBit(std::string_view bitmap, unsigned bit) const {
    const auto it = bitmaps.find(std::string(bitmap));
    if (it == bitmaps.end()) return false;
    const std::size_t word = bit / 64;
    return word < it->second.size() && ((it->second[word] >> (bit % 64)) & 1u) != 0;
}

std::vector<InputDeviceRecord> parseInputDevices(std::string_view text) {
    std::vector<InputDeviceRecord> out;
    InputDeviceRecord current;
    bool any = false;
    auto flush = [&] {
        if (any) out.push_back(std::move(current));
        current = InputDeviceRecord{};
        any = false;
    };
    for (const std::string_view line : text::lines(text)) {
        if (trim(line).empty()) {
            flush();
        } else {
            parseLine(line, current);
            any = true;
        }
    }
    flush();
    return out;
}

bool isKeyboard(const InputDeviceRecord& d) {
    if (!d.hasBit("EV", EV_KEY)) return false;
    for (unsigned key = 1; key < 32; ++key)
        if (!d.hasBit("KEY", key)) return false;
    return true;
}

bool isMouse(const InputDeviceRecord& d) {
    if (!d.hasBit("EV", EV_KEY)) return false;
    const bool left = d.hasBit("KEY", BTN_LEFT);
    if (d.hasBit("EV", EV_REL) && d.hasBit("REL", REL_X) && d.hasBit("REL", REL_Y) && left) return true;
    if (d.hasBit("EV", EV_ABS) && d.hasBit("ABS", ABS_X) && d.hasBit("ABS", ABS_Y)) {
        const bool pen = d.hasBit("KEY", BTN_TOOL_PEN) || d.hasBit("KEY", BTN_STYLUS);
        if (pen || d.hasBit("PROP", INPUT_PROP_DIRECT)) return false;  // tablets, touchscreens
        if (d.hasBit("KEY", BTN_TOOL_FINGER)) return true;             // touchpad
        return left;                                                   // absolute pointer
    }
    return false;
}

}  // namespace vintrel::platform::linux_host

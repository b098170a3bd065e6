#include "platform/sim/profile_writer.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "text/cp1252.h"

namespace vintrel::platform::sim {
namespace {
using nlohmann::ordered_json;

std::string utf8(std::string_view cp1252) {
    return text::cp1252ToUtf8(cp1252);
}

ordered_json drives(const Profile& profile) {
    ordered_json out = ordered_json::object();
    for (std::size_t i = 0; i < profile.drives.size(); ++i) {
        const DriveProfile& d = profile.drives[i];
        if (d.type == DRIVE_NO_ROOT_DIR) continue;
        ordered_json drive;
        drive["type"] = d.type;
        drive["volumeLabel"] = utf8(d.volume.volumeLabel);
        drive["fileSystemName"] = utf8(d.volume.fileSystemName);
        drive["serialNumber"] = d.volume.serialNumber;
        drive["maxComponentLength"] = d.volume.maxComponentLength;
        drive["fileSystemFlags"] = d.volume.fileSystemFlags;
        drive["totalBytes"] = d.totalBytes;
        drive["freeBytes"] = d.freeBytes;
        if (d.volumeQueryFails) drive["volumeQueryFails"] = true;
        if (d.spaceQueryFails) drive["spaceQueryFails"] = true;
        out[std::string(1, static_cast<char>('A' + i))] = std::move(drive);
    }
    return out;
}

ordered_json registryLines(std::string_view text) {
    ordered_json lines = ordered_json::array();
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(utf8(line));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    // The parser gives every line its CR LF back; the last blank line is that of the text's end.
    if (!lines.empty() && lines.back().get<std::string>().empty()) lines.erase(lines.size() - 1);
    return lines;
}

std::string localTimeText(const LocalTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buffer;
}

}  // namespace

std::string profileJson(const Profile& p) {
    ordered_json root;
    root["drives"] = drives(p);
    const MemoryStatus& m = p.memory;
    root["memory"] = {{"memoryLoad", m.memoryLoad},       {"totalPhys", m.totalPhys},
                      {"availPhys", m.availPhys},         {"totalPageFile", m.totalPageFile},
                      {"availPageFile", m.availPageFile}, {"totalVirtual", m.totalVirtual},
                      {"availVirtual", m.availVirtual}};
    root["screen"] = {{"width", p.screen.width}, {"height", p.screen.height}};
    if (p.bitsPerPixel) root["screen"]["bitsPerPixel"] = *p.bitsPerPixel;
    root["locale"] = {{"decimalSeparator", utf8(std::string(1, p.locale.decimalSeparator))},
                      {"shortDateFormat", utf8(p.locale.shortDateFormat)},
                      {"timeFormat", utf8(p.locale.timeFormat)},
                      {"amDesignator", utf8(p.locale.amDesignator)},
                      {"pmDesignator", utf8(p.locale.pmDesignator)}};
    root["platformId"] = p.platformId;
    root["waveOutDevices"] = p.waveOutDevices;
    ordered_json clock = ordered_json::object();
    if (p.tscTicksPerSecond) clock["tscTicksPerSecond"] = *p.tscTicksPerSecond;
    if (p.priorityRaiseFails) clock["priorityRaiseFails"] = true;
    if (p.localTime) clock["localTime"] = localTimeText(*p.localTime);
    root["clock"] = std::move(clock);
    ordered_json printers = ordered_json::array();
    for (const PrinterInfo& printer : p.printers)
        printers.push_back({{"name", utf8(printer.name)}, {"ports", utf8(printer.ports)}});
    root["printers"] = std::move(printers);
    ordered_json windows = ordered_json::array();
    for (const std::string& title : p.windows) windows.push_back(utf8(title));
    root["windows"] = std::move(windows);
    if (p.launchesFail) root["launchesFail"] = true;
    ordered_json folders = ordered_json::array();
    for (const std::string& folder : p.folders) folders.push_back(utf8(folder));
    root["folders"] = std::move(folders);
    ordered_json files = ordered_json::object();
    for (const Profile::File& file : p.files) files[utf8(file.path)] = utf8(file.content);
    root["files"] = std::move(files);
    root["registry"] = registryLines(p.registryText);
    // Bytes that are not UTF-8 cannot occur: every text went through the conversion above.
    return root.dump(2) + "\n";
}

}  // namespace vintrel::platform::sim

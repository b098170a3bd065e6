#include "platform/sim/profile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "text/cp1252.h"

namespace vintrel::platform::sim {
namespace {
using nlohmann::json;

// Typed field access with messages that name the field.
class Reader {
public:
    explicit Reader(std::string origin) : origin_(std::move(origin)) {}

    [[noreturn]] void fail(const std::string& what) const { throw ProfileError(origin_ + ": " + what); }

    const json& object(const json& parent, const char* key, const std::string& where) const {
        const json& value = parent.at(key);
        if (!value.is_object()) fail(where + "." + key + " must be an object");
        return value;
    }

    template <typename T>
    T number(const json& parent, const char* key, T fallback, const std::string& where) const {
        if (!parent.contains(key)) return fallback;
        const json& value = parent.at(key);
        if (!value.is_number_integer()) fail(where + "." + key + " must be a whole number");
        // A number the field cannot hold is refused, never cut to its low bits.
        if (value.is_number_unsigned()) {
            const auto v = value.get<std::uint64_t>();
            if (!std::in_range<T>(v)) fail(where + "." + key + " is too large");
            return static_cast<T>(v);
        }
        const auto v = value.get<std::int64_t>();
        if (std::is_unsigned_v<T> && v < 0) fail(where + "." + key + " must not be negative");
        if (!std::in_range<T>(v)) fail(where + "." + key + " is too small");
        return static_cast<T>(v);
    }

    bool boolean(const json& parent, const char* key, bool fallback, const std::string& where) const {
        if (!parent.contains(key)) return fallback;
        const json& value = parent.at(key);
        if (!value.is_boolean()) fail(where + "." + key + " must be true or false");
        return value.get<bool>();
    }

    // UTF-8 JSON strings become Windows-1252.
    std::string text(const json& parent, const char* key, const std::string& fallback,
                     const std::string& where) const {
        if (!parent.contains(key)) return fallback;
        const json& value = parent.at(key);
        if (!value.is_string()) fail(where + "." + key + " must be a string");
        return text::utf8ToCp1252(value.get<std::string>());
    }

private:
    std::string origin_;
};

void readDrives(const Reader& r, const json& drives, Profile& profile) {
    for (const auto& [letterText, drive] : drives.items()) {
        const std::string where = "drives." + letterText;
        // ASCII letters only: the C library's letter tests follow the locale.
        const char letter = letterText.size() == 1 ? static_cast<char>(letterText[0] & ~0x20) : '\0';
        if (letter < 'A' || letter > 'Z') r.fail(where + ": a drive is named by one letter");
        if (!drive.is_object()) r.fail(where + " must be an object");
        DriveProfile& d = profile.drives[static_cast<std::size_t>(letter - 'A')];
        d.type = r.number<int>(drive, "type", DRIVE_FIXED, where);
        if (d.type < 0 || d.type > 6) r.fail(where + ".type must be a drive type from 0 to 6");
        d.volume.volumeLabel = r.text(drive, "volumeLabel", "", where);
        d.volume.serialNumber = r.number<std::uint32_t>(drive, "serialNumber", 0, where);
        d.volume.maxComponentLength = r.number<std::uint32_t>(drive, "maxComponentLength", 255, where);
        d.volume.fileSystemFlags = r.number<std::uint32_t>(drive, "fileSystemFlags", 0, where);
        d.volume.fileSystemName = r.text(drive, "fileSystemName", "", where);
        d.totalBytes = r.number<std::int64_t>(drive, "totalBytes", 0, where);
        d.freeBytes = r.number<std::int64_t>(drive, "freeBytes", 0, where);
        if (d.totalBytes < 0 || d.freeBytes < 0)
            r.fail(where + (d.totalBytes < 0 ? ".totalBytes" : ".freeBytes") + " must not be negative");
        d.volumeQueryFails = r.boolean(drive, "volumeQueryFails", false, where);
        d.spaceQueryFails = r.boolean(drive, "spaceQueryFails", false, where);
    }
}

void readMemory(const Reader& r, const json& m, Profile& profile) {
    MemoryStatus& s = profile.memory;
    s.memoryLoad = r.number<std::uint32_t>(m, "memoryLoad", 0, "memory");
    if (s.memoryLoad > 100) r.fail("memory.memoryLoad must be from 0 to 100");
    s.totalPhys = r.number<std::uint64_t>(m, "totalPhys", 0, "memory");
    s.availPhys = r.number<std::uint64_t>(m, "availPhys", 0, "memory");
    s.totalPageFile = r.number<std::uint64_t>(m, "totalPageFile", 0, "memory");
    s.availPageFile = r.number<std::uint64_t>(m, "availPageFile", 0, "memory");
    s.totalVirtual = r.number<std::uint64_t>(m, "totalVirtual", 0, "memory");
    s.availVirtual = r.number<std::uint64_t>(m, "availVirtual", 0, "memory");
}

// "YYYY-MM-DDTHH:MM:SS", each field in its range.
LocalTime readLocalTime(const Reader& r, const std::string& text) {
    LocalTime t;
    const auto field = [&](std::size_t at, std::size_t width, int low, int high) {
        int value = 0;
        const char* begin = text.data() + at;
        const auto [end, error] = std::from_chars(begin, begin + width, value);
        if (error != std::errc() || end != begin + width || value < low || value > high)
            r.fail("clock.localTime must be YYYY-MM-DDTHH:MM:SS");
        return value;
    };
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        r.fail("clock.localTime must be YYYY-MM-DDTHH:MM:SS");
    t.year = field(0, 4, 1601, 9999);
    t.month = field(5, 2, 1, 12);
    t.day = field(8, 2, 1, 31);
    t.hour = field(11, 2, 0, 23);
    t.minute = field(14, 2, 0, 59);
    t.second = field(17, 2, 0, 59);
    return t;
}

std::vector<std::string> stringList(const Reader& r, const json& root, const char* key) {
    std::vector<std::string> out;
    if (!root.contains(key)) return out;
    const json& list = root.at(key);
    if (!list.is_array()) r.fail(std::string(key) + " must be a list");
    for (const json& item : list) {
        if (!item.is_string()) r.fail(std::string(key) + " must hold strings");
        out.push_back(text::utf8ToCp1252(item.get<std::string>()));
    }
    return out;
}

void readScreen(const Reader& r, const json& s, Profile& profile) {
    profile.screen.width = r.number<int>(s, "width", 800, "screen");
    profile.screen.height = r.number<int>(s, "height", 600, "screen");
    if (profile.screen.width < 0 || profile.screen.height < 0) r.fail("screen sizes must not be negative");
    if (s.contains("bitsPerPixel")) profile.bitsPerPixel = r.number<std::uint32_t>(s, "bitsPerPixel", 0, "screen");
}

void readLocale(const Reader& r, const json& l, Profile& profile) {
    const std::string separator = r.text(l, "decimalSeparator", ".", "locale");
    if (separator.size() != 1) r.fail("locale.decimalSeparator must be one character");
    profile.locale.decimalSeparator = separator[0];
    profile.locale.shortDateFormat = r.text(l, "shortDateFormat", profile.locale.shortDateFormat, "locale");
    profile.locale.timeFormat = r.text(l, "timeFormat", profile.locale.timeFormat, "locale");
    profile.locale.amDesignator = r.text(l, "amDesignator", profile.locale.amDesignator, "locale");
    profile.locale.pmDesignator = r.text(l, "pmDesignator", profile.locale.pmDesignator, "locale");
}

// REGEDIT4 text, or a list of its lines for readable profiles.
void readRegistry(const Reader& r, const json& reg, Profile& profile) {
    if (reg.is_string()) {
        profile.registryText = text::utf8ToCp1252(reg.get<std::string>());
    } else if (reg.is_array()) {
        for (const json& line : reg) {
            if (!line.is_string()) r.fail("registry lines must be strings");
            profile.registryText += text::utf8ToCp1252(line.get<std::string>()) + "\r\n";
        }
    } else {
        r.fail("registry must be REGEDIT4 text or a list of its lines");
    }
}

void readFolders(const Reader& r, const json& root, Profile& profile) {
    profile.folders = stringList(r, root, "folders");
    for (std::size_t i = 0; i < profile.folders.size(); ++i)
        if (profile.folders[i].find('\0') != std::string::npos)
            r.fail("folders[" + std::to_string(i) + "] holds a NUL character");
}

void readFiles(const Reader& r, const json& files, Profile& profile) {
    if (!files.is_object()) r.fail("files must be an object of DOS path to content");
    for (const auto& [path, content] : files.items()) {
        if (!content.is_string()) r.fail("files." + path + " must be a string");
        if (path.find('\0') != std::string::npos)
            r.fail("files." + path.substr(0, path.find('\0')) + " holds a NUL character in its name");
        profile.files.push_back({text::utf8ToCp1252(path), text::utf8ToCp1252(content.get<std::string>())});
    }
}

void readClock(const Reader& r, const json& c, Profile& profile) {
    if (c.contains("tscTicksPerSecond"))
        profile.tscTicksPerSecond = r.number<std::uint64_t>(c, "tscTicksPerSecond", 0, "clock");
    profile.priorityRaiseFails = r.boolean(c, "priorityRaiseFails", false, "clock");
    if (c.contains("localTime")) profile.localTime = readLocalTime(r, r.text(c, "localTime", "", "clock"));
}

void readPrinters(const Reader& r, const json& printers, Profile& profile) {
    if (!printers.is_array()) r.fail("printers must be a list");
    for (const json& p : printers) {
        if (p.is_string())
            profile.printers.push_back({text::utf8ToCp1252(p.get<std::string>()), ""});
        else if (p.is_object())
            profile.printers.push_back({r.text(p, "name", "", "printers"), r.text(p, "ports", "", "printers")});
        else
            r.fail("printers must hold names or objects");
    }
}

// Every section of the profile, each where it is present.
void readSections(const Reader& r, const json& root, Profile& profile) {
    if (root.contains("drives")) readDrives(r, r.object(root, "drives", "profile"), profile);
    if (root.contains("memory")) readMemory(r, r.object(root, "memory", "profile"), profile);
    if (root.contains("screen")) readScreen(r, r.object(root, "screen", "profile"), profile);
    if (root.contains("locale")) readLocale(r, r.object(root, "locale", "profile"), profile);
    if (root.contains("registry")) readRegistry(r, root.at("registry"), profile);
    readFolders(r, root, profile);
    if (root.contains("files")) readFiles(r, root.at("files"), profile);
    profile.waveOutDevices = r.number<std::uint32_t>(root, "waveOutDevices", 0, "profile");
    if (root.contains("clock")) readClock(r, r.object(root, "clock", "profile"), profile);
    if (root.contains("printers")) readPrinters(r, root.at("printers"), profile);
    profile.windows = stringList(r, root, "windows");
    profile.launchesFail = r.boolean(root, "launchesFail", false, "profile");
    profile.platformId = r.number<std::uint32_t>(root, "platformId", VER_PLATFORM_WIN32_NT, "profile");
    if (profile.platformId != VER_PLATFORM_WIN32_WINDOWS && profile.platformId != VER_PLATFORM_WIN32_NT)
        r.fail("platformId must be 1 (Windows 95/98) or 2 (NT family)");
}
}  // namespace

Profile parseProfile(const std::string& jsonText, const std::string& origin) {
    Reader r(origin);
    json root;
    try {
        root = json::parse(jsonText);
    } catch (const json::exception& e) {  // parse_error, or out_of_range for a number like 1e400
        r.fail(std::string("not valid JSON: ") + e.what());
    }
    if (!root.is_object()) r.fail("the profile must be a JSON object");
    Profile profile;
    try {
        readSections(r, root, profile);
    } catch (const json::exception& e) {
        r.fail(e.what());
    }
    return profile;
}

Profile loadProfile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw ProfileError(path + ": is a folder; a machine profile is a JSON file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ProfileError(path + ": cannot be read (" + std::strerror(errno) + ")");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw ProfileError(path + ": cannot be read");
    return parseProfile(content.str(), path);
}

}  // namespace vintrel::platform::sim

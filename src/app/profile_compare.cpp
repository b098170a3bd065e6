#include "app/profile_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <set>

#include "platform/registry/key_path.h"
#include "platform/api/registry_locations.h"
#include "platform/registry/reg_file.h"
#include "text/cp1252.h"

namespace vintrel::app {
namespace {

using platform::sim::Profile;


// What a capture writes in place of personal values: equal to anything.
bool placeholder(const std::string& text) {
    return text == "Owner" || text == "Organization" || text == "00000-OEM-0000000-00000";
}

std::string utf8(std::string_view cp1252) { return text::cp1252ToUtf8(cp1252); }

std::string decimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::trunc(value * 100) / 100);
    std::string out = buffer;
    for (char& c : out)
        if (c == '.') c = ',';
    return out;
}

std::string size(std::int64_t bytes) {
    const double b = static_cast<double>(bytes);
    return b > 1073741824.0 ? decimal(b / 1073741824.0) + " GB" : decimal(b / 1048576.0) + " MB";
}

std::string driveType(int type) {
    switch (type) {
    case platform::DRIVE_REMOVABLE: return "removível";
    case platform::DRIVE_FIXED: return "disco fixo";
    case platform::DRIVE_REMOTE: return "rede";
    case platform::DRIVE_CDROM: return "CD-ROM";
    case platform::DRIVE_RAMDISK: return "disco RAM";
    default: return "desconhecido";
    }
}

bool present(const platform::sim::DriveProfile& d) {
    return d.type != platform::DRIVE_NO_ROOT_DIR && d.type != platform::DRIVE_UNKNOWN;
}

std::string driveText(char letter, const platform::sim::DriveProfile& d) {
    std::string out = std::string(1, letter) + ": (" + driveType(d.type);
    if (!d.volume.volumeLabel.empty()) out += ", " + utf8(d.volume.volumeLabel);
    if (!d.volume.fileSystemName.empty()) out += ", " + utf8(d.volume.fileSystemName);
    if (d.totalBytes > 0) out += ", " + size(d.totalBytes);
    return out + ")";
}

void drives(const Profile& a, const Profile& b, std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < a.drives.size(); ++i) {
        const char letter = static_cast<char>('A' + i);
        const auto &x = a.drives[i], &y = b.drives[i];
        if (!present(x) && !present(y)) continue;
        if (!present(y)) {
            lines.push_back("removida: " + driveText(letter, x));
        } else if (!present(x)) {
            lines.push_back("adicionada: " + driveText(letter, y));
        } else {
            const std::string l(1, letter);
            if (x.type != y.type)
                lines.push_back("tipo mudou: " + l + ": de " + driveType(x.type) + " para " + driveType(y.type));
            if (x.volume.fileSystemName != y.volume.fileSystemName)
                lines.push_back("sistema de arquivos mudou: " + l + ": de " + utf8(x.volume.fileSystemName) +
                                " para " + utf8(y.volume.fileSystemName));
            if (x.totalBytes != y.totalBytes)
                lines.push_back("redimensionada: " + l + ": de " + size(x.totalBytes) + " para " + size(y.totalBytes));
        }
    }
}

void memory(const Profile& a, const Profile& b, std::vector<std::string>& lines) {
    const auto bytes = [](std::uint64_t v) { return size(static_cast<std::int64_t>(v)); };
    if (a.memory.totalPhys != b.memory.totalPhys)
        lines.push_back("memória física: de " + bytes(a.memory.totalPhys) + " para " + bytes(b.memory.totalPhys));
    if (a.memory.totalPageFile != b.memory.totalPageFile)
        lines.push_back("arquivo de troca: de " + bytes(a.memory.totalPageFile) + " para " +
                        bytes(b.memory.totalPageFile));
}

std::string screenText(const Profile& p) {
    std::string out = std::to_string(p.screen.width) + " x " + std::to_string(p.screen.height);
    if (p.bitsPerPixel) out += " (" + std::to_string(*p.bitsPerPixel) + " bits)";
    return out;
}

std::string clockText(const std::optional<std::uint64_t>& ticks) {
    return ticks ? decimal(static_cast<double>(*ticks) / 1e6) + " MHz" : "sem contador";
}

bool clockDiffers(const std::optional<std::uint64_t>& a, const std::optional<std::uint64_t>& b) {
    if (!a || !b) return a.has_value() != b.has_value();
    const double x = static_cast<double>(*a), y = static_cast<double>(*b);
    return std::fabs(x - y) > 0.01 * std::max(x, y);
}

// Registry values as "ROOT\path" (folded) -> name (folded) -> spelled path, name and text.
struct Value {
    std::string key, name, text;
};
using Values = std::map<std::string, Value>;

std::string valueText(std::uint32_t type, const std::string& data) {
    if (type == platform::REG_SZ || type == platform::REG_EXPAND_SZ)
        return "\"" + utf8(data.substr(0, data.find('\0'))) + "\"";
    if (type == platform::REG_DWORD && data.size() == 4) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        return "dword:" + std::to_string(v);
    }
    static const char* digits = "0123456789abcdef";
    std::string out = "hex:";
    for (std::size_t i = 0; i < data.size() && i < 32; ++i) {
        if (i) out += ',';
        out += digits[static_cast<unsigned char>(data[i]) >> 4];
        out += digits[static_cast<unsigned char>(data[i]) & 15];
    }
    return data.size() > 32 ? out + ",..." : out;
}

Values registryValues(const Profile& p) {
    Values out;
    const auto parsed = registry::parseRegFile(p.registryText);
    for (const auto& op : parsed.operations) {
        const std::string key = std::string(registry::rootKeyName(op.root)) + "\\" + op.keyPath;
        const std::string id = registry::foldName(key) + "\n" + registry::foldName(op.valueName);
        if (op.kind == registry::RegOperation::Kind::SetValue)
            out[id] = {key, op.valueName, valueText(op.type, op.data)};
        else if (op.kind == registry::RegOperation::Kind::DeleteValue)
            out.erase(id);
    }
    return out;
}

bool isProgramValue(const std::string& id) {
    static const std::string prefix = "HKEY_LOCAL_MACHINE\\" + registry::foldName(platform::reg::kUninstallKey);
    return id.compare(0, prefix.size(), prefix) == 0;
}

// Installed programs: the display names of the Uninstall subkeys that have one, with repeats.
std::multiset<std::string> programs(const Values& values) {
    std::multiset<std::string> names;
    for (const auto& [id, v] : values)
        if (isProgramValue(id) && registry::foldName(v.name) == "DISPLAYNAME" && v.text.size() >= 2 &&
            v.text.front() == '"')
            names.insert(v.text.substr(1, v.text.size() - 2));
    return names;
}

template <typename Set>
void setDifference(const Set& a, const Set& b, const char* added, const char* removed,
                   std::vector<std::string>& lines) {
    std::vector<std::string> gone, come;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(come));
    for (const auto& n : come) lines.push_back(std::string(added) + ": " + n);
    for (const auto& n : gone) lines.push_back(std::string(removed) + ": " + n);
}

void registryGroup(const Values& a, const Values& b, std::vector<std::string>& lines) {
    const auto where = [](const Value& v) {
        return utf8(v.key) + " " + (v.name.empty() ? std::string("(Padrão)") : "\"" + utf8(v.name) + "\"");
    };
    const auto unquoted = [](const std::string& t) { return t.size() >= 2 ? t.substr(1, t.size() - 2) : t; };
    for (const auto& [id, v] : b) {
        if (isProgramValue(id)) continue;
        const auto old = a.find(id);
        if (old == a.end())
            lines.push_back("adicionado: " + where(v) + " = " + v.text);
        else if (old->second.text != v.text && !placeholder(unquoted(old->second.text)) && !placeholder(unquoted(v.text)))
            lines.push_back("alterado: " + where(v) + ": de " + old->second.text + " para " + v.text);
    }
    for (const auto& [id, v] : a)
        if (!isProgramValue(id) && b.find(id) == b.end()) lines.push_back("removido: " + where(v));
}

}  // namespace

std::vector<ProfileGroup> compareProfiles(const Profile& a, const Profile& b) {
    std::vector<ProfileGroup> groups{{"Unidades", {}}, {"Memória", {}}, {"Tela", {}}, {"Processador", {}},
                                     {"Impressoras", {}}, {"Programas instalados", {}}, {"Registro", {}}};
    drives(a, b, groups[0].lines);
    memory(a, b, groups[1].lines);
    if (screenText(a) != screenText(b)) groups[2].lines.push_back("de " + screenText(a) + " para " + screenText(b));
    if (clockDiffers(a.tscTicksPerSecond, b.tscTicksPerSecond))
        groups[3].lines.push_back("clock: de " + clockText(a.tscTicksPerSecond) + " para " +
                                  clockText(b.tscTicksPerSecond));
    std::set<std::string> printersA, printersB;
    for (const auto& p : a.printers) printersA.insert(utf8(p.name));
    for (const auto& p : b.printers) printersB.insert(utf8(p.name));
    setDifference(printersA, printersB, "adicionada", "removida", groups[4].lines);
    const Values valuesA = registryValues(a), valuesB = registryValues(b);
    setDifference(programs(valuesA), programs(valuesB), "adicionado", "removido", groups[5].lines);
    registryGroup(valuesA, valuesB, groups[6].lines);
    std::erase_if(groups, [](const ProfileGroup& g) { return g.lines.empty(); });
    return groups;
}

int runCompare(const std::string& oldFile, const std::string& newFile, std::istream& in, std::ostream& out,
               std::ostream& err) {
    if (oldFile == "-" && newFile == "-") {
        err << "vintrel: --compare reads standard input for one profile only\n";
        return 2;
    }
    const auto load = [&](const std::string& file) {
        if (file != "-") return platform::sim::loadProfile(file);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return platform::sim::parseProfile(text, "standard input");
    };
    Profile before, after;
    try {
        before = load(oldFile);
        after = load(newFile);
    } catch (const std::exception& e) {
        err << "vintrel: " << e.what() << '\n';
        return 2;
    }
    const auto groups = compareProfiles(before, after);
    if (groups.empty()) out << "Nenhuma diferença entre " << oldFile << " e " << newFile << ".\n";
    for (const auto& g : groups) {
        out << g.title << '\n';
        for (const auto& line : g.lines) out << "  " << line << '\n';
    }
    out.flush();
    return groups.empty() ? 0 : 1;
}

}  // namespace vintrel::app

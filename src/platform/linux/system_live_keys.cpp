#include "platform/linux/system_live_keys.h"

#include <pwd.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/host/whole_file.h"
#include "text/cp1252.h"
#include "text/hex_digit.h"
#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kMaxValueBytes = 255;
constexpr std::size_t kMaxOsReleaseBytes = 64 * 1024;

// Blanks inside os-release lines and passwd fields (a newline ends an os-release line).
constexpr std::string_view kShellBlanks = " \t\r\v\f";

bool isBlank(char c) {
    return kShellBlanks.find(c) != std::string_view::npos;
}

bool isNameChar(char c, bool first) {
    return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (!first && c >= '0' && c <= '9');
}

// A Linux-sourced text as a registry string value.
std::string registryText(std::string_view utf8) {
    std::string out = text::utf8ToCp1252(utf8);
    if (out.size() > kMaxValueBytes) out.resize(kMaxValueBytes);
    return out;
}

std::string shellValue(std::string_view v) {
    std::string out;
    std::size_t significant = 0;  // length without trailing unquoted blanks
    std::size_t i = 0;
    while (i < v.size()) {
        const char c = v[i];
        if (c == '"') {
            for (++i; i < v.size() && v[i] != '"'; ++i) {
                if (v[i] == '\\' && i + 1 < v.size() &&
                    std::string_view("\"\\$`").find(v[i + 1]) != std::string_view::npos)
                    ++i;
                out.push_back(v[i]);
            }
            ++i;
            significant = out.size();
        } else if (c == '\'') {
            for (++i; i < v.size() && v[i] != '\''; ++i) out.push_back(v[i]);
            ++i;
            significant = out.size();
        } else if (c == '\\') {
            if (i + 1 < v.size()) out.push_back(v[i + 1]);
            i += 2;
            significant = out.size();
        } else {
            out.push_back(c);
            ++i;
            if (!isBlank(c)) significant = out.size();
        }
    }
    out.resize(significant);
    return out;
}

// The application key of the product id (machine-id(5): hash the id with an application-
// specific key, never show it).
constexpr unsigned char kProductIdKey[16] = {0xe5, 0xa3, 0xfa, 0xf8, 0xad, 0x58, 0x41, 0x68,
                                             0x87, 0xb2, 0x72, 0x73, 0x84, 0xcf, 0xd8, 0x29};

std::string digits(std::uint64_t value, int count) {
    std::string out(static_cast<std::size_t>(count), '0');
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    return out;
}

std::string readOsRelease(const SystemSources& sources) {
    for (const std::string& folder : {sources.etcRoot, sources.usrLibRoot})
        if (auto text = host::readSmallFile(folder + "/os-release", kMaxOsReleaseBytes)) return *text;
    return {};
}

std::optional<std::string> currentOwner() {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    passwd entry{};
    passwd* result = nullptr;
    int error = 0;
    while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (error == 0 && result != nullptr && result->pw_name != nullptr)
        return ownerFromPasswd(result->pw_gecos != nullptr ? result->pw_gecos : "", result->pw_name);
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* name = std::getenv(variable); name != nullptr && *name != '\0')
            return std::string(name);
    return std::nullopt;
}

}  // namespace

std::map<std::string, std::string> parseOsRelease(std::string_view text) {
    std::map<std::string, std::string> values;
    for (std::string_view line : text::lines(text)) {
        line = text::trimLeft(line, kShellBlanks);
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == 0 || equals == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, equals);
        bool valid = true;
        for (std::size_t i = 0; i < name.size(); ++i) valid = valid && isNameChar(name[i], i == 0);
        if (valid) values[std::string(name)] = shellValue(line.substr(equals + 1));
    }
    return values;
}

std::string productNameFromOsRelease(std::string_view text) {
    const auto values = parseOsRelease(text);
    const auto pretty = values.find("PRETTY_NAME");
    if (pretty == values.end() || pretty->second.empty()) return "Linux";
    // A quoted value may hold any byte: a line end or escape sequence would reach the
    // window and forge report lines.
    std::string name = pretty->second;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return name;
}

std::optional<std::string> productIdFromMachineId(std::string_view machineIdText) {
    machineIdText = text::trimRight(machineIdText, " \t\r\v\f\n");
    if (machineIdText.size() != 32) return std::nullopt;
    QByteArray id;
    for (std::size_t i = 0; i < machineIdText.size(); i += 2) {
        const int high = text::hexDigitValue(machineIdText[i]);
        const int low = text::hexDigitValue(machineIdText[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        id.append(static_cast<char>(high << 4 | low));
    }
    // HMAC-SHA256 keyed with the machine id over the application key, as systemd derives
    // application-specific ids; the first 8 bytes, big-endian, give the number.
    const QByteArray mac = QMessageAuthenticationCode::hash(
        QByteArray(reinterpret_cast<const char*>(kProductIdKey), sizeof kProductIdKey), id,
        QCryptographicHash::Sha256);
    std::uint64_t number = 0;
    for (int i = 0; i < 8; ++i) number = number << 8 | static_cast<unsigned char>(mac[i]);
    number %= 100000000000000000ull;
    const std::string all = digits(number, 17);
    return all.substr(0, 5) + "-OEM-" + all.substr(5, 7) + "-" + all.substr(12, 5);
}

std::string ownerFromPasswd(std::string_view gecos, std::string_view login) {
    std::string_view full = gecos.substr(0, gecos.find(','));
    full = text::trim(full, kShellBlanks);
    if (full.empty()) return std::string(login);
    std::string capitalised(login);
    if (!capitalised.empty() && capitalised[0] >= 'a' && capitalised[0] <= 'z') capitalised[0] -= 'a' - 'A';
    std::string out;
    for (const char c : full) {
        if (c == '&')
            out += capitalised;
        else
            out.push_back(c);
    }
    return out;
}

void addSystemLiveKeys(registry::LiveKeyTable& table, const std::string& etcRoot) {
    SystemSources sources;
    sources.etcRoot = etcRoot;
    addSystemLiveKeys(table, sources);
}

void addSystemLiveKeys(registry::LiveKeyTable& table, const SystemSources& sources) {
    const std::string key(kCurrentVersionKey);
    table.addString(HKEY_LOCAL_MACHINE, key, "SystemRoot",
                    [] { return std::optional<std::string>("C:\\WINDOWS"); });
    table.addString(HKEY_LOCAL_MACHINE, key, "ProductName", [sources] {
        return std::optional<std::string>(registryText(productNameFromOsRelease(readOsRelease(sources))));
    });
    table.addString(HKEY_LOCAL_MACHINE, key, "ProductId", [sources]() -> std::optional<std::string> {
        const auto text = host::readSmallFile(sources.etcRoot + "/machine-id", 4096);
        return text ? productIdFromMachineId(*text) : std::nullopt;
    });
    table.addString(HKEY_LOCAL_MACHINE, key, "RegisteredOwner", []() -> std::optional<std::string> {
        const auto owner = currentOwner();
        return owner ? std::optional<std::string>(registryText(*owner)) : std::nullopt;
    });
    table.addString(HKEY_LOCAL_MACHINE, key, "RegisteredOrganization",
                    [] { return std::optional<std::string>(std::string()); });
}

}  // namespace vintrel::platform::linux_host

#include "system/settings.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/api/platform.h"
#include "platform/api/registry_locations.h"
#include "system/errors.h"
#include "text/collation.h"
#include "text/hex_digit.h"

namespace vintrel::system {

using namespace vintrel::platform;

namespace {

std::optional<std::int32_t> parseWhole(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        const int d = text::hexDigitValue(s[i]);
        if (d < 0 || d >= base) return std::nullopt;
        value = value * base + d;
        if (value > 0x100000000LL) return std::nullopt;
    }
    if (negative) value = -value;
    // Hexadecimal digits may spell the whole 32-bit pattern, as the conversion allows.
    if (base == 16 && value > INT32_MAX && value <= 0xFFFFFFFFLL)
        return static_cast<std::int32_t>(value - 0x100000000LL);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// A value read as text: missing gives empty text; text types give their bytes up to the
// first NUL; any other type is an error.
std::string textValue(std::optional<RegValue>& value, const char* name) {
    if (!value) return {};
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        throw Error(std::string("Invalid data type for '") + name + "'");
    std::string& data = value->data;
    data.resize(std::min(data.find('\0'), data.size()));
    return std::move(data);
}

// The collation order of the last list of programs sorted. A list of the same names in the
// same order (the programs seldom change between two openings of the dialog) takes it
// without a comparison; the names are known by a 64-bit hash of them all.
struct KeptProgramOrder {
    std::mutex mutex;
    std::uint64_t hash = 0;
    std::vector<std::uint32_t> order;
};

std::uint64_t hashOfNames(const std::vector<std::string>& names) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
    const auto add = [&hash](unsigned char byte) { hash = (hash ^ byte) * 0x100000001b3ULL; };
    for (const std::string& name : names) {
        for (std::size_t size = name.size(), i = 0; i < sizeof size; ++i, size >>= 8) add(size & 0xFF);
        for (const char c : name) add(static_cast<unsigned char>(c));
    }
    return hash;
}

}  // namespace

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = parseWhole(text)) return *value;
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

void ListInstalledPrograms(const std::function<void(std::string&&)>& add) {
    Registry& registry = current().registry();
    // One read batch: the store is locked once for the whole list, not once per program.
    struct ReadBatch {
        Registry& registry;
        explicit ReadBatch(Registry& r) : registry(r) { registry.beginReads(); }
        ~ReadBatch() { registry.endReads(); }
    } batch(registry);
    static const std::vector<std::string> kValues = {"UninstallString", "DisplayName"};
    registry.subKeyValues(HKEY_LOCAL_MACHINE, platform::reg::kUninstallKey, kValues,
                          [&add](const std::string&, std::optional<RegValue>* values) {
                              if (textValue(values[0], "UninstallString").empty()) return;
                              std::string display = textValue(values[1], "DisplayName");
                              if (!display.empty()) add(std::move(display));
                          });
}

void InstalledProgramsSorted(std::vector<std::string>& names) {
    {
        // Gathered in a deque, which grows without a copy of what it holds, then moved into a
        // list of the size needed; on an error, the names read so far.
        std::deque<std::string> read;
        const auto take = [&] {
            names.reserve(names.size() + read.size());
            std::move(read.begin(), read.end(), std::back_inserter(names));
        };
        try {
            ListInstalledPrograms([&read](std::string&& name) { read.push_back(std::move(name)); });
        } catch (...) {
            take();
            throw;
        }
        take();
    }
    static KeptProgramOrder kept;
    const std::uint64_t hash = hashOfNames(names);
    std::vector<std::uint32_t> order;
    {
        const std::lock_guard lock(kept.mutex);
        if (kept.hash == hash && kept.order.size() == names.size()) order = kept.order;
    }
    if (order.empty()) {
        order = text::sortedOrder(names);
        const std::lock_guard lock(kept.mutex);
        kept.hash = hash;
        kept.order = order;
    }
    text::permute(names, order);
}

std::vector<std::string> InstalledProgramsSorted() {
    std::vector<std::string> sorted;
    InstalledProgramsSorted(sorted);
    return sorted;
}

std::vector<std::string> FormatPrinterList(const std::vector<PrinterEntry>& printers,
                                           std::uint32_t platformId) {
    std::vector<std::string> list;
    for (const PrinterEntry& p : printers) {
        if (platformId == VER_PLATFORM_WIN32_NT) {
            list.push_back(p.name);
            continue;
        }
        std::string_view ports = p.ports;
        while (!ports.empty()) {
            const std::size_t comma = ports.find(',');
            std::string_view port = ports.substr(0, comma);
            while (!port.empty() && port.front() == ' ') port.remove_prefix(1);
            if (!port.empty()) list.push_back(p.name + " on " + std::string(port));
            ports = comma == std::string_view::npos ? std::string_view() : ports.substr(comma + 1);
        }
    }
    return list;
}

namespace {

// The list is built once for the platform of the process (tests install several in turn; a
// later one may reuse an earlier one's address, so they are told apart by their installation).
struct KeptPrinterList {
    std::mutex mutex;
    unsigned long builtFor = 0;
    std::vector<std::string> list;
};
KeptPrinterList& keptPrinterList() {
    static KeptPrinterList kept;
    return kept;
}

std::vector<std::string> keepPrinterList(unsigned long installation, std::uint32_t platformId,
                                         const std::vector<PrinterInfo>& printers) {
    std::vector<PrinterEntry> entries;
    for (const PrinterInfo& p : printers) entries.push_back({p.name, p.ports});
    std::vector<std::string> list = FormatPrinterList(entries, platformId);
    KeptPrinterList& kept = keptPrinterList();
    const std::lock_guard lock(kept.mutex);
    kept.builtFor = installation;
    kept.list = list;
    return list;
}

std::optional<std::vector<std::string>> keptPrinterListFor(unsigned long installation) {
    KeptPrinterList& kept = keptPrinterList();
    const std::lock_guard lock(kept.mutex);
    if (kept.builtFor != installation) return std::nullopt;
    return kept.list;
}

}  // namespace

std::vector<std::string> PrinterList() {
    if (auto kept = keptPrinterListFor(platform::installation())) return std::move(*kept);
    return keepPrinterList(platform::installation(), current().versionPlatformId(),
                           current().spooler().installedPrinters());
}

void PrinterListLater(std::function<void(std::vector<std::string>)> done) {
    const unsigned long installation = platform::installation();
    if (auto kept = keptPrinterListFor(installation)) return done(std::move(*kept));
    current().spooler().installedPrintersLater(
        [installation, id = current().versionPlatformId(), done = std::move(done)](std::vector<PrinterInfo> printers) {
            done(keepPrinterList(installation, id, printers));
        });
}

std::vector<std::string> WindowTitles() {
    std::vector<std::string> titles;
    for (const TopLevelWindow& w : current().ui().topLevelWindows()) {
        std::string title = w.title.substr(0, std::min<std::size_t>(w.title.find('\0'), 99));
        if (!title.empty()) titles.push_back(std::move(title));
    }
    return titles;
}

std::string MouseDriverEntry() {
    return current().files().privateProfileString("boot.description", "mouse.drv", "nada", 2048,
                                                  "c:\\windows\\system.ini");
}

bool LogitechMouseDriverNamed() {
    return MouseDriverEntry().find("Logitech") != std::string::npos;
}

}  // namespace vintrel::system

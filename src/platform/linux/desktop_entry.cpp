#include "platform/linux/desktop_entry.h"

#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

// Undoes the escapes of string values (\s \n \t \r \\); other control characters become
// blanks so a name never breaks a line of a list.
std::string unescaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            switch (value[++i]) {
                case 's':
                    c = ' ';
                    break;
                case 'n':
                case 't':
                case 'r':
                    c = ' ';
                    break;
                case '\\':
                    c = '\\';
                    break;
                default:
                    out.push_back('\\');
                    c = value[i];
                    break;
            }
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::vector<std::string> localeCandidates(std::string_view locale) {
    if (locale.empty() || locale == "C" || locale == "POSIX") return {};
    std::string_view modifier;
    if (const auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at);
        locale = locale.substr(0, at);
    }
    locale = locale.substr(0, locale.find('.'));
    const std::string_view lang = locale.substr(0, locale.find('_'));
    const bool hasCountry = lang.size() != locale.size();
    std::vector<std::string> out;
    if (hasCountry && !modifier.empty()) out.push_back(std::string(locale) + std::string(modifier));
    if (hasCountry) out.emplace_back(locale);
    if (!modifier.empty()) out.push_back(std::string(lang) + std::string(modifier));
    if (!lang.empty()) out.emplace_back(lang);
    return out;
}

namespace {

// The keys of the [Desktop Entry] group that matter here, each the first one given.
struct EntryFields {
    std::vector<std::string> candidates;  // locale suffixes, best first
    std::vector<std::optional<std::string_view>> localized;
    std::optional<std::string_view> name, type, tryExec, noDisplay, hidden, flatpak, snap;

    void take(std::string_view key, std::string_view value) {
        const auto first = [&](std::optional<std::string_view>& slot) {
            if (!slot) slot = value;
        };
        if (key.starts_with("Name[") && key.ends_with(']')) {
            const std::string_view suffix = key.substr(5, key.size() - 6);
            for (std::size_t i = 0; i < candidates.size(); ++i)
                if (suffix == candidates[i] && !localized[i]) localized[i] = value;
            return;
        }
        if (key == "Name") first(name);
        else if (key == "Type") first(type);
        else if (key == "TryExec") first(tryExec);
        else if (key == "NoDisplay") first(noDisplay);
        else if (key == "Hidden") first(hidden);
        else if (key == "X-Flatpak") first(flatpak);
        else if (key == "X-SnapInstanceName") first(snap);
    }
};

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string_view locale) {
    EntryFields f;
    f.candidates = localeCandidates(locale);
    f.localized.resize(f.candidates.size());
    bool inGroup = false, seenGroup = false;
    for (std::string_view line : text::lines(text)) {
        line = text::trimRight(line, "\r");
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (seenGroup && inGroup) break;  // the group ended
            inGroup = line == "[Desktop Entry]";
            seenGroup = seenGroup || inGroup;
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        f.take(text::trimRight(line.substr(0, equals), " \t"), text::trimLeft(line.substr(equals + 1), " \t"));
    }
    if (!seenGroup || !f.name) return std::nullopt;

    DesktopEntry entry;
    std::string_view chosen = *f.name;
    for (const auto& value : f.localized)
        if (value && !value->empty()) {
            chosen = *value;
            break;
        }
    entry.name = unescaped(chosen);
    entry.type = f.type ? unescaped(*f.type) : std::string();
    entry.tryExec = f.tryExec ? unescaped(*f.tryExec) : std::string();
    entry.noDisplay = f.noDisplay && *f.noDisplay == "true";
    entry.hidden = f.hidden && *f.hidden == "true";
    entry.flatpakId = f.flatpak ? unescaped(*f.flatpak) : std::string();
    entry.snapInstance = f.snap ? unescaped(*f.snap) : std::string();
    return entry;
}

}  // namespace vintrel::platform::linux_host

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

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string_view locale) {
    const std::vector<std::string> candidates = localeCandidates(locale);
    std::vector<std::optional<std::string_view>> localized(candidates.size());
    std::optional<std::string_view> name, type, tryExec, noDisplay, hidden, flatpak, snap;
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
        if (!inGroup) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = text::trimRight(line.substr(0, equals), " \t");
        const std::string_view value = text::trimLeft(line.substr(equals + 1), " \t");
        auto take = [&](std::optional<std::string_view>& slot) {
            if (!slot) slot = value;
        };
        if (key == "Name") {
            take(name);
        } else if (key.starts_with("Name[") && key.ends_with(']')) {
            const std::string_view suffix = key.substr(5, key.size() - 6);
            for (std::size_t i = 0; i < candidates.size(); ++i)
                if (suffix == candidates[i] && !localized[i]) localized[i] = value;
        } else if (key == "Type") {
            take(type);
        } else if (key == "TryExec") {
            take(tryExec);
        } else if (key == "NoDisplay") {
            take(noDisplay);
        } else if (key == "Hidden") {
            take(hidden);
        } else if (key == "X-Flatpak") {
            take(flatpak);
        } else if (key == "X-SnapInstanceName") {
            take(snap);
        }
    }
    if (!seenGroup || !name) return std::nullopt;

    DesktopEntry entry;
    std::string_view chosen = *name;
    for (const auto& value : localized)
        if (value && !value->empty()) {
            chosen = *value;
            break;
        }
    entry.name = unescaped(chosen);
    entry.type = type ? unescaped(*type) : std::string();
    entry.tryExec = tryExec ? unescaped(*tryExec) : std::string();
    entry.noDisplay = noDisplay && *noDisplay == "true";
    entry.hidden = hidden && *hidden == "true";
    entry.flatpakId = flatpak ? unescaped(*flatpak) : std::string();
    entry.snapInstance = snap ? unescaped(*snap) : std::string();
    return entry;
}

}  // namespace vintrel::platform::linux_host

#include "platform/registry/key_path.h"

#include <algorithm>

#include "text/cp1252.h"

namespace vintrel::registry {

using platform::HKey;

std::vector<std::string_view> splitKeyPath(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string_view takeKeyName(std::string_view& rest) {
    while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
    const std::size_t end = std::min(rest.find('\\'), rest.size());
    const std::string_view name = rest.substr(0, end);
    rest.remove_prefix(end);
    return name;
}

std::string normalizeKeyPath(std::string_view path) {
    // Paths come mostly written as they should be: then it is a copy.
    if (path.empty() || (path.front() != '\\' && path.back() != '\\' &&
                         path.find("\\\\") == std::string_view::npos))
        return std::string(path);
    std::string out;
    out.reserve(path.size());
    for (std::string_view name = takeKeyName(path); !name.empty(); name = takeKeyName(path)) {
        if (!out.empty()) out.push_back('\\');
        out.append(name);
    }
    return out;
}

std::string joinKeyPath(std::string_view parent, std::string_view child) {
    std::string out(parent);
    if (!out.empty() && !child.empty()) out.push_back('\\');
    out.append(child);
    return out;
}

std::string keyPathProblem(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return "a key name holds a NUL character";
    std::size_t depth = 0;
    for (std::string_view name : splitKeyPath(path)) {
        if (name.size() > kMaxKeyNameLength)
            return "a key name is longer than " + std::to_string(kMaxKeyNameLength) + " characters";
        if (++depth > kMaxKeyDepth)
            return "the key is nested deeper than " + std::to_string(kMaxKeyDepth) + " levels";
    }
    return {};
}

std::string valueNameProblem(std::string_view name) {
    if (name.find('\0') != std::string_view::npos) return "the value name holds a NUL character";
    if (name.size() > kMaxValueNameLength)
        return "the value name is longer than " + std::to_string(kMaxValueNameLength) + " characters";
    return {};
}

std::string foldName(std::string_view name) {
    return text::upperCp1252(name);
}

bool isRootKey(HKey key) {
    return key == platform::HKEY_CLASSES_ROOT || key == platform::HKEY_CURRENT_USER ||
           key == platform::HKEY_LOCAL_MACHINE;
}

std::string_view rootKeyName(HKey root) {
    switch (root) {
        case platform::HKEY_CLASSES_ROOT:
            return "HKEY_CLASSES_ROOT";
        case platform::HKEY_CURRENT_USER:
            return "HKEY_CURRENT_USER";
        case platform::HKEY_LOCAL_MACHINE:
            return "HKEY_LOCAL_MACHINE";
        default:
            return {};
    }
}

std::optional<HKey> rootKeyFromName(std::string_view name) {
    struct Alias {
        std::string_view full;
        std::string_view shortName;
        HKey key;
    };
    static constexpr Alias kRoots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", platform::HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", "HKCU", platform::HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", platform::HKEY_LOCAL_MACHINE},
    };
    for (const Alias& alias : kRoots)
        if (text::equalsIgnoreCaseCp1252(name, alias.full) ||
            text::equalsIgnoreCaseCp1252(name, alias.shortName))
            return alias.key;
    return std::nullopt;
}

std::optional<FullKeyPath> parseFullKeyPath(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == '\\') ++start;
    text.remove_prefix(start);
    const std::size_t slash = text.find('\\');
    const auto root = rootKeyFromName(text.substr(0, slash));
    if (!root) return std::nullopt;
    FullKeyPath full;
    full.root = *root;
    if (slash != std::string_view::npos) full.path = normalizeKeyPath(text.substr(slash + 1));
    return full;
}

}  // namespace vintrel::registry

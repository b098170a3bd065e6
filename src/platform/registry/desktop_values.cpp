#include "platform/registry/desktop_values.h"

#include "platform/registry/key_path.h"
#include "platform/registry/registry_store.h"
#include "text/cp1252.h"

namespace vintrel::registry {

namespace {

// True when `path` is `key` or lies below it, both normalized and folded.
bool atOrBelow(const std::string& path, const std::string& key) {
    if (key.empty()) return true;
    if (path.size() < key.size() || path.compare(0, key.size(), key) != 0) return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

}  // namespace

const ValueLocation* findDesktopValue(const DesktopValues& values, platform::HKey root,
                                      std::string_view keyPath, std::string_view valueName) {
    // Root and value name first: most reads are ruled out without building any text.
    for (const ValueLocation& location : values.locations()) {
        if (location.root != root || !text::equalsIgnoreCaseCp1252(location.valueName, valueName)) continue;
        if (foldName(normalizeKeyPath(location.keyPath)) == foldName(normalizeKeyPath(keyPath))) return &location;
    }
    return nullptr;
}

std::optional<platform::RegValue> desktopValue(DesktopValues* values, platform::HKey root,
                                               std::string_view keyPath, std::string_view valueName) {
    if (values == nullptr) return std::nullopt;
    const ValueLocation* location = findDesktopValue(*values, root, keyPath, valueName);
    return location != nullptr ? values->value(*location) : std::nullopt;
}

bool desktopKeyExists(DesktopValues* values, platform::HKey root, std::string_view keyPath) {
    if (values == nullptr) return false;
    const std::string key = foldName(normalizeKeyPath(keyPath));
    for (const ValueLocation& location : values->locations())
        if (location.root == root && foldName(normalizeKeyPath(location.keyPath)) == key &&
            values->value(location))
            return true;
    return false;
}

void passStoredChanges(DesktopValues* values, RegistryStore& store, platform::HKey root,
                       std::string_view keyPath, std::optional<std::string_view> valueName) {
    if (values == nullptr) return;
    const std::string key = foldName(normalizeKeyPath(keyPath));
    for (const ValueLocation& location : values->locations()) {
        if (location.root != root) continue;
        const std::string path = foldName(normalizeKeyPath(location.keyPath));
        const bool touched = valueName ? path == key && foldName(location.valueName) == foldName(*valueName)
                                       : atOrBelow(path, key);
        if (!touched) continue;
        platform::RegValue stored;
        if (store.getValue(location.root, location.keyPath, location.valueName, stored) == 0)
            values->apply(location, &stored);
        else
            values->apply(location, nullptr);
    }
}

}  // namespace vintrel::registry

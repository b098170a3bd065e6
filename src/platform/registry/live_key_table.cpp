#include "platform/registry/live_key_table.h"

#include "platform/registry/key_path.h"
#include "text/cp1252.h"

namespace vintrel::registry {

namespace {

// True when key is path itself or one of its ancestors; both normalized and folded.
bool isSameOrAncestor(std::string_view key, std::string_view path) {
    if (key.empty()) return true;
    if (path.size() < key.size() || path.compare(0, key.size(), key) != 0) return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

// normalizeKeyPath and foldName together, on the stack when the path is short, as the paths
// every refresh reads are.
class FoldedPath {
public:
    explicit FoldedPath(std::string_view keyPath) {
        if (keyPath.size() > sizeof small_) {
            large_ = normalizeKeyPath(keyPath);
            for (char& c : large_) c = text::upperCp1252(c);
            view_ = large_;
            return;
        }
        // Paths come mostly written as they should be: then it is a folded copy.
        std::size_t size = 0;  // never beyond keyPath.size(): normalizing only drops separators
        const bool normal = keyPath.empty() || (keyPath.front() != '\\' && keyPath.back() != '\\' &&
                                                keyPath.find("\\\\") == std::string_view::npos);
        if (normal) {
            for (char c : keyPath) small_[size++] = text::upperCp1252(c);
        } else {
            for (std::string_view name = takeKeyName(keyPath); !name.empty(); name = takeKeyName(keyPath)) {
                if (size != 0) small_[size++] = '\\';
                for (char c : name) small_[size++] = text::upperCp1252(c);
            }
        }
        view_ = std::string_view(small_, size);
    }
    FoldedPath(const FoldedPath&) = delete;
    FoldedPath& operator=(const FoldedPath&) = delete;

    std::string_view view() const { return view_; }

private:
    char small_[256];
    std::string large_;
    std::string_view view_;
};

bool produces(const LiveKeyTable::Producer& producer) {
    return producer && producer().has_value();
}

}  // namespace

void LiveKeyTable::addString(platform::HKey root, std::string keyPath, std::string valueName,
                             Producer producer) {
    std::string path = normalizeKeyPath(keyPath);
    std::string fold = foldName(path);
    std::string foldedValue = foldName(valueName);
    entries_.push_back({root, std::move(path), std::move(valueName), std::move(producer), std::move(fold),
                        std::move(foldedValue)});
}

std::optional<platform::RegValue> LiveKeyTable::value(platform::HKey root, std::string_view keyPath,
                                                      std::string_view valueName) {
    const FoldedPath folded(keyPath);
    const std::string_view key = folded.view();
    const std::string name = foldName(valueName);
    for (const Entry& entry : entries_) {
        if (entry.root != root || entry.foldedPath != key || entry.foldedName != name || !entry.producer)
            continue;
        if (auto produced = entry.producer()) {
            platform::RegValue value;
            value.type = platform::REG_SZ;
            value.data = std::move(*produced);
            value.data.push_back('\0');
            return value;
        }
    }
    return std::nullopt;
}

// A key exists while at least one value at or below it is present right now, so that a
// machine without a modem has no modem key at all.
bool LiveKeyTable::keyExists(platform::HKey root, std::string_view keyPath) {
    const FoldedPath folded(keyPath);
    const std::string_view key = folded.view();
    for (const Entry& entry : entries_)
        if (entry.root == root && isSameOrAncestor(key, entry.foldedPath) && produces(entry.producer))
            return true;
    return false;
}

std::vector<std::string> LiveKeyTable::subKeys(platform::HKey root, std::string_view keyPath) {
    const FoldedPath folded(keyPath);
    const std::string_view key = folded.view();
    std::vector<std::string> names;
    for (const Entry& entry : entries_) {
        if (entry.root != root || entry.keyPath.size() <= key.size() || !isSameOrAncestor(key, entry.foldedPath))
            continue;
        std::string_view rest = entry.keyPath;
        rest.remove_prefix(key.empty() ? 0 : key.size() + 1);
        const std::string_view child = rest.substr(0, rest.find('\\'));
        bool known = false;
        for (const std::string& name : names)
            if (text::equalsIgnoreCaseCp1252(name, child)) known = true;
        if (!known && produces(entry.producer)) names.emplace_back(child);
    }
    return names;
}

std::vector<std::string> LiveKeyTable::valueNames(platform::HKey root, std::string_view keyPath) {
    const std::string key = normalizeKeyPath(keyPath);
    std::vector<std::string> names;
    for (const Entry& entry : entries_) {
        if (entry.root != root || !text::equalsIgnoreCaseCp1252(entry.keyPath, key) || !produces(entry.producer))
            continue;
        bool known = false;
        for (const std::string& name : names) known = known || text::equalsIgnoreCaseCp1252(name, entry.valueName);
        if (!known) names.push_back(entry.valueName);
    }
    return names;
}

// A key that the table does not hold has no subkey that it does: nothing to look up.
LiveKeys::ValueRows LiveKeyTable::subKeyValues(platform::HKey root, std::string_view keyPath,
                                               const std::vector<std::string>& subKeys,
                                               const std::vector<std::string>& valueNames) {
    if (!keyExists(root, keyPath)) return {};
    return LiveKeys::subKeyValues(root, keyPath, subKeys, valueNames);
}

}  // namespace vintrel::registry

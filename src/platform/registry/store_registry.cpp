#include "platform/registry/store_registry.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_set>

#include "platform/registry/key_path.h"
#include "text/cp1252.h"

namespace vintrel::registry {

using platform::HKey;

namespace {

struct OpenKey {
    HKey root = 0;
    std::string path;  // normalized, spelled as opened
    // Subkey names from the last enumeration that started at index 0.
    std::vector<std::string> enumeration;
};

class StoreRegistry final : public platform::Registry {
public:
    StoreRegistry(std::shared_ptr<RegistryStore> store, std::shared_ptr<LiveKeys> live,
                  std::shared_ptr<DesktopValues> desktop)
        : store_(std::move(store)), live_(std::move(live)), desktop_(std::move(desktop)) {}

    long openKey(HKey parent, std::string_view subKey, std::uint32_t /*access*/, HKey& result) override {
        std::lock_guard lock(mutex_);
        OpenKey key;
        if (!resolve(parent, subKey, key)) return platform::ERROR_INVALID_HANDLE;
        if (key.path.empty() && isRootKey(parent)) {
            result = parent;
            return 0;
        }
        // The snapshot lasts while handles are open: a read of one value locks the file once.
        store_->holdSnapshot();
        long found = store_->findKey(key.root, key.path);
        if (found == platform::ERROR_FILE_NOT_FOUND &&
            ((live_ && live_->keyExists(key.root, key.path)) || desktopKeyExists(desktop_.get(), key.root, key.path)))
            found = 0;
        if (found != 0) {
            releaseWhenIdle();
            return found;
        }
        result = add(std::move(key));
        return 0;
    }

    long createKey(HKey parent, std::string_view subKey, HKey& result) override {
        std::lock_guard lock(mutex_);
        OpenKey key;
        if (!resolve(parent, subKey, key)) return platform::ERROR_INVALID_HANDLE;
        if (key.path.empty() && isRootKey(parent)) {
            result = parent;
            return 0;
        }
        // A key that exists live needs no row in the store until a value is written to it.
        if (!exists(key)) {
            if (long error = store_->createKey(key.root, key.path)) return error;
        }
        result = add(std::move(key));
        return 0;
    }

    long queryValue(HKey handle, std::string_view valueName, std::uint32_t bufferSize,
                    platform::RegValue& value, std::uint32_t& requiredSize) override {
        std::lock_guard lock(mutex_);
        const OpenKey* key = find(handle);
        if (key == nullptr) return platform::ERROR_INVALID_HANDLE;
        platform::RegValue found;
        long result = platform::ERROR_FILE_NOT_FOUND;
        if (auto fromDesktop = desktopValue(desktop_.get(), key->root, key->path, valueName)) {
            found = std::move(*fromDesktop);
            result = 0;
        } else {
            result = store_->getValue(key->root, key->path, valueName, found);
        }
        if (result == platform::ERROR_FILE_NOT_FOUND && live_) {
            if (auto produced = live_->value(key->root, key->path, valueName)) {
                found = std::move(*produced);
                result = 0;
            }
        }
        if (result != 0) return result;
        value.type = found.type;
        requiredSize = static_cast<std::uint32_t>(std::min<std::size_t>(found.data.size(), UINT32_MAX));
        if (found.data.size() > bufferSize) {
            value.data.clear();
            return platform::ERROR_MORE_DATA;
        }
        value.data = std::move(found.data);
        return 0;
    }

    long setValue(HKey handle, std::string_view valueName, std::uint32_t type,
                  std::string_view data) override {
        std::lock_guard lock(mutex_);
        const OpenKey* key = find(handle);
        if (key == nullptr) return platform::ERROR_INVALID_HANDLE;
        const long result = store_->setValue(key->root, key->path, valueName, type, data);
        if (result == 0) passStoredChanges(desktop_.get(), *store_, key->root, key->path, valueName);
        return result;
    }

    long closeKey(HKey handle) override {
        std::lock_guard lock(mutex_);
        if (isRootKey(handle)) return 0;
        if (handles_.erase(handle) == 0) return platform::ERROR_INVALID_HANDLE;
        releaseWhenIdle();
        return 0;
    }

    void beginReads() override {
        std::lock_guard lock(mutex_);
        ++readBatches_;
        store_->holdSnapshot();
    }

    void endReads() override {
        std::lock_guard lock(mutex_);
        if (readBatches_ > 0) --readBatches_;
        releaseWhenIdle();
    }

    long enumKey(HKey handle, std::uint32_t index, std::string& name) override {
        std::lock_guard lock(mutex_);
        OpenKey* key = find(handle);
        if (key == nullptr) return platform::ERROR_INVALID_HANDLE;
        if (index == 0 || key->enumeration.empty()) {
            if (long error = subKeys(*key, key->enumeration)) return error;
        }
        if (index >= key->enumeration.size()) return platform::ERROR_NO_MORE_ITEMS;
        name = key->enumeration[index];
        return 0;
    }

    long queryInfoKey(HKey handle, std::uint32_t& subKeyCount, std::uint32_t& maxSubKeyLength) override {
        std::lock_guard lock(mutex_);
        OpenKey* key = find(handle);
        if (key == nullptr) return platform::ERROR_INVALID_HANDLE;
        std::vector<std::string> names;
        if (long error = subKeys(*key, names)) return error;
        subKeyCount = static_cast<std::uint32_t>(names.size());
        maxSubKeyLength = 0;
        for (const std::string& name : names)
            maxSubKeyLength = std::max(maxSubKeyLength, static_cast<std::uint32_t>(name.size()));
        return 0;
    }

    // The subkeys that exist only live (no row in the store, no desktop setting below them) are
    // read from the live keys a piece at a time, in one call a piece; the others as the general
    // form reads them. Opening such a subkey could only find it live, and reading its values
    // could only find live ones.
    long subKeyValues(HKey root, std::string_view keyPath, const std::vector<std::string>& valueNames,
                      const platform::SubKeyVisitor& visit) override {
        std::lock_guard lock(mutex_);
        if (!live_) return Registry::subKeyValues(root, keyPath, valueNames, visit);
        HKey handle = 0;
        if (const long error = openKey(root, keyPath, platform::KEY_ALL_ACCESS, handle)) return error;
        const OpenKey key = *find(handle);
        std::vector<std::string> names;
        std::unordered_set<std::string> elsewhere;  // folded names of subkeys not only live
        const long listed = subKeys(key, names, &elsewhere);
        closeKey(handle);
        if (listed != 0) return 0;  // as an enumeration that fails: no subkeys
        addDesktopChildren(key, elsewhere);

        const std::size_t width = valueNames.size();
        constexpr std::size_t kPiece = 256;
        std::vector<std::string> piece;  // live-only subkeys not handed on yet, in order
        piece.reserve(std::min(names.size(), kPiece));
        const auto handLiveOn = [&] {
            if (piece.empty()) return;
            LiveKeys::ValueRows rows = live_->subKeyValues(key.root, key.path, piece, valueNames);
            rows.resize(piece.size() * width);  // a source with none of them answers no rows
            for (std::size_t k = 0; k < piece.size(); ++k) visit(piece[k], rows.data() + k * width);
            piece.clear();
        };
        std::vector<std::optional<platform::RegValue>> values(width);
        for (std::string& name : names) {
            if (elsewhere.empty() || elsewhere.count(text::upperCp1252(name)) == 0) {
                piece.push_back(std::move(name));
                if (piece.size() == kPiece) handLiveOn();
                continue;
            }
            handLiveOn();  // the enumeration's order
            HKey sub = 0;
            if (openKey(key.root, joinKeyPath(key.path, name), platform::KEY_ALL_ACCESS, sub) != 0) continue;
            for (std::size_t v = 0; v < width; ++v) values[v] = wholeValue(sub, valueNames[v]);
            closeKey(sub);
            visit(name, values.data());
        }
        handLiveOn();
        return 0;
    }

    std::size_t openHandleCount() const override {
        std::lock_guard lock(mutex_);
        return handles_.size();
    }

private:
    // The shared snapshot ends with the last open handle and the last read batch.
    void releaseWhenIdle() {
        if (handles_.empty() && readBatches_ == 0) store_->releaseSnapshot();
    }

    // The key that subKey names below parent; false when parent is no open key.
    bool resolve(HKey parent, std::string_view subKey, OpenKey& key) {
        if (isRootKey(parent)) {
            key.root = parent;
            key.path = normalizeKeyPath(subKey);
            return true;
        }
        const OpenKey* base = find(parent);
        if (base == nullptr) return false;
        key.root = base->root;
        key.path = joinKeyPath(base->path, normalizeKeyPath(subKey));
        return true;
    }

    bool exists(const OpenKey& key) {
        return store_->keyExists(key.root, key.path) || (live_ && live_->keyExists(key.root, key.path));
    }

    OpenKey* find(HKey handle) {
        if (isRootKey(handle)) {
            // Roots are opened on demand as plain entries that never count as open handles.
            auto [it, inserted] = roots_.try_emplace(handle);
            if (inserted) it->second.root = handle;
            return &it->second;
        }
        auto it = handles_.find(handle);
        return it != handles_.end() ? &it->second : nullptr;
    }

    HKey add(OpenKey key) {
        // Handles are small numbers that never collide with the roots (0x8000000x).
        do {
            nextHandle_ = nextHandle_ >= 0x7FFFFFF0u ? 0x100u : nextHandle_ + 4;
        } while (handles_.count(nextHandle_) != 0);
        handles_.emplace(nextHandle_, std::move(key));
        return nextHandle_;
    }

    // Store subkeys and live subkeys, merged without regard to case, in folded-name order; the
    // folded names of the stored ones added to `stored` when asked for.
    long subKeys(const OpenKey& key, std::vector<std::string>& names,
                 std::unordered_set<std::string>* stored = nullptr) {
        names.clear();
        long error = store_->subKeys(key.root, key.path, names);
        if (error == platform::ERROR_FILE_NOT_FOUND) error = 0;  // a key that exists only live
        if (error != 0) return error;
        if (stored != nullptr)
            for (const std::string& name : names) stored->insert(text::upperCp1252(name));
        if (!live_) return 0;
        std::vector<std::string> live = live_->subKeys(key.root, key.path);
        if (names.empty()) {  // nothing stored to merge with: the live names, each once already
            names = std::move(live);
            if (!std::is_sorted(names.begin(), names.end(), foldedLess))
                std::sort(names.begin(), names.end(), foldedLess);
            return 0;
        }
        std::vector<std::string> folded;
        folded.reserve(names.size() + live.size());  // never moved: `known` views its names
        for (const std::string& name : names) folded.push_back(text::upperCp1252(name));
        std::unordered_set<std::string_view> known(folded.begin(), folded.end());
        bool added = false;
        for (std::string& name : live) {
            std::string fold = text::upperCp1252(name);
            if (known.count(fold) != 0) continue;
            folded.push_back(std::move(fold));
            known.insert(folded.back());
            names.push_back(std::move(name));
            added = true;
        }
        if (added) sortByFoldedName(names, folded);
        return 0;
    }

    // Whether a's folded form sorts before b's, without making either.
    static bool foldedLess(const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(text::upperCp1252(x)) < static_cast<unsigned char>(text::upperCp1252(y));
        });
    }

    // Puts names in the order of their folded forms (folded[i] is names[i]'s).
    static void sortByFoldedName(std::vector<std::string>& names, const std::vector<std::string>& folded) {
        std::vector<std::size_t> order(names.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return folded[a] < folded[b]; });
        std::vector<std::string> sorted;
        sorted.reserve(names.size());
        for (std::size_t i : order) sorted.push_back(std::move(names[i]));
        names = std::move(sorted);
    }

    // The folded names of key's subkeys that hold a desktop setting, or one further below.
    void addDesktopChildren(const OpenKey& key, std::unordered_set<std::string>& children) const {
        if (!desktop_) return;
        const std::string prefix = text::upperCp1252(key.path) + (key.path.empty() ? "" : "\\");
        for (const ValueLocation& location : desktop_->locations()) {
            if (location.root != key.root) continue;
            const std::string path = text::upperCp1252(normalizeKeyPath(location.keyPath));
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
            children.insert(path.substr(prefix.size(), path.find('\\', prefix.size()) - prefix.size()));
        }
    }

    std::shared_ptr<RegistryStore> store_;
    std::shared_ptr<LiveKeys> live_;
    std::shared_ptr<DesktopValues> desktop_;
    // Recursive: while a write waits for the store, the waiter may read the registry on this
    // thread.
    mutable std::recursive_mutex mutex_;
    std::map<HKey, OpenKey> handles_;
    std::map<HKey, OpenKey> roots_;
    HKey nextHandle_ = 0x100;
    int readBatches_ = 0;
};

}  // namespace

std::unique_ptr<platform::Registry> makeStoreRegistry(std::shared_ptr<RegistryStore> store,
                                                      std::shared_ptr<LiveKeys> live,
                                                      std::shared_ptr<DesktopValues> desktop) {
    return std::make_unique<StoreRegistry>(std::move(store), std::move(live), std::move(desktop));
}

}  // namespace vintrel::registry

#include "platform/linux/uninstall_live_keys.h"

#include <unordered_set>

#include "platform/registry/key_path.h"
#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kMaxValueBytes = 255;

std::string windowsText(std::string_view utf8) {
    std::string out = text::utf8ToCp1252(utf8);
    if (out.size() > kMaxValueBytes) out.resize(kMaxValueBytes);
    return out;
}

RegValue stringValue(std::string_view text) {
    RegValue value;
    value.type = REG_SZ;
    value.data.reserve(text.size() + 1);
    value.data.append(text).push_back('\0');
    return value;
}

// Whether a sorts before b with letter case ignored, as their folded names sort.
bool foldedLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(text::upperCp1252(x)) < static_cast<unsigned char>(text::upperCp1252(y));
    });
}

}  // namespace

UninstallLiveKeys::Program::Program(std::string_view key, std::string_view displayName,
                                    std::string_view uninstallString)
    : texts_(new char[key.size() + displayName.size() + uninstallString.size()]),
      keySize_(static_cast<std::uint16_t>(key.size())),
      displaySize_(static_cast<std::uint16_t>(displayName.size())),
      uninstallSize_(static_cast<std::uint16_t>(uninstallString.size())) {
    std::copy(uninstallString.begin(), uninstallString.end(),
              std::copy(displayName.begin(), displayName.end(), std::copy(key.begin(), key.end(), texts_.get())));
}

UninstallLiveKeys::UninstallLiveKeys(Lister lister, std::chrono::milliseconds lifetime, Clock clock)
    : UninstallLiveKeys(
          Streamer([lister = std::move(lister)](const std::function<void(InstalledProgram&&)>& take) {
              if (!lister) return;
              for (InstalledProgram& p : lister()) take(std::move(p));
          }),
          lifetime, std::move(clock)) {}

UninstallLiveKeys::UninstallLiveKeys(Streamer streamer, std::chrono::milliseconds lifetime, Clock clock)
    : UninstallLiveKeys(std::move(streamer), Unchanged(), lifetime, std::move(clock)) {}

UninstallLiveKeys::UninstallLiveKeys(Streamer streamer, Unchanged unchanged, std::chrono::milliseconds lifetime,
                                     Clock clock)
    : streamer_(std::move(streamer)),
      unchanged_(std::move(unchanged)),
      lifetime_(lifetime),
      clock_(std::move(clock)) {}

// One program as a subkey, whose name holds no backslash. Two ids that differ only in letter
// case are one key, the first found: the sort below keeps it.
void UninstallLiveKeys::take(InstalledProgram&& p) {
    const std::string key = text::utf8ToCp1252(p.id);
    if (key.empty() || key.size() > kMaxValueBytes || key.find('\\') != std::string::npos) return;
    programs_.emplace_back(key, windowsText(p.name), windowsText(p.uninstallCommand));
}

const std::vector<UninstallLiveKeys::Program>& UninstallLiveKeys::programs() {
    const bool stale = !lastUse_ || (clock_() - *lastUse_ > lifetime_ && !(unchanged_ && unchanged_()));
    if (stale) {
        programs_.clear();
        // Each program taken as it is found: the list is never held twice.
        if (streamer_) streamer_([this](InstalledProgram&& p) { take(std::move(p)); });
        sortByFoldedKey();
    }
    lastUse_ = clock_();  // after the gathering: its own length never makes it stale
    return programs_;
}

// The programs in the order of their folded names, the order the registry lists the key's
// subkeys in, each name once (the first found of those that differ only in letter case): a
// listing and the reads of its subkeys that follow walk them in step, and a single read finds
// its program by a binary search.
void UninstallLiveKeys::sortByFoldedKey() {
    const auto byKey = [](const Program& a, const Program& b) { return foldedLess(a.key(), b.key()); };
    std::stable_sort(programs_.begin(), programs_.end(), byKey);
    const auto sameKey = [](const Program& a, const Program& b) {
        return text::equalsIgnoreCaseCp1252(a.key(), b.key());
    };
    programs_.erase(std::unique(programs_.begin(), programs_.end(), sameKey), programs_.end());
    programs_.shrink_to_fit();
}

std::optional<std::size_t> UninstallLiveKeys::indexOf(std::string_view key) const {
    const auto at = std::lower_bound(programs_.begin(), programs_.end(), key,
                                     [](const Program& p, std::string_view k) { return foldedLess(p.key(), k); });
    if (at == programs_.end() || !text::equalsIgnoreCaseCp1252(at->key(), key)) return std::nullopt;
    return static_cast<std::size_t>(at - programs_.begin());
}

UninstallLiveKeys::Place UninstallLiveKeys::locate(HKey root, std::string_view keyPath, std::size_t& index) {
    if (root != HKEY_LOCAL_MACHINE) return Place::Elsewhere;
    // Walks both paths name by name: every registry read of HKLM passes through here.
    std::string_view rest = keyPath;
    std::string_view base = kUninstallKeyPath;
    for (;;) {
        const std::string_view wanted = registry::takeKeyName(base);
        const std::string_view name = registry::takeKeyName(rest);
        if (name.empty()) return wanted.empty() ? Place::Key : Place::Ancestor;
        if (wanted.empty()) {
            if (!registry::takeKeyName(rest).empty()) return Place::Elsewhere;
            programs();
            const auto found = indexOf(name);
            if (!found) return Place::Elsewhere;
            index = *found;
            return Place::Program;
        }
        if (!text::equalsIgnoreCaseCp1252(name, wanted)) return Place::Elsewhere;
    }
}

std::optional<RegValue> UninstallLiveKeys::value(HKey root, std::string_view keyPath,
                                                 std::string_view valueName) {
    std::lock_guard lock(mutex_);
    std::size_t index = 0;
    if (locate(root, keyPath, index) != Place::Program) return std::nullopt;
    const Program& p = programs_[index];
    if (text::equalsIgnoreCaseCp1252(valueName, "DisplayName")) return stringValue(p.displayName());
    if (text::equalsIgnoreCaseCp1252(valueName, "UninstallString")) return stringValue(p.uninstallString());
    return std::nullopt;
}

// The Uninstall key exists on every machine, with or without applications in it.
bool UninstallLiveKeys::keyExists(HKey root, std::string_view keyPath) {
    std::lock_guard lock(mutex_);
    std::size_t index = 0;
    return locate(root, keyPath, index) != Place::Elsewhere;
}

std::vector<std::string> UninstallLiveKeys::subKeys(HKey root, std::string_view keyPath) {
    std::lock_guard lock(mutex_);
    std::size_t index = 0;
    switch (locate(root, keyPath, index)) {
        case Place::Ancestor: {
            const auto names = registry::splitKeyPath(keyPath);
            return {std::string(registry::splitKeyPath(kUninstallKeyPath)[names.size()])};
        }
        case Place::Key: {
            std::vector<std::string> keys;
            keys.reserve(programs().size());
            for (const Program& p : programs_) keys.emplace_back(p.key());
            return keys;
        }
        default:
            return {};
    }
}

std::vector<std::string> UninstallLiveKeys::valueNames(HKey root, std::string_view keyPath) {
    std::lock_guard lock(mutex_);
    std::size_t index = 0;
    if (locate(root, keyPath, index) != Place::Program) return {};
    return {"DisplayName", "UninstallString"};
}

// The Uninstall key's programs found by their folded names, each value named as value()
// names it; any other key as the general form reads it.
registry::LiveKeys::ValueRows UninstallLiveKeys::subKeyValues(HKey root, std::string_view keyPath,
                                                    const std::vector<std::string>& subKeys,
                                                    const std::vector<std::string>& valueNames) {
    {
        std::lock_guard lock(mutex_);
        std::size_t index = 0;
        if (locate(root, keyPath, index) == Place::Key) {
            programs();
            // Which of a program's texts each value name asks for, once for all programs.
            enum class Text { None, DisplayName, UninstallString };
            std::vector<Text> texts;
            for (const std::string& name : valueNames)
                texts.push_back(text::equalsIgnoreCaseCp1252(name, "DisplayName")       ? Text::DisplayName
                                : text::equalsIgnoreCaseCp1252(name, "UninstallString") ? Text::UninstallString
                                                                                        : Text::None);
            ValueRows rows(subKeys.size() * texts.size());
            std::size_t next = 0;  // subkeys asked in the listing's order are found in step
            for (std::size_t k = 0; k < subKeys.size(); ++k) {
                const std::string& subKey = subKeys[k];
                if (next >= programs_.size() || !text::equalsIgnoreCaseCp1252(subKey, programs_[next].key())) {
                    const auto found = indexOf(subKey);
                    if (!found) continue;
                    next = *found;
                }
                const Program& p = programs_[next++];
                auto* row = rows.data() + k * texts.size();
                for (std::size_t i = 0; i < texts.size(); ++i) {
                    if (texts[i] == Text::DisplayName) row[i] = stringValue(p.displayName());
                    if (texts[i] == Text::UninstallString) row[i] = stringValue(p.uninstallString());
                }
            }
            return rows;
        }
    }
    return registry::LiveKeys::subKeyValues(root, keyPath, subKeys, valueNames);
}

std::optional<RegValue> LiveKeyUnion::value(HKey root, std::string_view keyPath, std::string_view valueName) {
    for (const auto& source : sources_)
        if (auto found = source->value(root, keyPath, valueName)) return found;
    return std::nullopt;
}

bool LiveKeyUnion::keyExists(HKey root, std::string_view keyPath) {
    for (const auto& source : sources_)
        if (source->keyExists(root, keyPath)) return true;
    return false;
}

namespace {

// Each source's names in turn, a name that an earlier source gave (in any letter case) once.
// Each source's names in turn, a name that an earlier source gave (in any letter case) once.
// Names that each source gives once need no sifting when only one source gives any.
template <class Names>
std::vector<std::string> namesOfAll(const std::vector<std::shared_ptr<registry::LiveKeys>>& sources,
                                    Names namesOf, bool eachOncePerSource) {
    std::vector<std::vector<std::string>> lists;
    for (const auto& source : sources)
        if (auto names = namesOf(*source); !names.empty()) lists.push_back(std::move(names));
    if (eachOncePerSource && lists.size() == 1) return std::move(lists.front());
    std::vector<std::string> names;
    std::unordered_set<std::string> folded;
    for (auto& list : lists)
        for (std::string& name : list)
            if (folded.insert(registry::foldName(name)).second) names.push_back(std::move(name));
    return names;
}

}  // namespace

// Each value from the first source that has it, as value() answers.
registry::LiveKeys::ValueRows LiveKeyUnion::subKeyValues(HKey root, std::string_view keyPath,
                                               const std::vector<std::string>& subKeys,
                                               const std::vector<std::string>& valueNames) {
    ValueRows rows;
    for (const auto& source : sources_) {
        ValueRows answered = source->subKeyValues(root, keyPath, subKeys, valueNames);
        if (answered.empty()) continue;
        if (rows.empty()) {  // the first source that has any: its rows as they are
            rows = std::move(answered);
            rows.resize(subKeys.size() * valueNames.size());
            continue;
        }
        for (std::size_t i = 0; i < rows.size() && i < answered.size(); ++i)
            if (!rows[i] && answered[i]) rows[i] = std::move(answered[i]);
    }
    return rows;
}

std::vector<std::string> LiveKeyUnion::subKeys(HKey root, std::string_view keyPath) {
    return namesOfAll(
        sources_, [&](registry::LiveKeys& source) { return source.subKeys(root, keyPath); }, true);
}

std::vector<std::string> LiveKeyUnion::valueNames(HKey root, std::string_view keyPath) {
    return namesOfAll(
        sources_, [&](registry::LiveKeys& source) { return source.valueNames(root, keyPath); }, false);
}

std::shared_ptr<UninstallLiveKeys> makeUninstallLiveKeys() {
    auto dpkg = std::make_shared<DpkgDesktopIndex>(ProgramSources{}.dpkgInfoDir);
    auto read = std::make_shared<ProgramSourcesSnapshot>();
    return std::make_shared<UninstallLiveKeys>(
        UninstallLiveKeys::Streamer([dpkg, read](const std::function<void(InstalledProgram&&)>& take) {
            forEachInstalledProgram(ProgramSources::fromProcess(), *dpkg, take, read.get());
        }),
        UninstallLiveKeys::Unchanged([read] { return read->unchanged(ProgramSources::fromProcess()); }));
}

}  // namespace vintrel::platform::linux_host

#pragma once
// HKEY_LOCAL_MACHINE "Software\Microsoft\Windows\CurrentVersion\Uninstall" answered live from
// the installed desktop applications (installed_programs.h): one subkey per application,
// named by its desktop-file id, with
//   DisplayName      its name, Windows-1252, at most 255 bytes
//   UninstallString  the command that removes its package (text only; nothing runs it)
// The list is gathered at the first question and kept while questions keep coming (a
// dialog's reads); after `lifetime` without one it is gathered anew, unless the check it was
// given says that nothing it was gathered from has changed. The time counts from the end of
// a gathering, so a dialog's or a report's reads gather once however long it takes.
// Subkeys and values written by the user are the store's: they are listed beside these and
// override them.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/api/registry_locations.h"
#include "platform/linux/installed_programs.h"
#include "platform/registry/live_keys.h"

namespace vintrel::platform::linux_host {

inline constexpr std::string_view kUninstallKeyPath = reg::kUninstallKey;

class UninstallLiveKeys : public registry::LiveKeys {
public:
    using Lister = std::function<std::vector<InstalledProgram>()>;
    // Hands each program to the function it is given, as it finds them.
    using Streamer = std::function<void(const std::function<void(InstalledProgram&&)>&)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Whether the programs gathered last are still the ones a gathering would find.
    using Unchanged = std::function<bool()>;
    explicit UninstallLiveKeys(Lister lister, std::chrono::milliseconds lifetime = std::chrono::seconds(2),
                               Clock clock = &std::chrono::steady_clock::now);
    explicit UninstallLiveKeys(Streamer streamer, std::chrono::milliseconds lifetime = std::chrono::seconds(2),
                               Clock clock = &std::chrono::steady_clock::now);
    UninstallLiveKeys(Streamer streamer, Unchanged unchanged,
                      std::chrono::milliseconds lifetime = std::chrono::seconds(2),
                      Clock clock = &std::chrono::steady_clock::now);

    std::optional<RegValue> value(HKey root, std::string_view keyPath, std::string_view valueName) override;
    bool keyExists(HKey root, std::string_view keyPath) override;
    std::vector<std::string> subKeys(HKey root, std::string_view keyPath) override;
    std::vector<std::string> valueNames(HKey root, std::string_view keyPath) override;
    ValueRows subKeyValues(HKey root, std::string_view keyPath, const std::vector<std::string>& subKeys,
                           const std::vector<std::string>& valueNames) override;

private:
    // One program's three texts (Windows-1252, at most 255 bytes each) in one block of the
    // sizes they need: the list holds 16 bytes a program beside them.
    class Program {
    public:
        Program(std::string_view key, std::string_view displayName, std::string_view uninstallString);
        std::string_view key() const { return {texts_.get(), keySize_}; }
        std::string_view displayName() const { return {texts_.get() + keySize_, displaySize_}; }
        std::string_view uninstallString() const {
            return {texts_.get() + keySize_ + displaySize_, uninstallSize_};
        }

    private:
        std::unique_ptr<char[]> texts_;
        std::uint16_t keySize_;
        std::uint16_t displaySize_;
        std::uint16_t uninstallSize_;
    };
    // Where keyPath lies: above the Uninstall key (an ancestor), the key itself, one
    // program's subkey (index set), or elsewhere.
    enum class Place { Ancestor, Key, Program, Elsewhere };
    Place locate(HKey root, std::string_view keyPath, std::size_t& index);
    const std::vector<Program>& programs();
    void sortByFoldedKey();

    void take(InstalledProgram&& program);
    Streamer streamer_;
    Unchanged unchanged_;
    std::chrono::milliseconds lifetime_;
    Clock clock_;
    std::mutex mutex_;
    // In the order of their folded key names, each name once: found by a binary search.
    std::vector<Program> programs_;
    std::optional<std::size_t> indexOf(std::string_view key) const;
    std::optional<std::chrono::steady_clock::time_point> lastUse_;
};

// The live keys of several sources answered as one: a value from the first that has it, a
// key that any of them has, the subkeys of all without repeats (letter case ignored).
class LiveKeyUnion : public registry::LiveKeys {
public:
    explicit LiveKeyUnion(std::vector<std::shared_ptr<registry::LiveKeys>> sources)
        : sources_(std::move(sources)) {}
    std::optional<RegValue> value(HKey root, std::string_view keyPath, std::string_view valueName) override;
    bool keyExists(HKey root, std::string_view keyPath) override;
    std::vector<std::string> subKeys(HKey root, std::string_view keyPath) override;
    std::vector<std::string> valueNames(HKey root, std::string_view keyPath) override;
    ValueRows subKeyValues(HKey root, std::string_view keyPath, const std::vector<std::string>& subKeys,
                           const std::vector<std::string>& valueNames) override;

private:
    std::vector<std::shared_ptr<registry::LiveKeys>> sources_;
};

// The Uninstall key over this machine's applications (ProgramSources::fromProcess), with
// one dpkg index for the process; the list is kept until a folder it was read from changes.
std::shared_ptr<UninstallLiveKeys> makeUninstallLiveKeys();

}  // namespace vintrel::platform::linux_host
